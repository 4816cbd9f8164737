// Shared fixture of the expression tests: each test runs on a language state
// of its own, so bindings never leak from one test to the next.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "runtime/lang/errors.h"
#include "runtime/lang/expr_compiler.h"
#include "runtime/lang/expr_eval.h"
#include "runtime/lang/expr_state.h"
#include "runtime/lang/language_state.h"

namespace dw::lang::testing {

class ExprTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_state = newLanguageState();
    m_previous = makeLanguageStateCurrent(m_state.get());
    clearError();
  }
  void TearDown() override { makeLanguageStateCurrent(m_previous); }

  // The value of a text as dwcalc prints it, or "error: reason".
  static std::string eval(const std::string& text) {
    std::string reason;
    ExprTree tree = compileExpression(text, &reason);
    if (!tree) return "error: " + reason;
    return evaluate(*tree).asString();
  }
  static bool compiles(const std::string& text) { return compileExpression(text) != nullptr; }

  LanguageStatePtr m_state;
  LanguageState* m_previous = nullptr;
};

}  // namespace dw::lang::testing
