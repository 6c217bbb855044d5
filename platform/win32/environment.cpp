#include "platform/environment.h"

#include <vector>

#include "platform/win32/wide_text.h"
#include "platform/win32/windows_api.h"

#include <sddl.h>

namespace platform {
namespace {

// A variable of the process environment in UTF-8; one set to the empty
// string is taken as it is.
std::optional<std::string> FromEnvironment(const wchar_t* name) {
  std::vector<wchar_t> value(256);
  for (;;) {
    ::SetLastError(ERROR_SUCCESS);
    DWORD length = ::GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    if (length == 0 && ::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    if (length < value.size()) {
      std::string text;
      win32::ToUtf8(value.data(), length, text);
      return text;
    }
    value.resize(length);  // the room it needs, terminator included
  }
}

}  // namespace

std::optional<std::string> GetWindowsFolder() { return FromEnvironment(L"WINDIR"); }
std::optional<std::string> GetProgramFilesFolder() { return FromEnvironment(L"ProgramFiles"); }
std::optional<std::string> GetProgramFilesX86Folder() { return FromEnvironment(L"ProgramFiles(x86)"); }

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
    win32::ToUtf8(text, std::char_traits<wchar_t>::length(text), sid);
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
