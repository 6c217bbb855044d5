#include "test/wine/wine_prefix.h"

#include <filesystem>
#include <stdexcept>

namespace test {

WinePrefix::WinePrefix() {
  std::filesystem::create_directories(folder_.path() + "/home");
  std::filesystem::create_directories(folder_.path() + "/tmp");
  RunResult boot = Host(VASTREL_WINEBOOT, {"-i"});
  WaitForServer();
  if (boot.status != 0 || !std::filesystem::exists(prefix_ + "/system.reg"))
    throw std::runtime_error("wineboot could not make a prefix in " + prefix_ + ":\n" + boot.output);
}

RunResult WinePrefix::Host(const std::string& program, const std::vector<std::string>& arguments) const {
  return Run(program, arguments, Environment());
}

std::map<std::string, std::optional<std::string>> WinePrefix::Environment() const {
  return {{"WINEPREFIX", prefix_},
          {"HOME", folder_.path() + "/home"},
          {"TMPDIR", folder_.path() + "/tmp"},
          {"WINEDEBUG", "-all"},
          // Wine names files on disk in the locale's character set; the
          // Linux build reads them as UTF-8.
          {"LC_ALL", "C.UTF-8"},
          // No Mono or Gecko installer, no menu entries, no windows.
          {"WINEDLLOVERRIDES", "mscoree,mshtml=;winemenubuilder.exe=d"},
          {"DISPLAY", std::nullopt},
          {"WAYLAND_DISPLAY", std::nullopt},
          // Both builds take the folders from these; Wine sets its own.
          {"WINDIR", std::nullopt},
          {"ProgramFiles", std::nullopt},
          {"ProgramFiles(x86)", std::nullopt}};
}

}  // namespace test
