// Alarm sounds through libcanberra.
//
// One context is made and opened on first use and kept for the life of
// the process (a context that cannot be opened, for want of a sound
// service, is remembered so that later calls fail at once instead of
// trying again).  ca_context_play hands the file to the sound service and
// returns without waiting for the sound to end.
#include "runtime/platform/sound.h"

#include <canberra.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>

namespace dw::platform {

namespace {

struct SoundContext {
  std::mutex mutex;
  ca_context* context = nullptr;
  bool tried = false;
  std::uint32_t nextId = 1;

  // The open context, or null when there is no sound service.  Under mutex.
  ca_context* get() {
    if (tried) return context;
    tried = true;
    if (ca_context_create(&context) != CA_SUCCESS) {
      context = nullptr;
      return nullptr;
    }
    if (ca_context_open(context) != CA_SUCCESS) {
      ca_context_destroy(context);
      context = nullptr;
    }
    return context;
  }
};

SoundContext& sound() {
  static SoundContext* instance = new SoundContext;  // lives until exit, never torn down
  return *instance;
}

bool readableFile(const std::string& path) {
  struct stat st {};
  return !path.empty() && path.find('\0') == std::string::npos && ::stat(path.c_str(), &st) == 0 &&
         S_ISREG(st.st_mode) && ::access(path.c_str(), R_OK) == 0;
}

}  // namespace

bool playWavAsync(const std::string& path) {
  if (!readableFile(path)) return false;
  SoundContext& s = sound();
  std::lock_guard lock(s.mutex);
  ca_context* context = s.get();
  if (!context) return false;
  int rc = ca_context_play(context, s.nextId++, CA_PROP_MEDIA_FILENAME, path.c_str(),
                           CA_PROP_CANBERRA_CACHE_CONTROL, "volatile", nullptr);
  return rc == CA_SUCCESS;
}

}  // namespace dw::platform
