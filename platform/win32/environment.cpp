#include "platform/environment.h"

#include <cstdlib>

#include "platform/text.h"
#include "platform/win32/windows_api.h"

#include <sddl.h>

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

std::string GetCurrentUserSid() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  std::string sid;
  DWORD size = 0;
  ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::string buffer(size, '\0');
  wchar_t* text = nullptr;
  if (size != 0 && ::GetTokenInformation(token, TokenUser, buffer.data(), size, &size) &&
      ::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
    sid = Utf16ToUtf8(reinterpret_cast<const char16_t*>(text));
    ::LocalFree(text);
  }
  ::CloseHandle(token);
  return sid;
}

unsigned GetPlatformId() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  ::GetVersionExA(&version);
  return version.dwPlatformId;
}

// The system inspected is the one vastrel runs on, so there always is one.
bool CheckSystem(std::string&) { return true; }

}  // namespace platform
