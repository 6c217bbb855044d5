#pragma once
// The registry of a Wine prefix as a Windows program in it sees the registry:
// its three files, read into memory, behind the five root keys.

#include <string>

#include "platform/memory_registry.h"

namespace platform::posix {

/// The key below HKEY_USERS that user.reg holds, and that is HKEY_CURRENT_USER.
constexpr const char* kPrefixUserSid = "S-1-5-21-0-0-0-1000";

/// Reads the registry files of the prefix folder `prefix` into `registry`,
/// which is new. Returns the number of bytes of registry text read.
unsigned long long LoadPrefixRegistry(const std::string& prefix, MemoryRegistry& registry);

}  // namespace platform::posix
