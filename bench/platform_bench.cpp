// Costs of the platform layer that other layers lean on: a simulated crash
// cycle of TestPlatform (the database's crash tests run thousands), an
// uncontended byte-range lock and unlock, and an INI read.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "runtime/platform/posix_platform.h"
#include "runtime/platform/profile.h"
#include "runtime/platform/test_platform.h"

namespace {

using namespace dw::platform;

std::string scratchDir() {
  char pattern[] = "/tmp/dwbench.XXXXXX";
  return ::mkdtemp(pattern) ? pattern : "/tmp";
}

// Open, write a page, flush, overwrite it, crash, reboot: one cycle.
void BM_CrashCycle(benchmark::State& state) {
  std::string dir = scratchDir();
  std::string path = dir + "/crash.brk";
  TestPlatform p;
  std::string page(4096, 'p');
  std::uint32_t seed = 0;
  for (auto _ : state) {
    auto f = p.open(path, {Access::ReadWrite, Share::DenyNone}, Disposition::OpenAlways);
    (void)(*f)->writeAt(0, page.data(), page.size());
    (void)(*f)->flush();
    (void)(*f)->writeAt(2048, page.data(), page.size());
    p.crash(CrashMode::TearUnflushed, seed++);
    p.reboot();
  }
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_CrashCycle);

void BM_LockUnlock(benchmark::State& state) {
  std::string dir = scratchDir();
  PosixPlatform p;
  auto f = p.open(dir + "/lock", {Access::ReadWrite, Share::DenyNone}, Disposition::OpenAlways);
  const std::uint64_t at = (std::uint64_t{1} << 31) + 1024 + 7;
  for (auto _ : state) {
    (void)(*f)->lock(at, 1, LockKind::Exclusive, LockWait::TryOnce);
    (void)(*f)->unlock(at, 1);
  }
  f->reset();
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_LockUnlock);

void BM_IniRead(benchmark::State& state) {
  std::string dir = scratchDir();
  std::string path = dir + "/DORN.INI";
  for (int i = 0; i < 20; ++i)
    (void)writeProfileString("Window" + std::to_string(i), "XPosit", std::to_string(i), path);
  for (auto _ : state) benchmark::DoNotOptimize(getProfileString("Window19", "XPosit", "", path));
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_IniRead);

}  // namespace

BENCHMARK_MAIN();
