#pragma once
// Key paths: "" for the level above the root keys, otherwise a root key name
// followed by backslash-separated subkey names.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

/// Appends the components of `text` to `components`. Empty components count
/// (a leading backslash, two backslashes inside) except a trailing one; a
/// text that starts with two backslashes starts with the component "\".
void SplitKeyPath(const std::string& text, std::vector<std::string>& components);

/// Joins `count` components from `start` on with backslashes; a count that
/// runs past the end is cut to what is there. Raises InvalidArgumentError
/// when `start` lies past the end of the list.
std::string JoinKeyPath(const std::vector<std::string>& components, std::size_t start,
                        std::size_t count);

/// The first component of `path` and the rest joined again, as SplitKeyPath
/// and JoinKeyPath(components, 1, ...) give them, without a list of parts:
/// every key the walks open goes through here. `path` is not empty.
void SplitRootKeyPath(const std::string& path, std::string& rootName, std::string& subKey);

/// The path of subkey `name` below `parent` ("" is the level above the roots).
std::string ChildKeyPath(const std::string& parent, std::string_view name);
