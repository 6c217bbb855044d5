#pragma once
// The entries of a saved INI file that no live entry has claimed yet, in file
// order. Each live entry claims the first unclaimed one with its section and
// key; an index finds that one at once instead of searching the whole list,
// which keeps a comparison of large files linear.

#include <cstddef>
#include <deque>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ini/ini_entry.h"

class IniEntryList {
 public:
  IniEntryList() = default;
  IniEntryList(const IniEntryList&) = delete;  // the index points into the entries
  IniEntryList& operator=(const IniEntryList&) = delete;

  void Append(const IniEntry& entry);
  /// Removes from the list the first entry with `entry`'s section and key and
  /// returns it (it stays valid as long as the list), or null when none is left.
  const IniEntry* TakeSameKey(const IniEntry& entry);
  /// Calls `visit` with each entry still in the list, in file order.
  template <typename Visit>
  void ForEach(Visit visit) const {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      if (!isTaken_[i]) visit(entries_[i]);
    }
  }

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  // Views of an entry's own strings; entries never move (a deque).
  struct SectionAndKey {
    std::string_view section;
    std::string_view key;
    bool operator==(const SectionAndKey&) const = default;
  };
  struct SectionAndKeyHash {
    std::size_t operator()(const SectionAndKey& k) const;
  };
  // The entries left with one section and key, linked in file order.
  struct Chain {
    std::size_t first = kNone;
    std::size_t last = kNone;
  };

  std::deque<IniEntry> entries_;
  std::vector<std::size_t> nextSameKey_;
  std::vector<bool> isTaken_;
  std::unordered_map<SectionAndKey, Chain, SectionAndKeyHash> index_;
};
