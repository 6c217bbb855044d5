// Times the capture and the comparison of one folder of many entries (100,000
// by default): a tenth of the files changed, a tenth removed, a tenth new.
// The comparison should take about as long as the capture.
// Usage: directory_compare_bench [entries]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "io/error.h"
#include "filetree/directory_capture.h"
#include "filetree/directory_compare.h"

namespace fs = std::filesystem;

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
  if (entries <= 0) {
    std::printf("usage: directory_compare_bench [entries]\n");
    return 2;
  }
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  fs::path folder = fs::temp_directory_path() / ("vastrel-dir-bench-" + std::to_string(stamp));
  fs::path tree = folder / "tree";
  fs::create_directories(tree);
  for (int i = 0; i < entries; ++i) std::ofstream(tree / ("file" + std::to_string(i) + ".dll")) << i;

  std::string snapshot = (folder / "dir.bin").string();
  double captured = 0, compared = 0;
  try {
    auto start = std::chrono::steady_clock::now();
    CaptureDirectory(tree.string(), snapshot);
    captured = SecondsSince(start);

    for (int i = 0; i < entries; i += 10) {
      std::ofstream(tree / ("file" + std::to_string(i) + ".dll")) << "changed";
      fs::remove(tree / ("file" + std::to_string(i + 1) + ".dll"));
      std::ofstream(tree / ("new" + std::to_string(i) + ".dll")) << i;
    }
    start = std::chrono::steady_clock::now();
    CompareDirectory(snapshot, (folder / "new.txt").string(), (folder / "mod.txt").string(),
                     (folder / "rem.txt").string());
    compared = SecondsSince(start);
  } catch (const Error& error) {
    std::printf("%s\n", error.Message().c_str());
    fs::remove_all(folder);
    return 1;
  }
  std::printf("%d entries: captured in %.3f s, compared in %.3f s (new %ju, mod %ju, rem %ju bytes)\n", entries,
              captured, compared, static_cast<std::uintmax_t>(fs::file_size(folder / "new.txt")),
              static_cast<std::uintmax_t>(fs::file_size(folder / "mod.txt")),
              static_cast<std::uintmax_t>(fs::file_size(folder / "rem.txt")));
  fs::remove_all(folder);
  return 0;
}
