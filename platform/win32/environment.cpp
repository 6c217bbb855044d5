#include "platform/environment.h"

#include <cstdlib>

#include "platform/win32/windows_api.h"

namespace platform {
namespace {
std::optional<std::string> FromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (!value) return std::nullopt;
  return std::string(value);
}
}  // namespace

std::optional<std::string> GetWindowsFolder() { return FromEnvironment("WINDIR"); }
std::optional<std::string> GetProgramFilesFolder() { return FromEnvironment("ProgramFiles"); }

unsigned GetPlatformId() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  ::GetVersionExA(&version);
  return version.dwPlatformId;
}

// The system inspected is the one vastrel runs on, so there always is one.
bool CheckSystem(std::string&) { return true; }

}  // namespace platform
