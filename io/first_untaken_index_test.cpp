// The index against a plain search from the start of the stored list.

#include "io/first_untaken_index.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Item {
  bool folder = false;
  std::string name;
  int id = 0;
};

struct ByKindAndName {
  struct Key {
    bool folder;
    std::string_view name;
    bool operator==(const Key&) const = default;
  };
  static Key KeyOf(const Item& item) { return {item.folder, item.name}; }
  // Few distinct hashes, so that keys share probe runs.
  static std::size_t Hash(const Key& key) { return key.name.size(); }
};

using Index = FirstUntakenIndex<std::vector<Item>, ByKindAndName>;

// Each live key must take the first stored entry left with that key, whatever
// the repeats, while the live order follows the stored one and after it
// departs; what is left comes in stored order, as far as the visitor asks.
// The list is reused with fewer entries than it holds, as a walk reuses its
// room from key to key.
TEST(FirstUntakenIndexTest, TakesAsASearchFromTheStartWould) {
  std::mt19937 random(7);
  auto randomKey = [&random] { return ByKindAndName::Key{random() % 2 == 0, std::string_view("abc").substr(random() % 3, 1)}; };
  std::vector<Item> items(40);
  Index index;
  for (int round = 0; round < 1000; ++round) {
    std::size_t count = random() % 30;
    for (std::size_t i = 0; i < count; ++i) {
      ByKindAndName::Key key = randomKey();
      items[i] = {key.folder, std::string(key.name), static_cast<int>(i)};
    }
    index.Start(items, count);
    std::vector<bool> taken(count);
    std::size_t following = round % 2 ? random() % (count + 1) : 0;
    for (std::size_t n = 0; n < 30; ++n) {
      ByKindAndName::Key key = n < following ? ByKindAndName::KeyOf(items[n]) : randomKey();
      int expected = -1;
      for (std::size_t i = 0; i < count && expected < 0; ++i)
        if (!taken[i] && ByKindAndName::KeyOf(items[i]) == key) expected = static_cast<int>(i);
      const Item* got = index.Take(key);
      ASSERT_EQ(got ? got->id : -1, expected) << "round " << round << ", take " << n;
      if (got) taken[got->id] = true;
    }
    // The visit of what is left stops at the entry that asks it to.
    std::vector<int> left, expectedLeft;
    std::size_t stopAt = random() % 30;
    for (std::size_t i = 0; i < count && expectedLeft.size() <= stopAt; ++i)
      if (!taken[i]) expectedLeft.push_back(static_cast<int>(i));
    EXPECT_EQ(index.ForEachLeft([&](const Item& item) {
      left.push_back(item.id);
      return left.size() <= stopAt;
    }), expectedLeft.size() <= stopAt);
    EXPECT_EQ(left, expectedLeft) << "round " << round;
  }
}

}  // namespace
