// The language state of one runtime thread: the expression machinery's value
// stack and the BIND scopes (symbol tables).  Each runtime thread owns one;
// the windowing runtime makes a thread's state current when that thread takes
// the Runtime lock, so expression code always works on "the current state".
//
// Only the thread holding the Runtime lock touches the current state.  The
// pointer to the current state is one for the process (not per OS thread):
// swapping it is what hands the machinery to the thread that took the lock.
#pragma once

#include <memory>

namespace dw::lang {

class LanguageState;

// Destroys a state (also for incomplete-type owners).  A state that ends
// drops all of its remaining BIND scopes.
struct LanguageStateDeleter {
  void operator()(LanguageState* s) const;
};

using LanguageStatePtr = std::unique_ptr<LanguageState, LanguageStateDeleter>;

// A fresh state: empty value stack, no BIND scopes (built-ins appear on
// first use).
LanguageStatePtr newLanguageState();

// Makes state current (nullptr: the process's initial state) and returns the
// state that was current.  Called by the windowing runtime on a change of
// the thread that holds the Runtime lock.  A state must not be destroyed
// while it is current.
LanguageState* makeLanguageStateCurrent(LanguageState* state);

// The current state (never null).
LanguageState& currentLanguageState();

}  // namespace dw::lang
