// The contents of a thread's language state (language_state.h): the value
// stack of the expression machinery and the stack of BIND scopes.
//
// Invariants: there is always one current symbol table; saved tables are
// restored in the reverse order of saving.  The value stack is empty
// between evaluations (an evaluation pops what it pushes).
//
// Thread-safety: a state is used only by the thread that owns it, and only
// while that thread holds the Runtime lock (it is then the current state).
#pragma once

#include <cstddef>
#include <vector>

#include "runtime/lang/expr_value.h"
#include "runtime/lang/symbol_table.h"

namespace dw::lang {

class LanguageState {
 public:
  SymbolTable& currentTable() { return m_current; }
  // PUSHSCOPE: saves the current table and starts an empty one.
  void pushScope();
  // POPSCOPE: drops the current table and restores the last saved one;
  // false (with the current table cleared) when nothing was saved.
  bool popScope();
  std::size_t savedScopes() const { return m_saved.size(); }

  // Arguments of built-in calls while they are being evaluated.
  std::vector<Value>& valueStack() { return m_values; }

 private:
  SymbolTable m_current;
  std::vector<SymbolTable> m_saved;
  std::vector<Value> m_values;
};

}  // namespace dw::lang
