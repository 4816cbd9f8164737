#include "runtime/platform/sound.h"

namespace dw::platform {

bool playWavAsync(const std::string&) {
  return false;
}

}  // namespace dw::platform
