#pragma once
// The five root keys, in the order in which the level above them is listed.

#include <string>

#include "platform/registry.h"

struct RootKey {
  const char* name;
  platform::RegistryKey handle;
};

// The performance-data root (0x80000004) has no row: it is never listed, and a
// path that begins with its name is not a registry path.
inline constexpr RootKey RootKeyTable[] = {
    {"HKEY_CLASSES_ROOT", platform::kClassesRoot},
    {"HKEY_CURRENT_USER", platform::kCurrentUser},
    {"HKEY_LOCAL_MACHINE", platform::kLocalMachine},
    {"HKEY_USERS", platform::kUsers},
    {"HKEY_CURRENT_CONFIG", platform::kCurrentConfig},
};
inline constexpr unsigned kRootKeyCount = sizeof RootKeyTable / sizeof RootKeyTable[0];

/// The handle of the root key named exactly `name` (letter case counts), or 0.
platform::RegistryKey FindRootKey(const std::string& name);
