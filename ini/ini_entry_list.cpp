#include "ini/ini_entry_list.h"

#include <functional>
#include <utility>

std::size_t IniEntryList::SectionAndKeyHash::operator()(const SectionAndKey& k) const {
  std::size_t h = std::hash<std::string>{}(k.section);
  return h ^ (std::hash<std::string>{}(k.key) + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2));
}

void IniEntryList::Append(const IniEntry& entry) {
  index_[SectionAndKey{entry.section, entry.key}].at.push_back(entries_.size());
  entries_.push_back(entry);
  isTaken_.push_back(false);
}

std::optional<IniEntry> IniEntryList::TakeSameKey(const IniEntry& entry) {
  auto found = index_.find(SectionAndKey{entry.section, entry.key});
  if (found == index_.end() || found->second.next == found->second.at.size()) return std::nullopt;
  std::size_t i = found->second.at[found->second.next++];
  isTaken_[i] = true;
  ++taken_;
  return std::move(entries_[i]);
}
