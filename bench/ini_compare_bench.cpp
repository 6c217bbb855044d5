// Times the INI comparison on large files: 50,000 entries in 500 sections,
// a tenth of them changed, a tenth new and a tenth removed, and repeated keys
// throughout. Usage: ini_compare_bench [entries [sections]]

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "io/error.h"
#include "ini/compare_ini_file.h"

namespace fs = std::filesystem;

namespace {

void WriteIni(const fs::path& path, int entries, int sections, bool live) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  int perSection = entries / sections;
  for (int s = 0; s < sections; ++s) {
    out << "[Section" << s << "]\r\n";
    for (int k = 0; k < perSection; ++k) {
      int n = s * perSection + k;
      if (live && n % 10 == 1) continue;                       // removed
      std::string key = "Key" + std::to_string(k % (perSection / 2 + 1));  // keys repeat
      std::string value = "value" + std::to_string(n);
      if (live && n % 10 == 2) value += "-changed";
      out << key << "=" << value << "\r\n";
      if (live && n % 10 == 3) out << "New" << k << "=1\r\n";
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  int entries = argc > 1 ? std::atoi(argv[1]) : 50000;
  int sections = argc > 2 ? std::atoi(argv[2]) : 500;
  if (entries <= 0 || sections <= 0 || sections > entries) {
    std::printf("usage: ini_compare_bench [entries [sections]]\n");
    return 2;
  }
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  fs::path folder = fs::temp_directory_path() / ("vastrel-ini-bench-" + std::to_string(stamp));
  fs::create_directories(folder);
  WriteIni(folder / "saved.ini", entries, sections, false);
  WriteIni(folder / "live.ini", entries, sections, true);

  auto start = std::chrono::steady_clock::now();
  try {
    CompareIniFile((folder / "live.ini").string(), (folder / "saved.ini").string(), (folder / "new.ini").string(),
                   (folder / "modo.ini").string(), (folder / "mod.ini").string(), (folder / "rem.ini").string());
  } catch (const Error& error) {
    std::printf("%s\n", error.Message().c_str());
    fs::remove_all(folder);
    return 1;
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("compared %d entries in %d sections in %.3f s (new %ju, mod %ju, rem %ju bytes)\n", entries, sections,
              seconds, static_cast<std::uintmax_t>(fs::file_size(folder / "new.ini")),
              static_cast<std::uintmax_t>(fs::file_size(folder / "mod.ini")),
              static_cast<std::uintmax_t>(fs::file_size(folder / "rem.ini")));
  fs::remove_all(folder);
  return 0;
}
