#include "registry/registry_key_enumerator.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/last_error.h"
#include "platform/memory_registry.h"
#include "registry/registry_test_support.h"
#include "test/staged_registry.h"

namespace {

using platform::GetLastError;

class EnumeratorTest : public ::testing::Test {
 protected:
  platform::MemoryRegistry registry_;
  test::StagedRegistry staged_{registry_};
  registry_test::UseRegistry use_{staged_};
  ListingRoom room_;
  RegistryKeyEnumerator enumerator_{room_};
};

// Listing itself shows in every snapshot, a key that cannot be opened in the
// capture's tests; here what it answers for the other keys it cannot list.
TEST_F(EnumeratorTest, KeysThatCannotBeListedGiveTheRegistrysCode) {
  registry_.AddKey("HKEY_LOCAL_MACHINE\\K");
  staged_.Fail(test::StagedRegistry::Call::kQueryInfoKey, "HKEY_LOCAL_MACHINE\\K");
  for (auto [path, error] : {std::pair<const char*, std::uint32_t>{"HKEY_PERFORMANCE_DATA", 6},
                             {"hkey_local_machine", 6},
                             {"HKEY_LOCAL_MACHINE\\Missing", 2},
                             {"HKEY_LOCAL_MACHINE\\K", 5}}) {
    EXPECT_FALSE(enumerator_.Open(path)) << path;
    EXPECT_EQ(GetLastError(), error) << path;
  }
}

// The value grows between the key's query and the value's reading, and
// again at each of the next reads, `times` times in all.
TEST_F(EnumeratorTest, DataThatKeepsGrowingIsReadAgainAFewTimesAtMost) {
  const char* key = "HKEY_CURRENT_USER\\Growing";
  for (int times : {4, 5}) {
    registry_.SetValue(key, "v", platform::kRegBinary, {1, 2});
    int reads = 0;
    std::vector<std::uint8_t> grown;
    staged_.SetHook([&](const test::StagedRegistry::Point& point) {
      if (point.call != test::StagedRegistry::Call::kEnumValue || point.path != key || reads++ >= times) return;
      grown.assign(grown.empty() ? 1000 : grown.size() * 3, static_cast<std::uint8_t>(reads));
      registry_.SetValue(key, "v", platform::kRegBinary, grown);
    });
    ASSERT_TRUE(enumerator_.Open(key));
    if (times == 4) {
      ASSERT_TRUE(enumerator_.Next());
      const std::uint8_t* data = enumerator_.current.data.get();
      EXPECT_EQ(std::vector<std::uint8_t>(data, data + enumerator_.current.dataLength), grown);
    } else {
      EXPECT_FALSE(enumerator_.Next());
      EXPECT_EQ(GetLastError(), platform::kErrorMoreData);
    }
    EXPECT_EQ(reads, 5) << times;
  }
}

// What the listing of a key gives when entries, or the key itself, go (or
// come) while it is listed: what is left, each once, and the normal end.
TEST_F(EnumeratorTest, EntriesThatGoWhileAKeyIsListedAreLeftOutAndTheListingEndsNormally) {
  const std::string key = "HKEY_CURRENT_USER\\Churn";
  using Call = test::StagedRegistry::Call;
  struct Case {
    const char* what;
    Call call;
    std::uint32_t index;
    std::function<void()> change;
    std::vector<std::string> listed;
  };
  const std::vector<Case> cases = {
      {"values after the one read", Call::kEnumValue, 2,
       [&] { registry_.DeleteValue(key, "v2"), registry_.DeleteValue(key, "v3"); }, {"v0", "v1", "a", "b", "c"}},
      // v3 moves up to where v2 was read: the values are read again for it.
      {"a value read before", Call::kEnumValue, 3, [&] { registry_.DeleteValue(key, "v0"); },
       {"v0", "v1", "v2", "v3", "a", "b", "c"}},
      {"the subkey read last", Call::kEnumKey, 2, [&] { registry_.DeleteKey(key + "\\b"); },
       {"v0", "v1", "v2", "v3", "a", "b", "c"}},
      {"subkeys after the one read", Call::kEnumKey, 1,
       [&] { registry_.DeleteKey(key + "\\b"), registry_.DeleteKey(key + "\\c"); }, {"v0", "v1", "v2", "v3", "a"}},
      {"the key, among its values", Call::kEnumValue, 1, [&] { registry_.DeleteKey(key); }, {"v0"}},
      {"the key, among its subkeys", Call::kEnumKey, 2, [&] { registry_.DeleteKey(key); },
       {"v0", "v1", "v2", "v3", "a", "b"}},
      // a moves down to where it was read before, and is not given twice.
      {"a subkey that came before the place read", Call::kEnumKey, 1, [&] { registry_.AddKey(key + "\\0"); },
       {"v0", "v1", "v2", "v3", "a", "b", "c"}},
      {"a value, told as not found", Call::kEnumValue, 2,
       [&] { staged_.Fail(Call::kEnumValue, key, platform::kErrorFileNotFound); }, {"v0", "v1", "a", "b", "c"}},
  };
  for (const Case& c : cases) {
    staged_.SetHook(nullptr);
    staged_.Fail(Call::kEnumValue, key, 0);
    for (const char* name : {"v0", "v1", "v2", "v3"}) registry_.SetString(key, name, name);
    registry_.DeleteKey(key + "\\0");
    for (const char* name : {"a", "b", "c"}) registry_.AddKey(key + "\\" + name);
    staged_.SetHook([&](const test::StagedRegistry::Point& point) {
      if (point.call == c.call && point.index == c.index && point.path == key) c.change();
    });
    ASSERT_TRUE(enumerator_.Open(key)) << c.what;
    std::vector<std::string> listed;
    while (enumerator_.Next()) listed.push_back(enumerator_.current.name);
    EXPECT_EQ(GetLastError(), platform::kErrorNoMoreFiles) << c.what;
    EXPECT_EQ(listed, c.listed) << c.what;
  }
  // A value and a subkey may share a name: the subkey is no value given again.
  staged_.SetHook(nullptr);
  staged_.Fail(Call::kEnumValue, key, 0);
  registry_.AddKey(key + "\\v3");
  ASSERT_TRUE(enumerator_.Open(key));
  std::vector<std::string> listed;
  while (enumerator_.Next()) listed.push_back(enumerator_.current.name);
  EXPECT_EQ(listed, (std::vector<std::string>{"v0", "v1", "v2", "v3", "a", "b", "c", "v3"}));
}

}  // namespace
