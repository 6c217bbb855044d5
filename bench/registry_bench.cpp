// Times the capture and the comparison of a key that holds many values, at a
// tenth of the size and at the full size. The comparison pairs each live
// value with its stored twin through an index, so ten times the values
// should take about ten times as long, not a hundred.
//
//   registry_bench [values]     (100000 by default)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/memory_registry.h"
#include "registry/registry_capture.h"
#include "registry/registry_compare.h"

namespace {

struct Timing {
  double capture;
  double compare;
};

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

Timing Run(int values, const std::string& folder) {
  platform::MemoryRegistry registry;
  for (int i = 0; i < values; ++i)
    registry.SetString("HKEY_CURRENT_USER\\Big", "value" + std::to_string(i), "data");
  platform::SetRegistry(&registry);

  Timing timing;
  auto start = std::chrono::steady_clock::now();
  CaptureRegistry("", folder + "/reg.bin");
  timing.capture = Seconds(start);
  registry.SetString("HKEY_CURRENT_USER\\Big", "value0", "changed");
  start = std::chrono::steady_clock::now();
  CompareRegistry(folder + "/reg.bin", folder + "/new.reg", folder + "/mod.reg",
                  folder + "/modo.reg", folder + "/rem.reg");
  timing.compare = Seconds(start);
  platform::SetRegistry(nullptr);
  std::printf("\n%d values: capture %.3f s, compare %.3f s\n", values, timing.capture,
              timing.compare);
  return timing;
}

}  // namespace

int main(int argc, char** argv) {
  int values = argc > 1 ? std::atoi(argv[1]) : 100000;
  namespace fs = std::filesystem;
  fs::path folder = fs::temp_directory_path() / ("vastrel-bench-" + std::to_string(std::rand()));
  fs::create_directories(folder);
  Timing small = Run(values / 10, folder.string());
  Timing full = Run(values, folder.string());
  fs::remove_all(folder);

  double growth = full.compare / small.compare;
  std::printf("ten times the values: the comparison takes %.1f times as long\n", growth);
  return growth < 30 ? 0 : 1;
}
