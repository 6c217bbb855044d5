#include "test/wine/wine_prefix.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace test {

WinePrefix::WinePrefix(Empty) : prefix_(folder_.path() + "/prefix") {
  std::filesystem::create_directories(folder_.path() + "/home");
  std::filesystem::create_directories(folder_.path() + "/tmp");
}

WinePrefix::WinePrefix() : WinePrefix(Empty{}) {
  RunResult boot = Run(VASTREL_WINEBOOT, {"-i"}, Environment());
  WaitForServer();
  if (boot.status != 0 || !std::filesystem::exists(prefix_ + "/system.reg"))
    throw std::runtime_error("wineboot could not make a prefix in " + prefix_ + ":\n" + boot.output);
}

std::unique_ptr<WinePrefix> WinePrefix::CopyOf(const WinePrefix& fresh) {
  std::unique_ptr<WinePrefix> copy(new WinePrefix(Empty{}));
  // dosdevices holds links (c: to ../drive_c, z: to /) that must stay links.
  std::filesystem::copy(fresh.prefix_, copy->prefix_,
                        std::filesystem::copy_options::recursive | std::filesystem::copy_options::copy_symlinks);
  return copy;
}

WinePrefix::~WinePrefix() { Run(VASTREL_WINESERVER, {"-k"}, Environment()); }

std::string WinePrefix::DriveC(const std::string& relative) const {
  return prefix_ + "/drive_c/" + relative;
}

RunResult WinePrefix::Wine(const std::vector<std::string>& arguments) const {
  return Run(VASTREL_WINE, arguments, Environment());
}

RunResult WinePrefix::Host(const std::string& program, const std::vector<std::string>& arguments) const {
  return Run(program, arguments, Environment());
}

void WinePrefix::WaitForServer() const { Run(VASTREL_WINESERVER, {"-w"}, Environment()); }

std::map<std::string, std::optional<std::string>> WinePrefix::Environment() const {
  return {
      {"WINEPREFIX", prefix_},
      {"HOME", folder_.path() + "/home"},
      {"TMPDIR", folder_.path() + "/tmp"},
      {"WINEDEBUG", "-all"},
      // No Mono or Gecko installer, no menu entries, no windows.
      {"WINEDLLOVERRIDES", "mscoree,mshtml=;winemenubuilder.exe=d"},
      {"DISPLAY", std::nullopt},
      {"WAYLAND_DISPLAY", std::nullopt},
      // Both builds take the folders from these; Wine sets its own.
      {"WINDIR", std::nullopt},
      {"ProgramFiles", std::nullopt},
  };
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteAll(const std::string& path, const std::string& content) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

}  // namespace test
