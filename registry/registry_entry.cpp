#include "registry/registry_entry.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/last_error.h"
#include "platform/registry.h"
#include "registry/key_path.h"
#include "registry/root_key_table.h"

void RegistryEntry::Clear() {
  isKey = 0;
  name.clear();
  type = 0;
  dataLength = 0;
}

std::uint8_t* RegistryEntry::MakeRoom(std::uint32_t length) {
  if (!data || length > dataCapacity_) {
    data.reset();
    dataCapacity_ = 0;
    data = std::make_unique_for_overwrite<std::uint8_t[]>(length);
    dataCapacity_ = length;
  }
  return data.get();
}

void RegistryEntry::CopyFrom(const RegistryEntry& other) {
  Clear();
  isKey = other.isKey;
  name = other.name;
  type = other.type;
  if (other.dataLength != 0) SetData(other.data.get(), other.dataLength);
}

void RegistryEntry::SetData(const void* bytes, std::uint32_t length) {
  dataLength = 0;
  if (length != 0) std::memcpy(MakeRoom(length), bytes, length);
  dataLength = length;
}

bool RegistryEntry::Equals(const RegistryEntry& other) const {
  if (isKey != other.isKey || name != other.name) return false;
  if (isKey) return true;
  if (type != other.type || dataLength != other.dataLength) return false;
  return dataLength == 0 || std::memcmp(data.get(), other.data.get(), dataLength) == 0;
}

bool RegistryEntry::CanOpen(const std::string& parentPath) const {
  if (IsValue() || parentPath.empty()) return true;
  // Kept from call to call: a walk asks this of every subkey.
  static thread_local std::string rootName, subKey;
  SplitRootKeyPath(parentPath, rootName, subKey);
  platform::RegistryKey root = FindRootKey(rootName);
  if (root == 0) {
    platform::SetLastError(platform::kErrorPathNotFound);
    return false;
  }
  if (!subKey.empty()) subKey.push_back('\\');
  subKey.append(name);

  platform::Registry& registry = platform::Reg();
  platform::RegistryKey key = 0;
  std::uint32_t error = registry.OpenKey(root, subKey.c_str(), &key);
  if (error == platform::kErrorSuccess) {
    // A key that opens but cannot be queried cannot be listed either; the
    // walks skip it rather than stopping at it. Its class is not asked for:
    // a class too long for a buffer would make the query fail.
    error = registry.QueryInfoKey(key, nullptr, nullptr, nullptr);
    registry.CloseKey(key);
  }
  platform::SetLastError(error);
  return error == platform::kErrorSuccess;
}

bool RegistryEntry::CanOpenOrSay(const std::string& parentPath) const {
  if (CanOpen(parentPath)) return true;
  std::printf("\b \n Inacessible path error=%d\n%s\\%s\n", static_cast<int>(platform::GetLastError()),
              parentPath.c_str(), name.c_str());
  return false;
}
