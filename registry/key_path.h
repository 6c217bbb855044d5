#pragma once
// Key paths: "" for the level above the root keys, otherwise a root key name
// followed by backslash-separated subkey names.

#include <string>
#include <string_view>

/// Splits `path` (not empty) into its root key name and the subkey path below
/// it. The path is read as parts between backslashes, empty ones included but
/// a trailing one; one that starts with two backslashes has the root "\". No
/// list of parts is made: every key the walks open goes through here.
void SplitRootKeyPath(const std::string& path, std::string& rootName, std::string& subKey);

/// The path of subkey `name` below `parent` ("" is the level above the roots).
std::string ChildKeyPath(const std::string& parent, std::string_view name);
