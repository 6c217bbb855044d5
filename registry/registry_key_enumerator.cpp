#include "registry/registry_key_enumerator.h"

#include <algorithm>
#include <cstdio>

#include "platform/last_error.h"
#include "registry/key_path.h"
#include "registry/root_key_table.h"

namespace {

constexpr std::uint32_t kNameBufferSize = 2048;
// The registry holds value names of up to 16,383 characters, and a single
// character takes at most 3 bytes in single-byte text (UTF-8 for a unit of
// UTF-16; a double-byte code page needs 2).
constexpr std::uint32_t kMaxNameLength = 16383;
constexpr std::uint32_t kMaxBytesPerCharacter = 3;

// Twice what the registry asked for plus 2, so that data growing a little
// between the query and the read still fits; held within 32 bits.
std::uint32_t RoomFor(std::uint32_t needed) {
  std::uint64_t room = std::uint64_t{needed} * 2 + 2;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(room, UINT32_MAX));
}

// A listing room keeps this many buffers of closed enumerators; large ones
// go back to the system.
constexpr std::size_t kSpareLimit = 64 * 1024;
constexpr std::size_t kSpareCount = 64;

template <typename Buffer>
void TakeSpare(std::vector<Buffer>& spares, Buffer& buffer, std::size_t size) {
  if (buffer.capacity() == 0 && !spares.empty()) {
    buffer = std::move(spares.back());
    spares.pop_back();
  }
  buffer.resize(size);  // what it held before does not matter
}

template <typename Buffer>
void GiveBack(std::vector<Buffer>& spares, Buffer& buffer) {
  if (buffer.capacity() != 0 && buffer.capacity() <= kSpareLimit && spares.size() < kSpareCount)
    spares.push_back(std::move(buffer));
  buffer = Buffer();
}

}  // namespace

bool RegistryKeyEnumerator::Open(const std::string& keyPath) {
  path = keyPath;
  Close();
  if (keyPath.empty()) {
    subkeyCount = kRootKeyCount;
    platform::SetLastError(platform::kErrorSuccess);
    return true;
  }

  // The room keeps the parts from call to call: a walk opens every key.
  std::string& subKey = room_.subKey_;
  SplitRootKeyPath(keyPath, room_.rootName_, subKey);
  rootHandle = FindRootKey(room_.rootName_);

  platform::Registry& registry = platform::Reg();
  if (rootHandle == 0) {
    // What the registry answers for a handle that is no root key.
    platform::SetLastError(platform::kErrorInvalidHandle);
    return false;
  }
  platform::RegistryKey key = 0;
  std::uint32_t error = registry.OpenKey(rootHandle, subKey.c_str(), &key);
  if (error != platform::kErrorSuccess) {
    rootHandle = 0;
    platform::SetLastError(error);
    return false;
  }
  // The class is not asked for: one too long for a buffer would fail the query.
  platform::RegistryKeyInfo info;
  error = registry.QueryInfoKey(key, nullptr, nullptr, &info);
  if (error != platform::kErrorSuccess) {
    registry.CloseKey(key);
    rootHandle = 0;
    platform::SetLastError(error);
    return false;
  }
  keyHandle_ = key;
  keyOpen_ = true;
  subkeyCount = info.subKeys;
  valueCount = info.values;
  dataCapacity = RoomFor(info.maxValueLength);
  TakeSpare(room_.spareDataBuffers_, data_, dataCapacity);
  // A buffer that cannot hold the longest name of this key would end its
  // listing there, and lose the rest of it.
  std::uint32_t longestName = std::min(std::max(info.maxValueNameLength, info.maxSubKeyLength), kMaxNameLength);
  TakeSpare(room_.spareNameBuffers_, nameBuffer_, std::max(kNameBufferSize, longestName * kMaxBytesPerCharacter + 1));
  platform::SetLastError(platform::kErrorSuccess);
  return true;
}

bool RegistryKeyEnumerator::Next() {
  if (!keyOpen_) {
    if (rootHandle == 0 && path.empty() && index < kRootKeyCount) {
      current.isKey = 1;
      current.name = RootKeyTable[index].name;
      ++index;
      platform::SetLastError(platform::kErrorSuccess);
      return true;
    }
    current.Clear();
    platform::SetLastError(platform::kErrorNoMoreFiles);
    return false;
  }
  if (index < valueCount) return ReadValue();
  if (index - valueCount < subkeyCount) return ReadSubkey();
  platform::SetLastError(platform::kErrorNoMoreFiles);
  return false;
}

bool RegistryKeyEnumerator::ReadValue() {
  platform::Registry& registry = platform::Reg();
  const auto nameSize = static_cast<std::uint32_t>(nameBuffer_.size());
  std::uint32_t nameLength = nameSize;
  std::uint32_t type = 0;
  std::uint32_t dataLength = dataCapacity;
  std::uint32_t error = registry.EnumValue(keyHandle_, index, nameBuffer_.data(), &nameLength,
                                           &type, data_.data(), &dataLength);
  if (error == platform::kErrorMoreData) {
    // The value grew since the key was queried: one more try with room for
    // what it needs now.
    dataCapacity = RoomFor(dataLength);
    data_.clear();
    data_.shrink_to_fit();
    data_.assign(dataCapacity, 0);
    nameLength = nameSize;
    dataLength = dataCapacity;
    error = registry.EnumValue(keyHandle_, index, nameBuffer_.data(), &nameLength, &type,
                               data_.data(), &dataLength);
  }
  if (error != platform::kErrorSuccess) {
    platform::SetLastError(error);
    return false;
  }
  current.Clear();
  current.isKey = 0;
  current.name.assign(nameBuffer_.data(), std::min(nameLength, nameSize - 1));
  current.type = type;
  current.SetData(data_.data(), std::min(dataLength, dataCapacity));
  ++index;
  platform::SetLastError(platform::kErrorSuccess);
  return true;
}

bool RegistryKeyEnumerator::ReadSubkey() {
  const auto nameSize = static_cast<std::uint32_t>(nameBuffer_.size());
  std::uint32_t error = platform::Reg().EnumKey(keyHandle_, index - valueCount, nameBuffer_.data(), nameSize);
  if (error != platform::kErrorSuccess) {
    platform::SetLastError(error);
    return false;
  }
  current.Clear();
  current.isKey = 1;
  const char* name = nameBuffer_.data();
  current.name.assign(name, std::find(name, name + nameSize, '\0'));
  ++index;
  platform::SetLastError(platform::kErrorSuccess);
  return true;
}

void RegistryKeyEnumerator::Close() {
  GiveBack(room_.spareDataBuffers_, data_);
  GiveBack(room_.spareNameBuffers_, nameBuffer_);
  dataCapacity = 0;
  if (keyOpen_) platform::Reg().CloseKey(keyHandle_);
  keyOpen_ = false;
  keyHandle_ = 0;
  rootHandle = 0;
  subkeyCount = 0;
  valueCount = 0;
  index = 0;
}

bool RegistryKeyEnumerator::CanOpenCurrent() {
  if (current.IsValue() || path.empty()) return true;
  std::string& subKey = room_.subKey_;
  SplitRootKeyPath(path, room_.rootName_, subKey);
  platform::RegistryKey root = FindRootKey(room_.rootName_);
  if (root == 0) {
    platform::SetLastError(platform::kErrorPathNotFound);
    return false;
  }
  if (!subKey.empty()) subKey.push_back('\\');
  subKey.append(current.name);

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

bool RegistryKeyEnumerator::CanOpenCurrentOrSay() {
  if (CanOpenCurrent()) return true;
  std::printf("\b \n Inacessible path error=%d\n%s\\%s\n", static_cast<int>(platform::GetLastError()),
              path.c_str(), current.name.c_str());
  return false;
}
