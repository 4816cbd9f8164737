// Per-thread language states and the pointer to the current one.
#include "runtime/lang/language_state.h"

#include "runtime/lang/expr_state.h"

namespace dw::lang {
namespace {

LanguageState& initialState() {
  static LanguageState state;
  return state;
}

// The state of the thread holding the Runtime lock; swapped under that lock.
LanguageState* g_current = nullptr;

}  // namespace

void LanguageState::pushScope() {
  m_saved.push_back(std::move(m_current));
  m_current = SymbolTable();
}

bool LanguageState::popScope() {
  if (m_saved.empty()) {
    m_current.clear();
    return false;
  }
  m_current = std::move(m_saved.back());
  m_saved.pop_back();
  return true;
}

void LanguageStateDeleter::operator()(LanguageState* s) const {
  delete s;
}

LanguageStatePtr newLanguageState() {
  return LanguageStatePtr(new LanguageState());
}

LanguageState* makeLanguageStateCurrent(LanguageState* state) {
  LanguageState* previous = &currentLanguageState();
  g_current = state;
  return previous;
}

LanguageState& currentLanguageState() {
  return g_current ? *g_current : initialState();
}

}  // namespace dw::lang
