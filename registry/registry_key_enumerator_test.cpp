#include "registry/registry_key_enumerator.h"

#include <gtest/gtest.h>

#include "platform/last_error.h"
#include "platform/memory_registry.h"
#include "registry/registry_test_support.h"

namespace {

class EnumeratorTest : public ::testing::Test {
 protected:
  platform::MemoryRegistry registry_;
  registry_test::UseRegistry use_{registry_};
  RegistryKeyEnumerator enumerator_;
};

TEST_F(EnumeratorTest, TheRootLevelListsTheFiveRootKeysInOrder) {
  registry_.SetString("HKEY_CURRENT_USER\\Software", "v", "x");
  ASSERT_TRUE(enumerator_.Open(""));
  std::vector<std::string> names;
  while (enumerator_.Next()) {
    EXPECT_EQ(enumerator_.current.isKey, 1u);
    EXPECT_EQ(platform::GetLastError(), 0u);
    names.push_back(enumerator_.current.name);
  }
  EXPECT_EQ(platform::GetLastError(), platform::kErrorNoMoreFiles);
  EXPECT_EQ(names, (std::vector<std::string>{"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",
                                             "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                                             "HKEY_CURRENT_CONFIG"}));
  EXPECT_FALSE(enumerator_.Next());
  EXPECT_EQ(platform::GetLastError(), platform::kErrorNoMoreFiles);
}

TEST_F(EnumeratorTest, AKeyListsItsValuesThenItsSubkeys) {
  registry_.SetString("HKEY_LOCAL_MACHINE\\K", "b", "text");
  registry_.SetValue("HKEY_LOCAL_MACHINE\\K", "a", platform::kRegBinary, {});
  registry_.AddKey("HKEY_LOCAL_MACHINE\\K\\Sub");
  ASSERT_TRUE(enumerator_.Open("HKEY_LOCAL_MACHINE\\K"));

  ASSERT_TRUE(enumerator_.Next());
  EXPECT_EQ(enumerator_.current.isKey, 0u);
  EXPECT_EQ(enumerator_.current.name, "a");
  EXPECT_EQ(enumerator_.current.type, platform::kRegBinary);
  EXPECT_EQ(enumerator_.current.dataLength, 0u);
  ASSERT_TRUE(enumerator_.Next());
  EXPECT_EQ(enumerator_.current.name, "b");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(enumerator_.current.data.get()),
                        enumerator_.current.dataLength),
            std::string("text\0", 5));
  ASSERT_TRUE(enumerator_.Next());
  EXPECT_EQ(enumerator_.current.isKey, 1u);
  EXPECT_EQ(enumerator_.current.name, "Sub");
  EXPECT_EQ(enumerator_.current.dataLength, 0u);
  EXPECT_FALSE(enumerator_.Next());
  EXPECT_EQ(platform::GetLastError(), platform::kErrorNoMoreFiles);
  EXPECT_EQ(enumerator_.current.name, "Sub");  // the last entry stays

  // A root key alone opens the root itself.
  ASSERT_TRUE(enumerator_.Open("HKEY_LOCAL_MACHINE"));
  ASSERT_TRUE(enumerator_.Next());
  EXPECT_EQ(enumerator_.current.name, "K");
}

TEST_F(EnumeratorTest, KeysThatCannotBeOpenedGiveTheRegistrysCode) {
  registry_.AddKey("HKEY_LOCAL_MACHINE\\Denied");
  registry_.AddKey("HKEY_LOCAL_MACHINE\\Unqueryable");
  registry_.DenyOpen("HKEY_LOCAL_MACHINE\\Denied");
  registry_.DenyQuery("HKEY_LOCAL_MACHINE\\Unqueryable");
  struct Case {
    const char* path;
    std::uint32_t error;
  } cases[] = {
      {"HKEY_PERFORMANCE_DATA", platform::kErrorInvalidHandle},
      {"hkey_local_machine", platform::kErrorInvalidHandle},
      {"Software\\Classes", platform::kErrorInvalidHandle},
      {"HKEY_LOCAL_MACHINE\\Missing", platform::kErrorFileNotFound},
      {"HKEY_LOCAL_MACHINE\\Denied", platform::kErrorAccessDenied},
      {"HKEY_LOCAL_MACHINE\\Unqueryable", platform::kErrorAccessDenied},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(enumerator_.Open(c.path)) << c.path;
    EXPECT_EQ(platform::GetLastError(), c.error) << c.path;
    EXPECT_FALSE(enumerator_.Next()) << c.path;
  }
}

TEST_F(EnumeratorTest, DataThatGrewAfterTheQueryIsReadOnTheSecondTry) {
  const char* key = "HKEY_CURRENT_USER\\Growing";
  registry_.SetValue(key, "v", platform::kRegBinary, {1, 2});
  std::vector<std::uint8_t> big(1000, 0x5a);
  big.back() = 0x01;
  registry_.SetQueryHook([&](const std::string& path) {
    if (path == key) registry_.SetValue(key, "v", platform::kRegBinary, big);
  });
  ASSERT_TRUE(enumerator_.Open(key));
  EXPECT_EQ(enumerator_.dataCapacity, 2u * 2 + 2);
  ASSERT_TRUE(enumerator_.Next());
  EXPECT_EQ(enumerator_.dataCapacity, 1000u * 2 + 2);
  ASSERT_EQ(enumerator_.current.dataLength, 1000u);
  EXPECT_EQ(enumerator_.current.data[999], 0x01);

  // A name longer than the name buffer fails both tries.
  registry_.SetQueryHook(nullptr);
  registry_.SetString("HKEY_CURRENT_USER\\Long", std::string(3000, 'n'), "x");
  ASSERT_TRUE(enumerator_.Open("HKEY_CURRENT_USER\\Long"));
  EXPECT_FALSE(enumerator_.Next());
  EXPECT_EQ(platform::GetLastError(), platform::kErrorMoreData);
  EXPECT_EQ(enumerator_.index, 0u);
}

TEST_F(EnumeratorTest, CanOpenTriesTheSubkeyBelowItsParent) {
  registry_.AddKey("HKEY_USERS\\S\\Open");
  registry_.AddKey("HKEY_USERS\\S\\Denied");
  registry_.AddKey("HKEY_USERS\\S\\Perflib");
  registry_.DenyOpen("HKEY_USERS\\S\\Denied");
  registry_.DenyQuery("HKEY_USERS\\S\\Perflib", platform::kErrorFileNotFound);
  RegistryEntry key;
  key.isKey = 1;

  key.name = "Open";
  EXPECT_TRUE(key.CanOpen("HKEY_USERS\\S"));
  key.name = "S";
  EXPECT_TRUE(key.CanOpen("HKEY_USERS"));
  key.name = "Denied";
  EXPECT_FALSE(key.CanOpen("HKEY_USERS\\S"));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorAccessDenied);
  key.name = "Perflib";
  EXPECT_FALSE(key.CanOpen("HKEY_USERS\\S"));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);
  key.name = "Open";
  EXPECT_FALSE(key.CanOpen("NOT_A_ROOT\\S"));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorPathNotFound);

  // Values and the level above the roots pass without asking the registry.
  key.name = "Missing";
  EXPECT_TRUE(key.CanOpen(""));
  RegistryEntry value;
  value.name = "Missing";
  EXPECT_TRUE(value.CanOpen("NOT_A_ROOT"));
}

TEST(RegistryEntryTest, EqualsComparesKindNameAndForValuesTypeAndData) {
  auto value = [](const char* name, std::uint32_t type, const std::string& data) {
    RegistryEntry entry;
    entry.name = name;
    entry.type = type;
    entry.SetData(data.data(), static_cast<std::uint32_t>(data.size()));
    return entry;
  };
  EXPECT_TRUE(value("v", 3, "abc").Equals(value("v", 3, "abc")));
  EXPECT_FALSE(value("v", 3, "abc").Equals(value("v", 3, "abd")));
  EXPECT_FALSE(value("v", 3, "abc").Equals(value("v", 3, "ab")));
  EXPECT_FALSE(value("v", 1, "abc").Equals(value("v", 2, "abc")));
  EXPECT_FALSE(value("v", 3, "abc").Equals(value("V", 3, "abc")));
  EXPECT_TRUE(value("", 0, "").Equals(value("", 0, "")));

  RegistryEntry key = value("v", 149, "");
  key.isKey = 1;
  RegistryEntry other = value("v", 5000, "");
  other.isKey = 1;
  EXPECT_TRUE(key.Equals(other));
  EXPECT_FALSE(key.Equals(value("v", 149, "")));

  // Copies own their data.
  RegistryEntry copy = value("v", 3, "abc");
  RegistryEntry original = copy;
  copy.Clear();
  EXPECT_EQ(original.dataLength, 3u);
  EXPECT_TRUE(original.Equals(value("v", 3, "abc")));
  EXPECT_EQ(copy.dataLength, 0u);
  EXPECT_EQ(copy.data, nullptr);
}

}  // namespace
