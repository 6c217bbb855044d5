#pragma once
// A registry held in memory. The Linux build serves a Wine prefix's registry
// files through it; tests build registries with it.
//
// Key paths here are full paths that start with a root name
// ("HKEY_CURRENT_USER\Software\Sample"). Key and value names are matched
// without regard to letter case; the first spelling is kept. Subkeys and
// values are listed in Wine's order (names compared as UTF-16 units after
// lower-casing, shorter prefix first).

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace platform {

class MemoryRegistry : public Registry {
 public:
  /// A key, which stays where it is until the registry ends.
  struct Key;

  /// Five empty root keys, each a key of its own.
  MemoryRegistry();
  ~MemoryRegistry() override;

  /// The key at `path`, created with every key on its path when missing.
  Key* AddKey(std::string_view path);
  /// Sets a value (creating the key), replacing one of the same name.
  void SetValue(std::string_view keyPath, std::string_view name, std::uint32_t type,
                const std::vector<std::uint8_t>& data);
  /// REG_SZ (or `type`) with its terminating NUL.
  void SetString(std::string_view keyPath, std::string_view name, std::string_view text,
                 std::uint32_t type = kRegSz);
  void SetDword(std::string_view keyPath, std::string_view name, std::uint32_t value);
  void DeleteValue(std::string_view keyPath, std::string_view name);
  /// Deletes the key and all below it; keys still open there fail with 1018.
  void DeleteKey(std::string_view path);
  /// Makes root `root` show the key at `path` (HKEY_CLASSES_ROOT as
  /// HKEY_LOCAL_MACHINE\Software\Classes, and so on).
  void AliasRoot(RegistryKey root, std::string_view path);

  std::uint32_t OpenKey(RegistryKey parent, const char* subKey, RegistryKey* result) override;
  std::uint32_t QueryInfoKey(RegistryKey key, char* className, std::uint32_t* classLength,
                             RegistryKeyInfo* info) override;
  std::uint32_t EnumValue(RegistryKey key, std::uint32_t index, char* name, std::uint32_t* nameLength,
                          std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataLength) override;
  std::uint32_t EnumKey(RegistryKey key, std::uint32_t index, char* name, std::uint32_t nameSize) override;
  std::uint32_t CloseKey(RegistryKey key) override;

  // Building key by key, for loaders of large registries: no path is parsed
  // again for each value.
  /// The key a root handle stands for (an alias's target, created if missing).
  Key* RootKey(RegistryKey root);
  /// The subkey `name` of `parent`, created when missing.
  Key* AddSubkey(Key* parent, std::string_view name);
  /// Sets a value, replacing one of the same name. `storedLength` is the
  /// data's size as the registry holds it (UTF-16 for string types), which
  /// QueryInfoKey reports as the largest value data length.
  void SetValue(Key* key, std::string_view name, std::uint32_t type, std::string_view data,
                std::uint32_t storedLength);
  void SetClass(Key* key, std::string_view className);
  /// The type and data of the value `name` of `key`; false when it has none.
  bool GetValue(const Key* key, std::string_view name, std::uint32_t& type, std::string_view& data) const;
  /// Makes `key` a link key: opening it lands on `target` (a full path as
  /// above); a missing target makes the open fail with 2.
  void MakeLink(Key* key, std::string_view target);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
