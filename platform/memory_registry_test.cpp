#include "platform/memory_registry.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "test/registry_listing.h"

namespace platform {
namespace {

using test::ListedValue;
using test::ListSubkeys;
using test::ListValues;
using test::OpenError;
using test::Sz;

RegistryKey Open(Registry& registry, RegistryKey root, const char* path) {
  RegistryKey key = 0;
  EXPECT_EQ(registry.OpenKey(root, path, &key), kErrorSuccess) << path;
  return key;
}

TEST(MemoryRegistryTest, OpenAndQueryFailWithWindowsErrorCodes) {
  MemoryRegistry registry;
  registry.AddKey("HKEY_LOCAL_MACHINE\\Software\\Open");

  const std::tuple<RegistryKey, const char*, std::uint32_t> opens[] = {
      {0, "Software", kErrorInvalidHandle}, {kPerformanceData, "", kErrorInvalidHandle},
      {0x1234, "", kErrorInvalidHandle}, {kLocalMachine, "Software\\Missing", kErrorFileNotFound},
      {kLocalMachine, "Missing\\Deeper", kErrorFileNotFound}, {kLocalMachine, "\\Software", kErrorBadPathname},
      {kLocalMachine, "software\\\\OPEN\\", kErrorSuccess}};
  for (auto [root, path, error] : opens) EXPECT_EQ(OpenError(registry, root, path), error) << root << path;

  RegistryKey key = Open(registry, kLocalMachine, "Software\\Open");
  RegistryKeyInfo info;
  EXPECT_EQ(registry.CloseKey(key), kErrorSuccess);
  EXPECT_EQ(registry.CloseKey(key), kErrorInvalidHandle);
  EXPECT_EQ(registry.QueryInfoKey(key, nullptr, nullptr, &info), kErrorInvalidHandle);
  // The root handles themselves can be read, and "closed".
  EXPECT_EQ(registry.QueryInfoKey(kLocalMachine, nullptr, nullptr, &info), kErrorSuccess);
  EXPECT_EQ(info.subKeys, 1u);
  EXPECT_EQ(registry.CloseKey(kLocalMachine), kErrorSuccess);
}

TEST(MemoryRegistryTest, EnumerationReportsWhatDoesNotFitAndTheEnd) {
  MemoryRegistry registry;
  registry.SetValue("HKEY_USERS\\K", "bin", kRegBinary, std::vector<std::uint8_t>(100, 7));
  registry.SetDword("HKEY_USERS\\K", "LongValueName", 42);  // 14 bytes with its terminator
  registry.AddKey("HKEY_USERS\\K\\LongSubkeyName");
  RegistryKey key = Open(registry, kUsers, "K");
  // The error and the data's length; when it fits, the name and its length too.
  auto value = [&](std::uint32_t index, std::uint32_t dataLength) {
    char name[8];
    std::uint8_t data[200];
    std::uint32_t nameLength = sizeof name, type = 0;
    std::uint32_t error = registry.EnumValue(key, index, name, &nameLength, &type, data, &dataLength);
    if (error == kErrorNoMoreItems) return std::string("end");
    return std::to_string(error) + "/" + std::to_string(dataLength) +
           (error ? "" : "/" + std::string(name) + "/" + std::to_string(nameLength));
  };
  EXPECT_EQ(value(0, 10) + " " + value(0, 200) + " " + value(1, 200) + " " + value(2, 200),
            "234/100 0/100/bin/3 234/4 end");  // what the data needs; a name that does not fit
  char longName[2048];
  EXPECT_EQ(registry.EnumKey(key, 0, longName, 14), kErrorMoreData);  // no room for the terminator
  EXPECT_EQ(registry.EnumKey(key, 0, longName, 15), kErrorSuccess);
  EXPECT_EQ(registry.EnumKey(key, 1, longName, sizeof longName), kErrorNoMoreItems);
}

TEST(MemoryRegistryTest, LinksLeadToTheirTargetAndFailWhenBroken) {
  MemoryRegistry registry;
  registry.SetString("HKEY_LOCAL_MACHINE\\System\\ControlSet001\\Control", "v", "x");
  registry.MakeLink(registry.AddKey("HKEY_LOCAL_MACHINE\\System\\CurrentControlSet"), "HKEY_LOCAL_MACHINE\\System\\ControlSet001");
  registry.MakeLink(registry.AddKey("HKEY_LOCAL_MACHINE\\System\\Broken"), "HKEY_LOCAL_MACHINE\\System\\Nowhere");
  registry.MakeLink(registry.AddKey("HKEY_LOCAL_MACHINE\\Loop\\A"), "HKEY_LOCAL_MACHINE\\Loop\\B");
  registry.MakeLink(registry.AddKey("HKEY_LOCAL_MACHINE\\Loop\\B"), "HKEY_LOCAL_MACHINE\\Loop\\A");

  // A link is listed by its parent under its own name.
  EXPECT_EQ(ListSubkeys(registry, kLocalMachine, "System"),
            (std::vector<std::string>{"Broken", "ControlSet001", "CurrentControlSet"}));
  EXPECT_EQ(ListSubkeys(registry, kLocalMachine, "System\\CurrentControlSet"), std::vector<std::string>{"Control"});
  // Writing through a link writes to its target.
  registry.SetDword("HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control", "w", 1);
  EXPECT_EQ(ListValues(registry, kLocalMachine, "system\\controlset001\\control").size(), 2u);

  for (const char* broken : {"System\\Broken", "System\\Broken\\Below", "Loop\\A"})
    EXPECT_EQ(OpenError(registry, kLocalMachine, broken), kErrorFileNotFound) << broken;
  // A link back to its parent makes paths of any depth, up to the 512 levels
  // that the registry allows.
  registry.MakeLink(registry.AddKey("HKEY_LOCAL_MACHINE\\System\\Again"), "HKEY_LOCAL_MACHINE\\System");
  std::string deep = "System";
  for (int level = 2; level <= 512; ++level) deep += "\\Again";
  EXPECT_EQ(OpenError(registry, kLocalMachine, deep.c_str()), kErrorSuccess);
  EXPECT_EQ(OpenError(registry, kLocalMachine, (deep + "\\Again").c_str()), kErrorMoreData);
  // The target appearing later mends the link.
  registry.AddKey("HKEY_LOCAL_MACHINE\\System\\Nowhere");
  EXPECT_EQ(OpenError(registry, kLocalMachine, "System\\Broken"), kErrorSuccess);
}

// A root aliased to a key shows that key: the same path below it is another
// key, and keys added through it land below the key.
TEST(MemoryRegistryTest, AnAliasedRootShowsItsKeyOrAnEmptyOneWhileThatIsMissing) {
  MemoryRegistry registry;
  registry.SetString("HKEY_LOCAL_MACHINE\\A\\B\\C", "v", "1");
  registry.AliasRoot(kCurrentConfig, "HKEY_LOCAL_MACHINE\\A");
  EXPECT_EQ(OpenError(registry, kCurrentConfig, "A\\B\\C"), kErrorFileNotFound);
  EXPECT_EQ(ListValues(registry, kCurrentConfig, "B\\C").size(), 1u);
  registry.AddKey("HKEY_CURRENT_CONFIG\\.doc");
  EXPECT_EQ(ListSubkeys(registry, kLocalMachine, "a"), (std::vector<std::string>{".doc", "B"}));
  // Aliased to a missing key, it is an empty key until that key appears.
  registry.AliasRoot(kCurrentConfig, "HKEY_LOCAL_MACHINE\\Missing");
  EXPECT_EQ(ListSubkeys(registry, kCurrentConfig, ""), std::vector<std::string>{});
  EXPECT_EQ(OpenError(registry, kCurrentConfig, "B\\C"), kErrorFileNotFound);
  registry.AddKey("HKEY_LOCAL_MACHINE\\Missing\\B\\C");
  EXPECT_EQ(ListValues(registry, kCurrentConfig, "B\\C").size(), 0u);
}

TEST(MemoryRegistryTest, ALargeRegistryKeepsEveryKeyAndValue) {
  // Enough keys, names and lists to fill more than one block of each.
  constexpr int kKeys = 40000;
  MemoryRegistry registry;
  MemoryRegistry::Key* parent = registry.AddSubkey(registry.RootKey(kLocalMachine), "Many");
  for (int i = 0; i < kKeys; ++i) {
    std::string name = "Key" + std::to_string(i);
    registry.SetValue(registry.AddSubkey(parent, name), "Value", kRegSz, name + std::string(1, '\0'), 0);
  }
  RegistryKey key = Open(registry, kLocalMachine, "Many");
  RegistryKeyInfo info;
  ASSERT_EQ(registry.QueryInfoKey(key, nullptr, nullptr, &info), kErrorSuccess);
  EXPECT_EQ(info.subKeys, static_cast<std::uint32_t>(kKeys));
  EXPECT_EQ(ListValues(registry, kLocalMachine, "Many\\Key39999"),
            (std::vector<ListedValue>{{"Value", kRegSz, Sz("Key39999")}}));
  registry.CloseKey(key);
  // As many values of one key, set one after another: their list grows where
  // it lies until its block is full, and then moves.
  for (int i = 0; i < kKeys; ++i) registry.SetDword("HKEY_LOCAL_MACHINE\\Many", "v" + std::to_string(100000 + i), i);
  std::vector<ListedValue> values = ListValues(registry, kLocalMachine, "Many");
  ASSERT_EQ(values.size(), static_cast<std::size_t>(kKeys));
  EXPECT_EQ(values.front(), (ListedValue{"v100000", kRegDword, std::string(4, '\0')}));
  EXPECT_EQ(values.back(), (ListedValue{"v139999", kRegDword, std::string("\x3f\x9c\0\0", 4)}));
}

TEST(MemoryRegistryTest, OpenKeysStayValidAndDeletedKeysFailSafely) {
  MemoryRegistry registry;
  registry.SetString("HKEY_LOCAL_MACHINE\\A\\B", "v", "1");
  RegistryKey a = Open(registry, kLocalMachine, "A");
  RegistryKey b = Open(registry, a, "B");  // below an open key
  // Many more keys added and opened meanwhile do not disturb the first ones.
  for (int i = 0; i < 5000; ++i) {
    registry.AddKey("HKEY_LOCAL_MACHINE\\A\\K" + std::to_string(i));
    Open(registry, kLocalMachine, "A\\B");
  }
  EXPECT_EQ(ListValues(registry, b, "").size(), 1u);

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
  registry.DeleteKey("HKEY_LOCAL_MACHINE");  // the root keys cannot be deleted
  EXPECT_EQ(OpenError(registry, kLocalMachine, ""), kErrorSuccess);

  // A path opened again sees what changed on it since: a key added again is
  // a new key, a link put in its place leads elsewhere.
  registry.AddKey("HKEY_LOCAL_MACHINE\\A\\B");
  EXPECT_EQ(ListValues(registry, kLocalMachine, "A\\B").size(), 0u);
  registry.SetString("HKEY_LOCAL_MACHINE\\Other\\C", "w", "2");
  registry.DeleteKey("HKEY_LOCAL_MACHINE\\A");
  registry.MakeLink(registry.AddKey("HKEY_LOCAL_MACHINE\\A"), "HKEY_LOCAL_MACHINE\\Other");
  EXPECT_EQ(ListValues(registry, kLocalMachine, "a\\c").size(), 1u);
}

}  // namespace
}  // namespace platform
