#include "ini/ini_entry_list.h"

#include <functional>

std::size_t IniEntryList::SectionAndKeyHash::operator()(const SectionAndKey& k) const {
  std::size_t h = std::hash<std::string_view>{}(k.section);
  return h ^ (std::hash<std::string_view>{}(k.key) + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2));
}

void IniEntryList::Append(const IniEntry& entry) {
  std::size_t i = entries_.size();
  const IniEntry& stored = entries_.emplace_back(entry);
  nextSameKey_.push_back(kNone);
  isTaken_.push_back(false);
  Chain& chain = index_[SectionAndKey{stored.section, stored.key}];
  if (chain.first == kNone) chain.first = i;
  else nextSameKey_[chain.last] = i;
  chain.last = i;
}

const IniEntry* IniEntryList::TakeSameKey(const IniEntry& entry) {
  auto found = index_.find(SectionAndKey{entry.section, entry.key});
  if (found == index_.end() || found->second.first == kNone) return nullptr;
  Chain& chain = found->second;
  std::size_t i = chain.first;
  chain.first = nextSameKey_[i];
  if (chain.first == kNone) chain.last = kNone;
  isTaken_[i] = true;
  return &entries_[i];
}
