// The registry at the limits of what Windows allows: a value of 64 MiB, the
// longest key and value names, and a snapshot too large for the 32-bit
// offsets of reg.bin. Nothing may be lost, and what cannot be stored is
// refused with a message instead of being stored wrongly.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/file_error.h"
#include "platform/memory_registry.h"
#include "registry/registry_compare.h"
#include "registry/registry_snapshot.h"
#include "registry/registry_test_support.h"
#include "test/memory_files.h"

namespace {

using platform::MemoryRegistry;

const std::string kSnapshot = "c:\\vastrel\\reg.bin";
const std::string kNewHead = "REGEDIT4\r\n\r\n;   New Added Registry\r\n\r\n";
const std::string kModHead = "REGEDIT4\r\n\r\n;   Modified Registry\r\n\r\n";
const std::string kRemHead = "REGEDIT4\r\n\r\n;   Removed Registry\r\n\r\n";

class ExtremesTest : public ::testing::Test {
 protected:
  ExtremesTest() { files_.AddFolder("c:\\vastrel"); }

  void Capture(MemoryRegistry& registry) {
    registry_test::UseRegistry use(registry);
    ASSERT_EQ(CaptureRegistry("", kSnapshot), 1);
  }
  void Compare(MemoryRegistry& registry) {
    registry_test::UseRegistry use(registry);
    EXPECT_EQ(CompareRegistry(kSnapshot, "c:\\vastrel\\new.reg", "c:\\vastrel\\mod.reg", "c:\\vastrel\\modo.reg",
                              "c:\\vastrel\\rem.reg"),
              1);
  }
  std::string Report(const char* name) { return files_.Get(std::string("c:\\vastrel\\") + name).value(); }

  test::MemoryFiles files_;
  registry_test::Console console_;
};

TEST_F(ExtremesTest, AValueOf64MiBIsStoredWholeAndTheValuesAroundItKept) {
  const char* key = "HKEY_LOCAL_MACHINE\\Software\\Big";
  std::vector<std::uint8_t> big(64 << 20);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7 + (i >> 20));
  MemoryRegistry registry;
  registry.SetString(key, "Before", "1");
  registry.SetValue(key, "Blob", platform::kRegBinary, big);
  registry.SetString(key, "Zafter", "1");
  Capture(registry);
  EXPECT_GT(files_.Get(kSnapshot)->size(), big.size());

  // Read back byte for byte: nothing differs, and the value after it is found.
  registry.SetString(key, "Zafter", "2");
  Compare(registry);
  EXPECT_EQ(Report("mod.reg"), kModHead + "\r\n[" + key + "]\r\n\"Zafter\"=\"2\"\r\n");
  EXPECT_EQ(Report("new.reg"), kNewHead);
  EXPECT_EQ(Report("rem.reg"), kRemHead);
  EXPECT_EQ(console_.Text(), "");
}

TEST_F(ExtremesTest, TheLongestKeyAndValueNamesAreListedWhole) {
  // 255 characters for a key, 16,383 for a value; "€" takes three bytes of
  // UTF-8, the most a character of the registry's UTF-16 takes.
  std::string euro = "\xe2\x82\xac";
  std::string keyName, valueName;
  for (int i = 0; i < 255; ++i) keyName += euro;
  for (int i = 0; i < 16383; ++i) valueName += euro;
  // Paths to open stay within the 260 characters of RegOpenKeyExA, so the
  // longest key name stands right below a root.
  const std::string parent = "HKEY_CURRENT_USER";
  const std::string key = parent + "\\" + keyName;

  MemoryRegistry registry;
  registry.SetString(parent, "a", "1");
  registry.SetString(parent, "z", "1");
  registry.AddKey(parent + "\\z\\Below");
  Capture(registry);
  registry.SetString(parent, valueName, "long");
  registry.SetString(key, valueName, "deep");
  registry.SetString(parent, "z", "2");
  Compare(registry);
  EXPECT_EQ(console_.Text(), "");
  EXPECT_EQ(Report("new.reg"), kNewHead + "\r\n[" + parent + "]\r\n\"" + valueName + "\"=\"long\"\r\n" + "\r\n[" +
                                   key + "]\r\n\"" + valueName + "\"=\"deep\"\r\n");
  EXPECT_EQ(Report("mod.reg"), kModHead + "\r\n[" + parent + "]\r\n\"z\"=\"2\"\r\n");

  // And they survive a snapshot: captured now, they compare unchanged.
  Capture(registry);
  Compare(registry);
  EXPECT_EQ(Report("new.reg"), kNewHead);
  EXPECT_EQ(Report("mod.reg"), kModHead);
}

TEST_F(ExtremesTest, AKeyWhoseClassIsLongerThanAPathIsListedLikeAnyOther) {
  MemoryRegistry registry;
  MemoryRegistry::Key* key =
      registry.AddSubkey(registry.AddSubkey(registry.RootKey(platform::kCurrentUser), "Software"), "Classy");
  registry.SetClass(key, std::string(300, 'c'));
  registry.SetString("HKEY_CURRENT_USER\\Software\\Classy\\Below", "v", "1");
  Capture(registry);
  registry.SetString("HKEY_CURRENT_USER\\Software\\Classy\\Below", "v", "2");
  Compare(registry);
  EXPECT_EQ(console_.Text(), "");
  EXPECT_EQ(Report("mod.reg"), kModHead + "\r\n[HKEY_CURRENT_USER\\Software\\Classy\\Below]\r\n\"v\"=\"2\"\r\n");
}

// A registry with 65,537 values of 64 KiB under HKEY_CURRENT_USER\Big: more
// than 4 GiB together, handed out without being held.
class HugeRegistry : public platform::Registry {
 public:
  static constexpr platform::RegistryKey kBig = 1;
  static constexpr std::uint32_t kValues = 65537;
  static constexpr std::uint32_t kValueSize = 64 << 10;

  std::uint32_t OpenKey(platform::RegistryKey parent, const char* subKey, platform::RegistryKey* result) override {
    if (*subKey == '\0') {
      *result = parent;
      return platform::kErrorSuccess;
    }
    if (parent == platform::kCurrentUser && std::strcmp(subKey, "Big") == 0) {
      *result = kBig;
      return platform::kErrorSuccess;
    }
    return platform::kErrorFileNotFound;
  }
  std::uint32_t QueryInfoKey(platform::RegistryKey key, char* className, std::uint32_t* classLength,
                             platform::RegistryKeyInfo* info) override {
    if (className) *className = '\0';
    if (classLength) *classLength = 0;
    *info = {};
    if (key == platform::kCurrentUser) info->subKeys = 1;
    if (key == kBig) {
      info->values = kValues;
      info->maxValueNameLength = 6;
      info->maxValueLength = kValueSize;
    }
    return platform::kErrorSuccess;
  }
  std::uint32_t EnumValue(platform::RegistryKey key, std::uint32_t index, char* name, std::uint32_t* nameLength,
                          std::uint32_t* type, std::uint8_t*, std::uint32_t* dataLength) override {
    if (key != kBig || index >= kValues) return platform::kErrorNoMoreItems;
    std::string text = "v" + std::to_string(index);
    std::memcpy(name, text.c_str(), text.size() + 1);
    *nameLength = static_cast<std::uint32_t>(text.size());
    *type = platform::kRegBinary;
    bool fits = *dataLength >= kValueSize;
    *dataLength = kValueSize;  // the bytes stay as the caller's buffer holds them
    return fits ? platform::kErrorSuccess : platform::kErrorMoreData;
  }
  std::uint32_t EnumKey(platform::RegistryKey key, std::uint32_t index, char* name, std::uint32_t) override {
    if (key != platform::kCurrentUser || index != 0) return platform::kErrorNoMoreItems;
    std::strcpy(name, "Big");
    return platform::kErrorSuccess;
  }
  std::uint32_t CloseKey(platform::RegistryKey) override { return platform::kErrorSuccess; }
};

TEST_F(ExtremesTest, ASnapshotThatWouldPass4GiBIsRefusedInsteadOfWrappingItsOffsets) {
  HugeRegistry registry;
  registry_test::UseRegistry use(registry);
  files_.KeepOnly(kSnapshot, 4096);
  try {
    CaptureRegistry("", kSnapshot);
    ADD_FAILURE() << "a snapshot of more than 4 GiB was written";
  } catch (const FileError& error) {
    EXPECT_EQ(error.fileName, kSnapshot);
    EXPECT_NE(error.Message().find("4 GiB"), std::string::npos) << error.Message();
  }
  // What was written before stays: the header and the root block.
  std::string start = files_.Get(kSnapshot).value();
  ASSERT_GE(start.size(), 4096u);
  EXPECT_EQ(registry_test::U32At(start, 0), 0u);
  EXPECT_EQ(registry_test::U32At(start, 4), 5u);
  EXPECT_EQ(registry_test::U32At(start, 33), 149u);
}

}  // namespace
