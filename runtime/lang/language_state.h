// The language state of one runtime thread: the expression machinery's value
// stack and the BIND scopes (symbol tables).  Each runtime thread owns one;
// the windowing runtime makes a thread's state current when that thread takes
// the Runtime lock, so expression code always works on "the current state".
//
// Only the thread holding the Runtime lock touches the current state.
#pragma once

#include <memory>

namespace dw::lang {

class LanguageState;

// A fresh state: empty value stack, no BIND scopes (built-ins appear on
// first use).
std::unique_ptr<LanguageState> newLanguageState();

// Makes state current (nullptr: the process's initial state) and returns the
// state that was current.  Called by the windowing runtime on a change of
// the thread that holds the Runtime lock.
LanguageState* makeLanguageStateCurrent(LanguageState* state);

// The current state (never null).
LanguageState& currentLanguageState();

// Destroys a state (also for incomplete-type owners).
struct LanguageStateDeleter {
  void operator()(LanguageState* s) const;
};

}  // namespace dw::lang
