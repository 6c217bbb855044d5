#pragma once
// The Wine prefix that the Linux build inspects, and how Windows paths name
// host paths in it.

#include <string>

namespace platform::posix {

/// The prefix folder: WINEPREFIX, or ~/.wine when it is unset, as in Wine.
std::string PrefixFolder();

/// Whether the prefix is a 32-bit one: its system.reg says "#arch=win32" in
/// the lines before its first key. Wine makes 64-bit prefixes unless asked,
/// and takes one without the line for one of its own kind.
bool IsPrefix32Bit();

/// The host path of a Windows path. "X:\a\b" lies below the prefix's
/// dosdevices/x:, a path that starts with one backslash on drive C:, and a
/// path that starts with "/" is a host path already. Each component that
/// does not exist with the exact name is looked up without regard to letter
/// case, as Wine does; one that is not found at all is kept as written.
std::string HostPath(const std::string& windowsPath);

/// A host file name as Windows programs see it: a backslash, which no Windows
/// name can hold, becomes U+F05C, as Wine shows it; HostPath maps it back.
std::string WindowsName(const std::string& hostName);

/// The host path of a drive's root ("C:\" and "C:" alike), or empty when
/// `windowsPath` names no drive root.
std::string DriveRootHostPath(const std::string& windowsPath);

/// A Win32 error number for an errno value. For ENOENT it tells a missing
/// file (2) from a missing folder on its path (3) by looking at `hostPath`.
unsigned ErrorFromErrno(int error, const std::string& hostPath = {});

}  // namespace platform::posix
