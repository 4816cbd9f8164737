// Stand-ins, until the language layer provides them, for the few calls the
// windowing runtime makes into it (runtime errors, error state, language
// states).  Weak, so the real definitions win as soon as they are linked.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "runtime/lang/errors.h"
#include "runtime/lang/language_state.h"
#include "runtime/ui/runtime.h"

namespace dw::lang {

class LanguageState {};

namespace {
bool g_throws = false;
HaltBoxHook g_hook;
}  // namespace

__attribute__((weak)) std::unique_ptr<LanguageState> newLanguageState() {
  return std::make_unique<LanguageState>();
}
__attribute__((weak)) LanguageState* makeLanguageStateCurrent(LanguageState* state) {
  static LanguageState* current = nullptr;
  LanguageState* was = current;
  current = state;
  return was;
}
__attribute__((weak)) void LanguageStateDeleter::operator()(LanguageState* s) const {
  delete s;
}
__attribute__((weak)) void setHaltThrowsForTesting(bool on) {
  g_throws = on;
}
__attribute__((weak)) void setHaltBoxHook(HaltBoxHook hook) {
  g_hook = std::move(hook);
}
__attribute__((weak)) void pushErrorState() {}
__attribute__((weak)) void popErrorState() {}
__attribute__((weak)) void runtimeError(int code, std::string_view detail) {
  const std::string text = "Runtime error " + std::to_string(code) + " : " + std::string(detail);
  if (g_throws) throw HaltRequested{2, text};
  if (g_hook) g_hook("Runtime error", text);
  std::fprintf(stderr, "%s\n", text.c_str());
  std::_Exit(2);
}

}  // namespace dw::lang

namespace dw::ui {
lang::LanguageState* newThreadLanguage() {
  return lang::newLanguageState().release();
}
void freeThreadLanguage(lang::LanguageState* state) {
  if (state) lang::LanguageStateDeleter{}(state);
}
}  // namespace dw::ui
