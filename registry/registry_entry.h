#pragma once
// One registry value or subkey, as every registry walk carries it: the live
// walks, the snapshot (WriteTo, ReadFrom) and the REGEDIT4 reports (WriteAsReg).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class File;

class RegistryEntry {
 public:
  RegistryEntry() = default;
  RegistryEntry(const RegistryEntry& other) { CopyFrom(other); }
  RegistryEntry& operator=(const RegistryEntry& other) {
    if (this != &other) CopyFrom(other);
    return *this;
  }
  RegistryEntry(RegistryEntry&&) noexcept = default;
  RegistryEntry& operator=(RegistryEntry&&) noexcept = default;
  ~RegistryEntry() = default;

  /// Back to the new state: a value with no name, type 0 and no data.
  void Clear();
  /// Copies `other` deeply.
  void CopyFrom(const RegistryEntry& other);
  /// Replaces the data with a copy of `length` bytes.
  void SetData(const void* bytes, std::uint32_t length);
  bool IsValue() const { return isKey == 0; }
  /// Same kind and the same name (letter case counts); for values also the
  /// same type and the same data bytes.
  bool Equals(const RegistryEntry& other) const;
  /// Whether the subkey this entry names below `parentPath` can be opened and
  /// queried; true for values and at the level above the roots. Sets the
  /// thread's last error to what the registry answered.
  bool CanOpen(const std::string& parentPath) const;
  /// CanOpen, and when it fails the walks' inaccessible-path message.
  bool CanOpenOrSay(const std::string& parentPath) const;

  /// Appends this entry's snapshot record; a key remembers in `type` where its
  /// child offset is to be filled in.
  void WriteTo(File& file);
  /// Reads one snapshot record into this (cleared) entry; `fileLength` bounds
  /// every length read. A key receives its child offset in `type`.
  void ReadFrom(File& file, std::uint64_t fileLength);

  /// Writes the entry as REGEDIT4: a value line, preceded by the header of
  /// `keyPath` when that is not null; or, for a key, the header of the
  /// subkey below `keyPath` (nothing when `keyPath` is null).
  void WriteAsReg(File& file, const char* keyPath) const;

  std::uint32_t isKey = 0;  // 1 for a subkey or a root key
  std::string name;         // empty for a key's default value
  // A value's registry type. For a key: the position of its child-offset slot
  // while the snapshot is written, the child offset once it has been read.
  std::uint32_t type = 0;
  std::uint32_t dataLength = 0;
  std::unique_ptr<std::uint8_t[]> data;  // dataLength bytes, or none

  /// Room for `length` bytes of data at `data`, kept from the last value
  /// when it is large enough: a walk reads millions of values into one entry.
  std::uint8_t* MakeRoom(std::uint32_t length);

 private:
  std::uint32_t dataCapacity_ = 0;
};

/// Entries held by value, in order; copies are deep.
using RegistryEntryArray = std::vector<RegistryEntry>;
