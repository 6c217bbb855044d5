#pragma once
// The entries of a saved INI file that no live entry has claimed yet, in file
// order. Each live entry claims the first unclaimed one with its section and
// key; an index finds that one at once instead of searching the whole list,
// which keeps a comparison of large files linear.

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "ini/ini_entry.h"

class IniEntryList {
 public:
  void Append(const IniEntry& entry);
  /// Removes and returns the first entry in the list with `entry`'s section
  /// and key, if there is one.
  std::optional<IniEntry> TakeSameKey(const IniEntry& entry);
  /// How many entries are still in the list.
  std::size_t Size() const { return entries_.size() - taken_; }

  /// Calls `visit` with each entry still in the list, in file order.
  template <typename Visit>
  void ForEach(Visit visit) const {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      if (!isTaken_[i]) visit(entries_[i]);
    }
  }

 private:
  struct SectionAndKey {
    std::string section;
    std::string key;
    bool operator==(const SectionAndKey&) const = default;
  };
  struct SectionAndKeyHash {
    std::size_t operator()(const SectionAndKey& k) const;
  };
  // Positions of the entries with one section and key, in file order; those
  // before `next` are taken.
  struct Positions {
    std::vector<std::size_t> at;
    std::size_t next = 0;
  };

  std::vector<IniEntry> entries_;
  std::vector<bool> isTaken_;
  std::size_t taken_ = 0;
  std::unordered_map<SectionAndKey, Positions, SectionAndKeyHash> index_;
};
