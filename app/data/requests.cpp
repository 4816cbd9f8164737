// The process's request and response codes (requests.h).
#include "app/data/requests.h"

namespace dw::app {

int& globalRequest() {
  static int code = 0;
  return code;
}

int& globalResponse() {
  static int code = 0;
  return code;
}

}  // namespace dw::app
