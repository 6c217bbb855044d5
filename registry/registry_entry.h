#pragma once
// One registry value or subkey, as every registry walk carries it: the live
// walks, the snapshot and the REGEDIT4 reports.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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
  /// For a key read from the snapshot: where its own block starts, 0 or the
  /// file's length when the capture never wrote it. A key has no type, so
  /// the offset is kept where a value keeps its type.
  std::uint32_t childOffset() const { return type; }
  void SetChildOffset(std::uint32_t offset) { type = offset; }

  std::uint32_t isKey = 0;  // 1 for a subkey or a root key
  std::string name;         // empty for a key's default value
  std::uint32_t type = 0;   // a value's registry type; a key's child offset
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
