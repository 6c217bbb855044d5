#pragma once
// Keys that a Wine prefix's registry files and a running Wine disagree on,
// named so that the tests can leave them out: header-only, for the Windows
// walker built with mingw-w64 as well.

#include <cctype>
#include <string>
#include <vector>

namespace test {

/// Keys that Wine makes when it starts and never writes to the files
/// (volatile keys): the hardware, the drives, services, the computer's name,
/// device interfaces in use, display settings, the network cards, desktop
/// settings and the font cache. "*" stands for any one name.
inline const std::vector<std::string> kKeysOnlyWhileWineRuns = {
    R"(HKEY_LOCAL_MACHINE\Hardware)",
    R"(HKEY_LOCAL_MACHINE\System\MountedDevices)",
    R"(HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\ServiceCurrent)",
    R"(HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\ComputerName\ActiveComputerName)",
    R"(HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\DeviceClasses\*\*\#\Control)",
    R"(HKEY_LOCAL_MACHINE\System\ControlSet001\Control\DeviceClasses\*\*\#\Control)",
    R"(HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\Video)",
    R"(HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\NetworkCards)",
    R"(HKEY_LOCAL_MACHINE\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion\NetworkCards)",
    R"(HKEY_CURRENT_USER\Software\Wine\Temporary System Parameters)",
    R"(HKEY_CURRENT_USER\Software\Wine\Fonts\Cache)",
    R"(HKEY_USERS\S-1-5-21-0-0-0-1000\Software\Wine\Temporary System Parameters)",
    R"(HKEY_USERS\S-1-5-21-0-0-0-1000\Software\Wine\Fonts\Cache)",
};

/// Keys that vastrel.exe cannot list under Wine and the Linux build reads
/// from the files, as both name them: Perflib\009, which opens but cannot be
/// queried.
inline const std::vector<std::string> kKeysVastrelExeCannotOpen = {
    R"(HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\Perflib\009)",
    R"(HKEY_LOCAL_MACHINE\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion\Perflib\009)",
};

/// True when `path` is `key` or, with `orBelow`, lies below it; names match
/// without regard to case.
inline bool InKey(const std::string& path, const std::string& key, bool orBelow = true) {
  auto names = [](const std::string& text) {
    std::vector<std::string> names;
    for (std::size_t start = 0, stop = 0; stop != std::string::npos; start = stop + 1)
      names.push_back(text.substr(start, (stop = text.find('\\', start)) - start));
    return names;
  };
  std::vector<std::string> have = names(path), want = names(key);
  if (have.size() < want.size() || (!orBelow && have.size() != want.size())) return false;
  for (std::size_t i = 0; i < want.size(); ++i) {
    if (want[i] == "*") continue;
    if (have[i].size() != want[i].size()) return false;
    for (std::size_t j = 0; j < want[i].size(); ++j)
      if (std::tolower(static_cast<unsigned char>(have[i][j])) != std::tolower(static_cast<unsigned char>(want[i][j])))
        return false;
  }
  return true;
}

}  // namespace test
