#pragma once
// Lists one live key: all its values, then all its subkeys. The empty path
// lists the five root keys. Every outcome is also left as the thread's last
// error: 0 for an entry, 18 at the normal end, the registry's code otherwise.

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/registry.h"
#include "registry/registry_entry.h"

/// Whether `error`, met opening or listing a key that was there a moment
/// before, says that the key has gone since: 2 (not found) or 1018 (deleted).
inline bool IsGoneError(std::uint32_t error) {
  return error == platform::kErrorFileNotFound || error == platform::kErrorKeyDeleted;
}

/// What every listing of one walk reuses: the buffers of closed enumerators,
/// which the next one to open takes again (a walk opens every key and holds
/// one enumerator per level at a time), and room to split a key path in. A
/// walk holds one and lends it to each enumerator it opens; it outlives them.
class ListingRoom {
 private:
  friend class RegistryKeyEnumerator;
  std::vector<std::vector<char>> spareNameBuffers_;
  std::vector<std::vector<std::uint8_t>> spareDataBuffers_;
  std::vector<std::vector<std::size_t>> spareListed_;
  std::string rootName_;
  std::string subKey_;
};

class RegistryKeyEnumerator {
 public:
  explicit RegistryKeyEnumerator(ListingRoom& room) : room_(room) {}
  RegistryKeyEnumerator(const RegistryKeyEnumerator&) = delete;
  RegistryKeyEnumerator& operator=(const RegistryKeyEnumerator&) = delete;
  ~RegistryKeyEnumerator() { Close(); }

  /// Positions before the first entry of the key at `keyPath`; false with
  /// the registry's code when it cannot be opened or queried.
  bool Open(const std::string& keyPath);
  /// Produces the next entry into `current`.
  bool Next();
  /// Releases the key and gives the buffers back to the room.
  void Close();

  /// Whether the subkey `current` names can be opened and queried; true for
  /// values and at the level above the roots. Sets the thread's last error to
  /// what the registry answered.
  bool CanOpenCurrent();
  /// CanOpenCurrent, and when it fails the walks' inaccessible-path message.
  bool CanOpenCurrentOrSay();

  RegistryEntry current;
  std::string path;
  std::uint32_t index = 0;  // values first, then subkeys
  platform::RegistryKey rootHandle = 0;  // 0 at the root level
  std::uint32_t subkeyCount = 0;
  std::uint32_t valueCount = 0;
  std::uint32_t dataCapacity = 0;

 private:
  // Read the entry at `position` of the values or the subkeys into `current`.
  bool ReadValue(std::uint32_t position);
  bool ReadSubkey(std::uint32_t position);
  // Starts the second reading of a range that ended before its count.
  void StartRescan();

  ListingRoom& room_;
  platform::RegistryKey keyHandle_ = 0;
  bool keyOpen_ = false;
  std::vector<std::uint8_t> data_;
  // Held apart from the object so that a deep walk, one enumerator per
  // level, does not fill the stack.
  std::vector<char> nameBuffer_;
  // The names given out in the range being read (values, then subkeys): the
  // hash of each, the last one whole, and for the range's second reading,
  // when entries went while it was read, the set of the hashes. (A name is
  // never given twice; one that shares its hash with another may, on that
  // second reading only, be taken for that one.)
  std::vector<std::size_t> listed_;
  bool listedKeys_ = false;  // whether listed_ holds subkeys
  std::string lastListed_;
  std::unordered_set<std::size_t> listedSet_;
  bool rescanning_ = false;
  std::uint32_t rescanPosition_ = 0;
};
