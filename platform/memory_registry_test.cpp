#include "platform/memory_registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace platform {
namespace {

// What a walk of one key sees: its subkey names, then its values as
// "name=type:data" with data as text.
struct Listing {
  std::vector<std::string> subkeys;
  std::vector<std::string> values;
};

Listing List(Registry& registry, RegistryKey key) {
  Listing listing;
  char name[2048];
  for (std::uint32_t i = 0; registry.EnumKey(key, i, name, sizeof name) == kErrorSuccess; ++i)
    listing.subkeys.push_back(name);
  std::uint8_t data[256];
  for (std::uint32_t i = 0;; ++i) {
    std::uint32_t nameLength = sizeof name, dataLength = sizeof data, type = 0;
    if (registry.EnumValue(key, i, name, &nameLength, &type, data, &dataLength) != kErrorSuccess) break;
    listing.values.push_back(std::string(name, nameLength) + "=" + std::to_string(type) + ":" +
                             std::string(reinterpret_cast<char*>(data), dataLength));
  }
  return listing;
}

// Opens `path` below `root`, expecting success.
RegistryKey Open(Registry& registry, RegistryKey root, const char* path) {
  RegistryKey key = 0;
  EXPECT_EQ(registry.OpenKey(root, path, &key), kErrorSuccess) << path;
  return key;
}

std::uint32_t OpenError(Registry& registry, RegistryKey root, const char* path) {
  RegistryKey key = 0;
  std::uint32_t error = registry.OpenKey(root, path, &key);
  if (error == kErrorSuccess) registry.CloseKey(key);
  return error;
}

TEST(MemoryRegistryTest, OpenFailsWithWindowsErrorCodes) {
  MemoryRegistry registry;
  registry.AddKey("HKEY_LOCAL_MACHINE\\Software\\Open");
  registry.DenyOpen("HKEY_LOCAL_MACHINE\\Software\\Secret");
  registry.DenyQuery("HKEY_LOCAL_MACHINE\\Software\\Unqueryable");

  EXPECT_EQ(OpenError(registry, 0, "Software"), kErrorInvalidHandle);
  EXPECT_EQ(OpenError(registry, kPerformanceData, ""), kErrorInvalidHandle);
  EXPECT_EQ(OpenError(registry, 0x1234, ""), kErrorInvalidHandle);
  EXPECT_EQ(OpenError(registry, kLocalMachine, "Software\\Missing"), kErrorFileNotFound);
  EXPECT_EQ(OpenError(registry, kLocalMachine, "Missing\\Deeper"), kErrorFileNotFound);
  EXPECT_EQ(OpenError(registry, kLocalMachine, "Software\\Secret"), kErrorAccessDenied);
  // A denied key does not hide what lies below it, nor its parent.
  registry.AddKey("HKEY_LOCAL_MACHINE\\Software\\Secret\\Below");
  EXPECT_EQ(OpenError(registry, kLocalMachine, "Software\\Secret\\Below"), kErrorSuccess);
  EXPECT_EQ(OpenError(registry, kLocalMachine, "Software"), kErrorSuccess);

  RegistryKey key = Open(registry, kLocalMachine, "Software\\Unqueryable");
  char className[260];
  std::uint32_t classLength = sizeof className;
  RegistryKeyInfo info;
  EXPECT_EQ(registry.QueryInfoKey(key, className, &classLength, &info), kErrorAccessDenied);
  EXPECT_EQ(registry.CloseKey(key), kErrorSuccess);
  EXPECT_EQ(registry.CloseKey(key), kErrorInvalidHandle);
  EXPECT_EQ(registry.QueryInfoKey(key, className, &classLength, &info), kErrorInvalidHandle);
  // The root handles themselves can be read and "closed".
  EXPECT_EQ(registry.QueryInfoKey(kLocalMachine, className, &classLength, &info), kErrorSuccess);
  EXPECT_EQ(info.subKeys, 1u);
  EXPECT_EQ(registry.CloseKey(kLocalMachine), kErrorSuccess);
}

TEST(MemoryRegistryTest, ListsInRegistryOrderAndMatchesNamesWithoutCase) {
  MemoryRegistry registry;
  for (const char* name : {"Z", "b", "_u", "[x]", "A", "1", "~t", "a1", "B2", "{w"})
    registry.AddKey(std::string("HKEY_CURRENT_USER\\Order\\") + name);
  registry.SetString("HKEY_CURRENT_USER\\Order", "Zeta", "z");
  registry.SetString("HKEY_CURRENT_USER\\Order", "", "default");
  registry.SetString("HKEY_CURRENT_USER\\Order", "alpha", "1");
  registry.SetString("HKEY_CURRENT_USER\\Order", "ALPHA", "2");  // same name: replaces, spelling stays
  registry.AddKey("HKEY_CURRENT_USER\\ORDER\\z");                 // same key

  RegistryKey key = Open(registry, kCurrentUser, "order");
  Listing listing = List(registry, key);
  EXPECT_EQ(listing.subkeys,
            (std::vector<std::string>{"1", "[x]", "_u", "A", "a1", "b", "B2", "Z", "{w", "~t"}));
  EXPECT_EQ(listing.values, (std::vector<std::string>{std::string("=1:default\0", 11),
                                                      std::string("alpha=1:2\0", 10),
                                                      std::string("Zeta=1:z\0", 9)}));
  EXPECT_EQ(OpenError(registry, kCurrentUser, "ORDER\\_U"), kErrorSuccess);
  EXPECT_EQ(OpenError(registry, kCurrentUser, "\\Order\\\\a1\\"), kErrorSuccess);

  registry.DeleteValue("HKEY_CURRENT_USER\\Order", "zeta");
  EXPECT_EQ(List(registry, key).values.size(), 2u);
}

TEST(MemoryRegistryTest, EnumerationReportsWhatDoesNotFitAndTheEnd) {
  MemoryRegistry registry;
  registry.SetValue("HKEY_USERS\\K", "bin", kRegBinary, std::vector<std::uint8_t>(100, 7));
  registry.SetDword("HKEY_USERS\\K", "LongValueName", 42);
  registry.AddKey("HKEY_USERS\\K\\LongSubkeyName");
  RegistryKey key = Open(registry, kUsers, "K");

  char name[8];
  std::uint8_t data[200];
  std::uint32_t nameLength = sizeof name, dataLength = 10, type = 0;
  EXPECT_EQ(registry.EnumValue(key, 0, name, &nameLength, &type, data, &dataLength), kErrorMoreData);
  EXPECT_EQ(dataLength, 100u);  // what the data needs
  dataLength = sizeof data;
  EXPECT_EQ(registry.EnumValue(key, 0, name, &nameLength, &type, data, &dataLength), kErrorSuccess);
  EXPECT_EQ(std::string(name), "bin");
  EXPECT_EQ(nameLength, 3u);
  EXPECT_EQ(type, kRegBinary);
  EXPECT_EQ(dataLength, 100u);

  // The name needs 14 bytes with its terminator; the buffer has 8.
  nameLength = sizeof name, dataLength = sizeof data;
  EXPECT_EQ(registry.EnumValue(key, 1, name, &nameLength, &type, data, &dataLength), kErrorMoreData);
  nameLength = sizeof name, dataLength = sizeof data;
  EXPECT_EQ(registry.EnumValue(key, 2, name, &nameLength, &type, data, &dataLength), kErrorNoMoreItems);

  char longName[2048];
  EXPECT_EQ(registry.EnumKey(key, 0, name, sizeof name), kErrorMoreData);
  EXPECT_EQ(registry.EnumKey(key, 0, longName, 14), kErrorMoreData);  // no room for the terminator
  EXPECT_EQ(registry.EnumKey(key, 0, longName, 15), kErrorSuccess);
  EXPECT_EQ(registry.EnumKey(key, 1, longName, sizeof longName), kErrorNoMoreItems);
}

TEST(MemoryRegistryTest, QueryReportsCountsClassAndLargestDataAsStoredInUtf16) {
  MemoryRegistry registry;
  registry.SetString("HKEY_CURRENT_CONFIG\\K", "s", "\xc3\xa9t\xc3\xa9");  // 5 bytes + NUL, 4 units
  registry.SetValue("HKEY_CURRENT_CONFIG\\K", "b", kRegBinary, {1, 2, 3, 4, 5, 6, 7});
  registry.AddKey("HKEY_CURRENT_CONFIG\\K\\Sub");
  MemoryRegistry::Key* key = registry.AddSubkey(registry.RootKey(kCurrentConfig), "k");
  registry.SetClass(key, "Klass");

  RegistryKey handle = Open(registry, kCurrentConfig, "K");
  char className[260];
  std::uint32_t classLength = sizeof className;
  RegistryKeyInfo info;
  ASSERT_EQ(registry.QueryInfoKey(handle, className, &classLength, &info), kErrorSuccess);
  EXPECT_EQ(std::string(className), "Klass");
  EXPECT_EQ(classLength, 5u);
  EXPECT_EQ(info.subKeys, 1u);
  EXPECT_EQ(info.values, 2u);
  EXPECT_EQ(info.maxValueLength, 8u);  // "été" and its NUL in UTF-16
  // The enumerator's buffer of twice that plus 2 holds the UTF-8 form.
  std::uint8_t data[18];
  char name[2048];
  std::uint32_t nameLength = sizeof name, dataLength = 2 * info.maxValueLength + 2, type = 0;
  ASSERT_EQ(registry.EnumValue(handle, 1, name, &nameLength, &type, data, &dataLength), kErrorSuccess);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), dataLength), std::string("\xc3\xa9t\xc3\xa9\0", 6));

  classLength = 3;
  EXPECT_EQ(registry.QueryInfoKey(handle, className, &classLength, &info), kErrorMoreData);
}

TEST(MemoryRegistryTest, LinksLeadToTheirTargetAndFailWhenBroken) {
  MemoryRegistry registry;
  registry.SetString("HKEY_LOCAL_MACHINE\\System\\ControlSet001\\Control", "v", "x");
  registry.AddLink("HKEY_LOCAL_MACHINE\\System\\CurrentControlSet", "HKEY_LOCAL_MACHINE\\System\\ControlSet001");
  registry.AddLink("HKEY_LOCAL_MACHINE\\System\\Broken", "HKEY_LOCAL_MACHINE\\System\\Nowhere");
  registry.AddLink("HKEY_LOCAL_MACHINE\\Loop\\A", "HKEY_LOCAL_MACHINE\\Loop\\B");
  registry.AddLink("HKEY_LOCAL_MACHINE\\Loop\\B", "HKEY_LOCAL_MACHINE\\Loop\\A");

  // A link is listed by its parent under its own name.
  EXPECT_EQ(List(registry, Open(registry, kLocalMachine, "System")).subkeys,
            (std::vector<std::string>{"Broken", "ControlSet001", "CurrentControlSet"}));
  RegistryKey key = Open(registry, kLocalMachine, "system\\currentcontrolset\\control");
  EXPECT_EQ(List(registry, key).values, (std::vector<std::string>{std::string("v=1:x\0", 6)}));
  EXPECT_EQ(List(registry, Open(registry, kLocalMachine, "System\\CurrentControlSet")).subkeys,
            (std::vector<std::string>{"Control"}));
  // Writing through a link writes to its target.
  registry.SetDword("HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control", "w", 1);
  EXPECT_EQ(List(registry, key).values.size(), 2u);

  EXPECT_EQ(OpenError(registry, kLocalMachine, "System\\Broken"), kErrorFileNotFound);
  EXPECT_EQ(OpenError(registry, kLocalMachine, "System\\Broken\\Below"), kErrorFileNotFound);
  EXPECT_EQ(OpenError(registry, kLocalMachine, "Loop\\A"), kErrorFileNotFound);
  // The target appearing later mends the link.
  registry.AddKey("HKEY_LOCAL_MACHINE\\System\\Nowhere");
  EXPECT_EQ(OpenError(registry, kLocalMachine, "System\\Broken"), kErrorSuccess);
}

TEST(MemoryRegistryTest, AliasedRootsShowTheirKey) {
  MemoryRegistry registry;
  registry.AliasRoot(kClassesRoot, "HKEY_LOCAL_MACHINE\\Software\\Classes");
  registry.AliasRoot(kCurrentConfig, "HKEY_LOCAL_MACHINE\\Missing");
  registry.SetString("HKEY_LOCAL_MACHINE\\Software\\Classes\\.txt", "", "txtfile");
  registry.AddKey("HKEY_CLASSES_ROOT\\.doc");  // lands below the alias's target

  EXPECT_EQ(List(registry, kClassesRoot).subkeys, (std::vector<std::string>{".doc", ".txt"}));
  EXPECT_EQ(List(registry, Open(registry, kLocalMachine, "Software\\Classes")).subkeys.size(), 2u);
  RegistryKey key = Open(registry, kClassesRoot, ".TXT");
  EXPECT_EQ(List(registry, key).values.size(), 1u);
  // A root whose key is missing is an empty key.
  RegistryKeyInfo info;
  EXPECT_EQ(registry.QueryInfoKey(Open(registry, kCurrentConfig, ""), nullptr, nullptr, &info), kErrorSuccess);
  EXPECT_EQ(info.subKeys + info.values, 0u);
  EXPECT_EQ(OpenError(registry, kCurrentConfig, "Anything"), kErrorFileNotFound);
}

TEST(MemoryRegistryTest, QueryHookStagesDataThatGrowsBeforeTheRead) {
  MemoryRegistry registry;
  registry.SetString("HKEY_CURRENT_USER\\Software\\Sample", "Ver", "1");
  std::vector<std::string> queried;
  registry.SetQueryHook([&](const std::string& path) {
    queried.push_back(path);
    registry.SetString("HKEY_CURRENT_USER\\Software\\Sample", "Ver", std::string(40, 'x'));
  });
  RegistryKey key = Open(registry, kCurrentUser, "software\\SAMPLE");
  RegistryKeyInfo info;
  ASSERT_EQ(registry.QueryInfoKey(key, nullptr, nullptr, &info), kErrorSuccess);
  EXPECT_EQ(queried, (std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\Sample"}));
  EXPECT_EQ(info.maxValueLength, 4u);  // as it was when queried

  std::vector<std::uint8_t> data(2 * info.maxValueLength + 2);
  char name[2048];
  std::uint32_t nameLength = sizeof name, dataLength = static_cast<std::uint32_t>(data.size()), type;
  ASSERT_EQ(registry.EnumValue(key, 0, name, &nameLength, &type, data.data(), &dataLength), kErrorMoreData);
  EXPECT_EQ(dataLength, 41u);
  data.resize(2 * dataLength + 2);
  nameLength = sizeof name, dataLength = static_cast<std::uint32_t>(data.size());
  ASSERT_EQ(registry.EnumValue(key, 0, name, &nameLength, &type, data.data(), &dataLength), kErrorSuccess);
  EXPECT_EQ(dataLength, 41u);
}

TEST(MemoryRegistryTest, OpenKeysStayValidAndDeletedKeysFailSafely) {
  MemoryRegistry registry;
  registry.SetString("HKEY_LOCAL_MACHINE\\A\\B", "v", "1");
  RegistryKey a = Open(registry, kLocalMachine, "A");
  RegistryKey b = Open(registry, a, "B");  // below an open key
  // Many more keys opened and added meanwhile do not disturb the first ones.
  for (int i = 0; i < 200; ++i) {
    registry.AddKey("HKEY_LOCAL_MACHINE\\A\\K" + std::to_string(i));
    Open(registry, kLocalMachine, "A\\B");
  }
  EXPECT_EQ(List(registry, b).values.size(), 1u);

  registry.DeleteKey("HKEY_LOCAL_MACHINE\\A");
  RegistryKeyInfo info;
  EXPECT_EQ(registry.QueryInfoKey(b, nullptr, nullptr, &info), kErrorKeyDeleted);
  char name[2048];
  std::uint32_t nameLength = sizeof name;
  EXPECT_EQ(registry.EnumValue(b, 0, name, &nameLength, nullptr, nullptr, nullptr), kErrorKeyDeleted);
  EXPECT_EQ(registry.EnumKey(a, 0, name, sizeof name), kErrorKeyDeleted);
  EXPECT_EQ(OpenError(registry, a, "B"), kErrorKeyDeleted);
  EXPECT_EQ(OpenError(registry, kLocalMachine, "A"), kErrorFileNotFound);
  EXPECT_EQ(registry.CloseKey(b), kErrorSuccess);
  EXPECT_EQ(registry.CloseKey(a), kErrorSuccess);
  // The root keys cannot be deleted.
  registry.DeleteKey("HKEY_LOCAL_MACHINE");
  EXPECT_EQ(OpenError(registry, kLocalMachine, ""), kErrorSuccess);
}

}  // namespace
}  // namespace platform
