#include "registry/registry_key_enumerator.h"

#include <gtest/gtest.h>

#include "platform/last_error.h"
#include "platform/memory_registry.h"
#include "registry/registry_test_support.h"

namespace {

using platform::GetLastError;

class EnumeratorTest : public ::testing::Test {
 protected:
  platform::MemoryRegistry registry_;
  registry_test::UseRegistry use_{registry_};
  ListingRoom room_;
  RegistryKeyEnumerator enumerator_{room_};
};

// Listing itself shows in every snapshot; what it answers when it cannot list shows here.
TEST_F(EnumeratorTest, KeysThatCannotBeListedGiveTheRegistrysCode) {
  registry_.AddKey("HKEY_LOCAL_MACHINE\\K");
  registry_.AddKey("HKEY_LOCAL_MACHINE\\Denied");
  registry_.DenyOpen("HKEY_LOCAL_MACHINE\\Denied");
  registry_.DenyQuery("HKEY_LOCAL_MACHINE\\K");
  for (auto [path, error] : {std::pair<const char*, std::uint32_t>{"HKEY_PERFORMANCE_DATA", 6},
                             {"hkey_local_machine", 6},
                             {"HKEY_LOCAL_MACHINE\\Missing", 2},
                             {"HKEY_LOCAL_MACHINE\\Denied", 5},
                             {"HKEY_LOCAL_MACHINE\\K", 5}}) {
    EXPECT_FALSE(enumerator_.Open(path)) << path;
    EXPECT_EQ(GetLastError(), error) << path;
  }
}

TEST_F(EnumeratorTest, DataThatGrewAfterTheQueryIsReadOnTheSecondTry) {
  const char* key = "HKEY_CURRENT_USER\\Growing";
  registry_.SetValue(key, "v", platform::kRegBinary, {1, 2});
  std::vector<std::uint8_t> big(1000, 0x5a);
  registry_.SetQueryHook([&](const std::string& path) {
    if (path == key) registry_.SetValue(key, "v", platform::kRegBinary, big);
  });
  ASSERT_TRUE(enumerator_.Open(key));
  EXPECT_EQ(enumerator_.dataCapacity, 2u * 2 + 2);
  ASSERT_TRUE(enumerator_.Next());
  EXPECT_EQ(enumerator_.dataCapacity, 1000u * 2 + 2);
  EXPECT_EQ(std::vector<std::uint8_t>(enumerator_.current.data.get(), enumerator_.current.data.get() + 1000), big);
}

}  // namespace
