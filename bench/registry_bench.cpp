// Times the capture and the comparison of a key that holds many values. The
// comparison pairs each live value with its stored twin through an index, so
// it should take about as long as the capture, not grow with the square.
//
//   registry_bench [values]     (100000 by default)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/memory_registry.h"
#include "registry/registry_compare.h"
#include "registry/registry_snapshot.h"

namespace {

double SecondsOf(void (*run)(const std::string&), const std::string& folder) {
  auto start = std::chrono::steady_clock::now();
  run(folder);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Capture(const std::string& folder) { CaptureRegistry("", folder + "/reg.bin"); }

void Compare(const std::string& folder) {
  CompareRegistry(folder + "/reg.bin", folder + "/new.reg", folder + "/mod.reg",
                  folder + "/modo.reg", folder + "/rem.reg");
}

}  // namespace

int main(int argc, char** argv) {
  int values = argc > 1 ? std::atoi(argv[1]) : 100000;
  platform::MemoryRegistry registry;
  for (int i = 0; i < values; ++i)
    registry.SetString("HKEY_CURRENT_USER\\Big", "value" + std::to_string(i), "data");
  platform::SetRegistry(&registry);

  namespace fs = std::filesystem;
  fs::path folder = fs::temp_directory_path() / ("vastrel-bench-" + std::to_string(std::rand()));
  fs::create_directories(folder);
  double capture = SecondsOf(Capture, folder.string());
  registry.SetString("HKEY_CURRENT_USER\\Big", "value0", "changed");
  double compare = SecondsOf(Compare, folder.string());
  fs::remove_all(folder);
  platform::SetRegistry(nullptr);

  std::printf("\n%d values: capture %.3f s, compare %.3f s (%.2f times the capture)\n", values,
              capture, compare, compare / capture);
  return compare <= 4 * capture ? 0 : 1;
}
