// How fast the Linux build reads a Wine prefix's registry, and how much memory
// that takes: generates a prefix of about a million values (or the number
// given), loads it as the first registry call does, and prints MB/s of
// registry text and the peak memory of the process.
//
//   registry_load_bench [values] [prefix folder to use or make]

#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/memory_registry.h"
#include "platform/posix/prefix_registry.h"

namespace {

// Peak resident memory of this process so far, in bytes.
unsigned long long PeakMemory() {
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<unsigned long long>(usage.ru_maxrss) * 1024;
}

// A registry file shaped like a fresh prefix's system.reg, and in Wine's
// order: COM registrations, services, binary data over continuation lines;
// about 110 bytes of text per value.
void WriteFile(const std::string& path, const char* header, long values) {
  std::FILE* out = std::fopen(path.c_str(), "w");
  if (!out) {
    std::perror(path.c_str());
    std::exit(1);
  }
  std::fprintf(out, "WINE REGISTRY Version 2\n%s\n\n#arch=win64\n", header);
  // Each section gets its share of the values: 3 per class, 2 per font, 4 per service.
  long classes = values * 3 / 10 / 3, fonts = values * 3 / 10 / 2, services = values * 4 / 10 / 4;
  unsigned long long time = 0x1dd85c6348bdfc6ULL;
  for (long i = 0; i < classes; ++i, time += 977) {
    std::fprintf(out,
                 "\n[Software\\\\Classes\\\\CLSID\\\\{%08lX-1A2B-4C3D-8E9F-%012lX}] 1796591422\n#time=%llx\n"
                 "@=\"Component %ld Class\"\n"
                 "\n[Software\\\\Classes\\\\CLSID\\\\{%08lX-1A2B-4C3D-8E9F-%012lX}\\\\InprocServer32] 1796591422\n"
                 "#time=%llx\n@=\"C:\\\\windows\\\\system32\\\\component%ld.dll\"\n\"ThreadingModel\"=\"Both\"\n",
                 i * 4099, i * 7919, time, i, i * 4099, i * 7919, time, i);
  }
  for (long i = 0; i < fonts; ++i, time += 977) {
    std::fprintf(out,
                 "\n[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\Fonts\\\\Set%07ld] 1796591422\n"
                 "#time=%llx\n"
                 "\"Data\"=hex:01,00,00,00,d0,8c,9d,df,01,15,d1,11,8c,7a,00,c0,4f,c2,97,eb,01,00,\\\n"
                 "  00,00,5e,6b,42,1f,8e,93,ef,4b,a6,2e,91,e4,1c,75,f8,6e,00,00,00,00,02,00,00,\\\n"
                 "  00,00,00,10,66,00,00,00,01,00,00,20,00,00,00\n"
                 "\"Font %ld (TrueType)\"=\"font%ld.ttf\"\n",
                 i, time, i, i);
  }
  for (long i = 0; i < services; ++i, time += 977) {
    std::fprintf(out,
                 "\n[System\\\\ControlSet001\\\\Services\\\\Service%07ld] 1796591422\n#time=%llx\n"
                 "\"DisplayName\"=\"Service number %ld\"\n\"ErrorControl\"=dword:00000001\n"
                 "\"ImagePath\"=str(2):\"%%SystemRoot%%\\\\system32\\\\svc%ld.exe\"\n\"Start\"=dword:00000003\n",
                 i, time, i, i);
  }
  std::fclose(out);
}

}  // namespace

int main(int argc, char** argv) {
  long values = argc > 1 ? std::atol(argv[1]) : 1000000;
  bool made = argc <= 2;
  std::string prefix = made ? (std::filesystem::temp_directory_path() / "vastrel-registry-bench").string() : argv[2];
  if (made || !std::filesystem::exists(prefix + "/system.reg")) {
    std::filesystem::create_directories(prefix);
    WriteFile(prefix + "/system.reg", ";; All keys relative to \\\\Machine", values * 98 / 100);
    WriteFile(prefix + "/user.reg", ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000", values / 100);
    WriteFile(prefix + "/userdef.reg", ";; All keys relative to \\\\User\\\\.Default", values / 100);
  }

  unsigned long long before = PeakMemory();
  auto start = std::chrono::steady_clock::now();
  std::clock_t startCpu = std::clock();
  platform::MemoryRegistry registry;
  unsigned long long bytes = platform::posix::LoadPrefixRegistry(prefix, registry);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  // On a machine shared with other work the processor time tells more.
  double cpuSeconds = static_cast<double>(std::clock() - startCpu) / CLOCKS_PER_SEC;
  unsigned long long peak = PeakMemory();

  std::printf("registry text: %.1f MB in %.3f s: %.1f MB/s (%.3f s of processor time: %.1f MB/s)\n", bytes / 1e6,
              seconds, bytes / 1e6 / seconds, cpuSeconds, bytes / 1e6 / cpuSeconds);
  std::printf("peak memory: %.1f MB (%.2f times the text; %.1f MB before loading)\n", peak / 1e6,
              static_cast<double>(peak) / static_cast<double>(bytes), before / 1e6);
  if (made) std::filesystem::remove_all(prefix);
  return 0;
}
