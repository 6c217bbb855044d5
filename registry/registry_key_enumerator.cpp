#include "registry/registry_key_enumerator.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

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

// How often a value that keeps growing while it is read is tried again.
constexpr int kMoreDataRetries = 4;

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
  TakeSpare(room_.spareListed_, listed_, 0);
  listedKeys_ = false;
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
  // The counts are those of the key's opening. On a live system entries go
  // and come meanwhile: past the last entry left the registry answers 259
  // (or 2), and 1018 for a key deleted while it is listed. What went is
  // gone, not an error; but the entries after it moved up into places that
  // were read already, so a range that ends before its count is read once
  // more from its start, for what was passed over.
  while (index < valueCount || index - valueCount < subkeyCount) {
    const bool values = index < valueCount;
    const std::uint32_t position = rescanning_ ? rescanPosition_ : values ? index : index - valueCount;
    if (values ? ReadValue(position) : ReadSubkey(position)) {
      if (rescanning_) {
        ++rescanPosition_;
        if (listedSet_.contains(std::hash<std::string_view>{}(current.name))) continue;
      } else {
        ++index;
        if (listedKeys_ != !values) {  // the first entry of the subkeys
          listed_.clear();
          listedKeys_ = !values;
        }
        if (!listed_.empty() && current.name == lastListed_) {
          // Given again in the next place: an entry came before it, and the
          // range holds one more than counted.
          ++(values ? valueCount : subkeyCount);
          continue;
        }
        listed_.push_back(std::hash<std::string_view>{}(current.name));
        lastListed_ = current.name;
      }
      platform::SetLastError(platform::kErrorSuccess);
      return true;
    }
    std::uint32_t error = platform::GetLastError();
    if (error == platform::kErrorKeyDeleted) break;
    if (error != platform::kErrorNoMoreItems && error != platform::kErrorFileNotFound) return false;
    if (!rescanning_) {
      StartRescan();
      continue;
    }
    // The range is done: on to the subkeys, or the end.
    rescanning_ = false;
    index = values ? valueCount : valueCount + subkeyCount;
    listed_.clear();
  }
  index = valueCount + subkeyCount;
  rescanning_ = false;
  platform::SetLastError(platform::kErrorNoMoreFiles);
  return false;
}

void RegistryKeyEnumerator::StartRescan() {
  rescanning_ = true;
  rescanPosition_ = 0;
  listedSet_.clear();
  listedSet_.insert(listed_.begin(), listed_.end());
}

bool RegistryKeyEnumerator::ReadValue(std::uint32_t position) {
  platform::Registry& registry = platform::Reg();
  const auto nameSize = static_cast<std::uint32_t>(nameBuffer_.size());
  std::uint32_t nameLength = nameSize;
  std::uint32_t type = 0;
  std::uint32_t dataLength = dataCapacity;
  std::uint32_t error = registry.EnumValue(keyHandle_, position, nameBuffer_.data(), &nameLength,
                                           &type, data_.data(), &dataLength);
  // The value grew since the key was queried: another try with room for
  // what it needs now, as long as it goes on growing, a few times at most.
  // (A name too long for the buffer answers 234 too, with data that fit.)
  for (int retry = 0; error == platform::kErrorMoreData && dataLength > dataCapacity && retry < kMoreDataRetries;
       ++retry) {
    dataCapacity = RoomFor(dataLength);
    data_.clear();
    data_.shrink_to_fit();
    data_.assign(dataCapacity, 0);
    nameLength = nameSize;
    dataLength = dataCapacity;
    error = registry.EnumValue(keyHandle_, position, nameBuffer_.data(), &nameLength, &type,
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
  return true;
}

bool RegistryKeyEnumerator::ReadSubkey(std::uint32_t position) {
  const auto nameSize = static_cast<std::uint32_t>(nameBuffer_.size());
  std::uint32_t error = platform::Reg().EnumKey(keyHandle_, position, nameBuffer_.data(), nameSize);
  if (error != platform::kErrorSuccess) {
    platform::SetLastError(error);
    return false;
  }
  current.Clear();
  current.isKey = 1;
  const char* name = nameBuffer_.data();
  current.name.assign(name, std::find(name, name + nameSize, '\0'));
  return true;
}

void RegistryKeyEnumerator::Close() {
  GiveBack(room_.spareDataBuffers_, data_);
  GiveBack(room_.spareNameBuffers_, nameBuffer_);
  GiveBack(room_.spareListed_, listed_);
  listedSet_.clear();
  rescanning_ = false;
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
