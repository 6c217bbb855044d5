#include "platform/environment.h"

#include <sys/stat.h>

#include <cstdlib>

#include "platform/posix/prefix.h"
#include "platform/posix/prefix_registry.h"

namespace platform {
namespace {
// What Wine gives a 64-bit program in the prefix when the variable is unset.
std::string FromEnvironment(const char* name, const char* wineDefault) {
  const char* value = std::getenv(name);
  return value ? value : wineDefault;
}
}  // namespace

std::optional<std::string> GetWindowsFolder() { return FromEnvironment("WINDIR", "C:\\windows"); }

std::optional<std::string> GetProgramFilesFolder() {
  return FromEnvironment("ProgramFiles", "C:\\Program Files");
}

// Wine gives a 64-bit program this variable in a 64-bit prefix only.
std::optional<std::string> GetProgramFilesX86Folder() {
  if (const char* value = std::getenv("ProgramFiles(x86)")) return value;
  if (posix::IsPrefix32Bit()) return std::nullopt;
  return "C:\\Program Files (x86)";
}

std::string GetCurrentUserSid() { return posix::kPrefixUserSid; }

unsigned GetPlatformId() { return 2; }  // Wine presents the NT family

bool CheckSystem(std::string& message) {
  std::string prefix = posix::PrefixFolder();
  struct stat st;
  if (stat((prefix + "/system.reg").c_str(), &st) == 0 && S_ISREG(st.st_mode)) return true;
  message = "No Wine prefix in " + prefix +
            " (it holds no system.reg); set WINEPREFIX to the prefix to inspect.";
  return false;
}

}  // namespace platform
