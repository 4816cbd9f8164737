// The process-wide platform and the test hook that swaps it.
//
// platform() returns the installed instance, a PosixPlatform made on first
// use unless a ScopedPlatform is alive.  Installing is meant for tests,
// before the threads that use the platform start.
#include "runtime/platform/platform.h"

#include <atomic>

#include "runtime/platform/posix_platform.h"

namespace dw::platform {

namespace {

std::atomic<Platform*> g_installed{nullptr};

Platform& defaultPlatform() {
  static PosixPlatform instance;
  return instance;
}

}  // namespace

Platform& platform() {
  Platform* p = g_installed.load(std::memory_order_acquire);
  return p ? *p : defaultPlatform();
}

ScopedPlatform::ScopedPlatform(Platform& p)
    : m_previous(g_installed.exchange(&p, std::memory_order_acq_rel)) {}

ScopedPlatform::~ScopedPlatform() {
  g_installed.store(m_previous, std::memory_order_release);
}

}  // namespace dw::platform
