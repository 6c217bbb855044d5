#include "registry/registry_entry.h"

#include <cstring>

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
