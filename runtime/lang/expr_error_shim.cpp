// Posted errors for the expression evaluator until the error module is
// linked in: only the number is kept.
#include "runtime/lang/errors.h"

namespace dw::lang {
namespace {
int g_code = 0;
}
void postError(int code) {
  g_code = code;
}
void clearError() {
  g_code = 0;
}
int errorCode() {
  return g_code;
}
}  // namespace dw::lang
