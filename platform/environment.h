#pragma once
// The process environment and the operating system's identity.

#include <optional>
#include <string>

namespace platform {

/// The Windows folder (WINDIR) and the program-files folder (ProgramFiles).
/// A variable that is set, even to the empty string, is taken as it is; an
/// unset one gives what the platform's own programs would see, or nothing.
std::optional<std::string> GetWindowsFolder();
std::optional<std::string> GetProgramFilesFolder();
/// The program-files folder of 32-bit software (ProgramFiles(x86)), which a
/// 64-bit system has beside the other; nothing on a 32-bit one.
std::optional<std::string> GetProgramFilesX86Folder();

/// The current user's key below HKEY_USERS, which HKEY_CURRENT_USER shows:
/// the user's security identifier ("S-1-5-21-..."), or empty when unknown.
std::string GetCurrentUserSid();

/// The platform identifier of the version record: 2 for the NT family.
unsigned GetPlatformId();

/// Checks that there is a system to inspect before a capture or a comparison.
/// On failure fills `message` with one line (no line end) that says why.
bool CheckSystem(std::string& message);

}  // namespace platform
