#pragma once
// A key of a registry as a Windows program lists it, for tests to compare
// with what they expect: subkey names, then values with type and data.

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace test {

struct ListedValue {
  std::string name;
  std::uint32_t type = 0;
  std::string data;
  bool operator==(const ListedValue&) const = default;
  friend std::ostream& operator<<(std::ostream& out, const ListedValue& value) {
    out << value.name << "=" << value.type << ":";
    for (char c : value.data) out << (c >= 0x20 && c < 0x7f ? std::string(1, c) : "\\x" + std::to_string(+static_cast<unsigned char>(c)));
    return out;
  }
};

/// The error of opening `path` below `root`; a key opened is closed again.
inline std::uint32_t OpenError(platform::Registry& registry, platform::RegistryKey root, const char* path) {
  platform::RegistryKey key = 0;
  std::uint32_t error = registry.OpenKey(root, path, &key);
  if (error == 0) registry.CloseKey(key);
  return error;
}

/// The subkey names of the key at `path` below `root` (an open key or a
/// root handle) in the order it lists them; {"<error N>"} when it cannot be
/// opened.
inline std::vector<std::string> ListSubkeys(platform::Registry& registry, platform::RegistryKey root,
                                            const char* path) {
  platform::RegistryKey key = 0;
  if (std::uint32_t error = registry.OpenKey(root, path, &key)) return {"<error " + std::to_string(error) + ">"};
  std::vector<std::string> names;
  char name[2048];
  for (std::uint32_t i = 0; registry.EnumKey(key, i, name, sizeof name) == 0; ++i) names.push_back(name);
  registry.CloseKey(key);
  return names;
}

/// The values of the key at `path` below `root`, in the order it lists them;
/// none when it cannot be opened.
inline std::vector<ListedValue> ListValues(platform::Registry& registry, platform::RegistryKey root,
                                           const char* path) {
  std::vector<ListedValue> values;
  platform::RegistryKey key = 0;
  if (registry.OpenKey(root, path, &key) != 0) return values;
  char name[2048];
  std::vector<std::uint8_t> data(1 << 16);
  for (std::uint32_t i = 0;; ++i) {
    std::uint32_t nameLength = sizeof name, dataLength = static_cast<std::uint32_t>(data.size()), type = 0;
    if (registry.EnumValue(key, i, name, &nameLength, &type, data.data(), &dataLength) != 0) break;
    values.push_back({std::string(name, nameLength), type, std::string(data.begin(), data.begin() + dataLength)});
  }
  registry.CloseKey(key);
  return values;
}

/// Text data as the registry holds it: with its terminating NUL.
inline std::string Sz(const std::string& text) { return text + '\0'; }

}  // namespace test
