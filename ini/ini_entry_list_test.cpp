// The saved entries that live entries claim, against a plain search.

#include "ini/ini_entry_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

// A random section and key; values are all different.
IniEntry Entry(std::mt19937& random) {
  static int count = 0;
  IniEntry entry;
  entry.section = std::string(1, "AB"[random() % 2]);
  entry.key = std::string(1, "xyz"[random() % 3]);
  entry.value = std::to_string(++count);
  return entry;
}

// Each live entry must claim the first saved entry left with its section and
// key, as a search from the start of the list would, whatever the repeats.
TEST(IniEntryListTest, ClaimsAsASearchFromTheStartWould) {
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    IniEntryList list;
    std::vector<IniEntry> left(random() % 15);
    for (IniEntry& entry : left) list.Append(entry = Entry(random));
    for (int n = random() % 15; n > 0; --n) {
      IniEntry live = Entry(random);
      const IniEntry* taken = list.TakeSameKey(live);
      auto same = std::find_if(left.begin(), left.end(), [&](const IniEntry& e) { return e.SameKey(live); });
      ASSERT_EQ(taken != nullptr, same != left.end());
      if (!taken) continue;
      EXPECT_EQ(taken->value, same->value);
      left.erase(same);
    }
    std::vector<std::string> rest;
    list.ForEach([&](const IniEntry& e) { rest.push_back(e.section + e.key + e.value); });
    std::vector<std::string> expected;
    for (const IniEntry& e : left) expected.push_back(e.section + e.key + e.value);
    EXPECT_EQ(rest, expected);
  }
}

}  // namespace
