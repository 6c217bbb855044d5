#pragma once
// A walk of the whole registry that writes every key and value as text, for
// comparing two ways of reading one registry: written once over the registry
// service's interface, so that both sides walk alike.
//
// Each key gives a line "[path] keys=N values=N max=N" (or "[path] error N"),
// then one line per value: "name|type|hex data". Bytes outside printable
// ASCII are written as %NN in key paths (and so is %), so that every
// backslash there separates two names, and as \xNN in value names (and so
// are backslashes and bars). The keys where the two sides differ by nature
// are left out, and not counted in their parent's N: those that only a
// running Wine has, and Perflib\009, which opens under Wine but cannot be
// queried.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "test/wine/wine_keys.h"

namespace registry_walk {

inline std::string Escape(const char* text, std::size_t length, bool isPath = false) {
  std::string out;
  char hex[8];
  for (std::size_t i = 0; i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    bool plain = c >= 0x20 && c < 0x7f && (isPath ? c != '%' : c != '\\' && c != '|');
    std::snprintf(hex, sizeof hex, isPath ? "%%%02x" : "\\x%02x", c);
    out += plain ? std::string(1, static_cast<char>(c)) : std::string(hex);
  }
  return out;
}

inline bool Skipped(const std::string& path) {
  for (const std::string& key : test::kKeysOnlyWhileWineRuns)
    if (test::InKey(path, key)) return true;
  return path.ends_with("\\Perflib\\009");
}

inline void WalkKey(platform::Registry& registry, platform::RegistryKey root, const std::string& path,
                    const std::string& subPath, std::string& out) {
  out += "[" + Escape(path.data(), path.size(), true) + "] ";
  platform::RegistryKey key;
  if (std::uint32_t error = registry.OpenKey(root, subPath.c_str(), &key)) {
    out += "error " + std::to_string(error) + "\n";
    return;
  }
  char className[260];
  std::uint32_t classLength = sizeof className;
  platform::RegistryKeyInfo info;
  if (std::uint32_t error = registry.QueryInfoKey(key, className, &classLength, &info)) {
    out += "query error " + std::to_string(error) + "\n";
    registry.CloseKey(key);
    return;
  }
  std::vector<std::string> names;
  std::vector<char> name(32768);
  std::uint32_t error = 0, skipped = 0;
  for (std::uint32_t i = 0; (error = registry.EnumKey(key, i, name.data(), 2048)) == 0; ++i) {
    // A name that a NUL cuts short to nothing would open this key again.
    if (name[0] == 0 || Skipped(path + "\\" + name.data()))
      ++skipped;
    else
      names.push_back(name.data());
  }
  out += "keys=" + std::to_string(info.subKeys - skipped) + " values=" + std::to_string(info.values) +
         " max=" + std::to_string(info.maxValueLength) + "\n";
  if (error != 259) out += "  key error " + std::to_string(error) + "\n";
  std::vector<std::uint8_t> data(2 * info.maxValueLength + 2);
  for (std::uint32_t i = 0;; ++i) {
    // Data in UTF-8 takes at most twice the bytes the registry tells in UTF-16.
    std::uint32_t nameLength = static_cast<std::uint32_t>(name.size()), type = 0,
                  dataLength = static_cast<std::uint32_t>(data.size());
    error = registry.EnumValue(key, i, name.data(), &nameLength, &type, data.data(), &dataLength);
    if (error) {
      if (error != 259) out += "  value " + std::to_string(i) + " error " + std::to_string(error) + "\n";
      break;
    }
    out += Escape(name.data(), nameLength) + "|" + std::to_string(type) + "|";
    char hex[4];
    for (std::uint32_t k = 0; k < dataLength; ++k) out += (std::snprintf(hex, sizeof hex, "%02x", data[k]), hex);
    out += "\n";
  }
  registry.CloseKey(key);
  for (const std::string& child : names)
    WalkKey(registry, root, path + "\\" + child, subPath.empty() ? child : subPath + "\\" + child, out);
}

inline std::string WalkAll(platform::Registry& registry) {
  std::string out;
  for (auto [root, name] : {std::pair{platform::kClassesRoot, "HKEY_CLASSES_ROOT"},
                            {platform::kCurrentUser, "HKEY_CURRENT_USER"},
                            {platform::kLocalMachine, "HKEY_LOCAL_MACHINE"},
                            {platform::kUsers, "HKEY_USERS"},
                            {platform::kCurrentConfig, "HKEY_CURRENT_CONFIG"}})
    WalkKey(registry, root, name, "", out);
  return out;
}

}  // namespace registry_walk
