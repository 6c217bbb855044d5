#include "registry/registry_snapshot.h"

#include <gtest/gtest.h>

#include "platform/memory_registry.h"
#include "registry/registry_test_support.h"
#include "registry/stored_key_export.h"

namespace {

using registry_test::KeyRecord;
using registry_test::U32;
using registry_test::U32At;
using registry_test::ValueRecord;

// Where each root key's child-offset field lies when the root path is empty,
// and where the root block ends.
constexpr std::uint32_t kRootSlots[] = {33, 62, 92, 114, 145};
constexpr std::uint32_t kRootBlockEnd = 149;

class CaptureTest : public ::testing::Test {
 protected:
  // Captures the whole registry; returns reg.bin's bytes.
  std::string Capture(int expectedResult = 1) {
    EXPECT_EQ(CaptureRegistry("", folder_.path() + "/reg.bin"), expectedResult);
    return folder_.ReadFile("reg.bin");
  }

  platform::MemoryRegistry registry_;
  registry_test::UseRegistry use_{registry_};
  test::TempFolder folder_;
  registry_test::Console console_;
};

TEST_F(CaptureTest, AnEmptyRegistryGivesTheRootBlockAndFiveEmptyBlocks) {
  std::string bytes = Capture();
  std::string expected = U32(0) + U32(5);
  for (const char* root : {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                           "HKEY_USERS", "HKEY_CURRENT_CONFIG"})
    expected += KeyRecord(root, 0);
  for (int i = 0; i < 5; ++i) {
    expected.replace(kRootSlots[i], 4, U32(kRootBlockEnd + 4 * i));
    expected += U32(0);
  }
  EXPECT_EQ(bytes, expected);
  EXPECT_EQ(U32At(bytes, 33), 149u);
  EXPECT_EQ(console_.Text(), "");
}

TEST_F(CaptureTest, AKeyBlockHoldsValuesThenSubkeysEachPointingToItsBlock) {
  registry_.SetString("HKEY_CURRENT_USER\\Sample", "Ver", "1");
  registry_.AddKey("HKEY_CURRENT_USER\\Sample\\Sub");
  registry_.SetString("HKEY_CURRENT_USER\\Sample\\Sub", "", "d");
  registry_.SetValue("HKEY_CURRENT_USER\\Sample\\Sub", "Zero", platform::kRegBinary, {});
  std::string bytes = Capture();

  // HKEY_CLASSES_ROOT is empty; HKEY_CURRENT_USER's block follows it.
  std::uint32_t user = U32At(bytes, kRootSlots[1]);
  ASSERT_EQ(user, kRootBlockEnd + 4);
  std::uint32_t sample = user + 4 + 18;
  EXPECT_EQ(bytes.substr(user, 4 + 18), U32(1) + KeyRecord("Sample", sample));
  std::string block = U32(2) + ValueRecord("Ver", 1, std::string("1\0", 2)) +
                      KeyRecord("Sub", sample + 40);
  EXPECT_EQ(bytes.substr(sample, block.size()), block);
  EXPECT_EQ(block.size(), 40u);
  // Sub: its default value (an empty name) and a value of no data.
  std::string sub = U32(2) + ValueRecord("", 1, std::string("d\0", 2)) + ValueRecord("Zero", 3, "");
  EXPECT_EQ(bytes.substr(sample + 40, sub.size()), sub);
  // The keys after HKEY_CURRENT_USER come after its whole subtree.
  EXPECT_EQ(U32At(bytes, kRootSlots[2]), sample + 40 + sub.size());
  EXPECT_EQ(bytes.size(), sample + 40 + sub.size() + 3 * 4);
}

TEST_F(CaptureTest, DeniedAndUnqueryableSubkeysAreLeftOutWithAMessage) {
  registry_.AddKey("HKEY_LOCAL_MACHINE\\A\\Denied\\Below");
  registry_.AddKey("HKEY_LOCAL_MACHINE\\A\\Perflib\\009");
  registry_.AddKey("HKEY_LOCAL_MACHINE\\A\\Open");
  registry_.DenyOpen("HKEY_LOCAL_MACHINE\\A\\Denied");
  registry_.DenyQuery("HKEY_LOCAL_MACHINE\\A\\Perflib\\009");
  registry_.AddKey("HKEY_USERS\\After");
  std::string bytes = Capture();

  EXPECT_EQ(console_.Text(),
            "\b \n Inacessible path error=5\nHKEY_LOCAL_MACHINE\\A\\Denied\n"
            "\b \n Inacessible path error=5\nHKEY_LOCAL_MACHINE\\A\\Perflib\\009\n");
  std::uint32_t machine = U32At(bytes, kRootSlots[2]);
  std::uint32_t a = U32At(bytes, machine + 13);
  EXPECT_EQ(U32At(bytes, a), 2u);  // Open and Perflib; Denied is not counted
  EXPECT_EQ(bytes.substr(a + 12, 4), "Open");
  // The walk went on past the key that could not be queried.
  EXPECT_NE(bytes.find("After"), std::string::npos);
  EXPECT_EQ(bytes.find("Below"), std::string::npos);
}

TEST_F(CaptureTest, ARootKeyThatCannotBeOpenedEndsTheSnapshotThere) {
  registry_.DenyOpen("HKEY_LOCAL_MACHINE");
  std::string bytes = Capture(0);
  EXPECT_EQ(console_.Text(), "\b \npath not found 5\nHKEY_LOCAL_MACHINE\n");
  EXPECT_EQ(U32At(bytes, kRootSlots[2]), bytes.size());
  EXPECT_EQ(U32At(bytes, kRootSlots[3]), 0u);
  EXPECT_EQ(U32At(bytes, kRootSlots[4]), 0u);
  EXPECT_EQ(bytes.size(), kRootBlockEnd + 8u);
}

TEST_F(CaptureTest, AListingThatFailsStopsTheWalkKeepingWhatItListed) {
  registry_.SetString("HKEY_CURRENT_USER\\A", "first", "1");
  registry_.SetString("HKEY_CURRENT_USER\\A", std::string(3000, 'n'), "too long a name");
  registry_.AddKey("HKEY_CURRENT_USER\\A\\Sub");
  registry_.AddKey("HKEY_CURRENT_USER\\B");
  std::string bytes = Capture(0);
  EXPECT_EQ(console_.Text(), "\b \n->HKEY_CURRENT_USER\\A\nError 234\n");
  std::uint32_t user = U32At(bytes, kRootSlots[1]);
  std::uint32_t a = U32At(bytes, user + 4 + 4 + 4 + 1);
  EXPECT_EQ(bytes.substr(a), U32(1) + ValueRecord("first", 1, std::string("1\0", 2)));
  EXPECT_EQ(U32At(bytes, user + 4 + 4 + 4 + 1 + 4 + 4 + 4 + 1), 0u);  // B was never walked
}

TEST_F(CaptureTest, ASecondCaptureLeavesNothingOfTheFirst) {
  registry_.SetString("HKEY_CURRENT_USER\\Big", "v", std::string(5000, 'x'));
  std::string first = Capture();
  registry_.DeleteKey("HKEY_CURRENT_USER\\Big");
  std::string second = Capture();
  EXPECT_LT(second.size(), first.size());
  EXPECT_EQ(second.size(), kRootBlockEnd + 5 * 4u);
}

// Reading snapshots made by hand.
class StoredKeyTest : public ::testing::Test {
 protected:
  // Exports the key entry found at the start of `records` (after a header).
  std::string Export(const std::string& records, int expectedResult = 1) {
    folder_.WriteFile("reg.bin", records);
    File snapshot;
    snapshot.OpenOrThrow(folder_.path() + "/reg.bin", File::modeRead);
    SnapshotReader reader(snapshot);
    reader.ReadRootPath();
    RegistryEntry key;
    reader.ReadCount();
    reader.ReadEntry(key);
    registry_test::Report report;
    EXPECT_EQ(ExportStoredKey(reader, key, report.file, "HKEY_CURRENT_USER"), expectedResult);
    return report.Text();
  }

  test::TempFolder folder_;
  registry_test::Console console_;
};

TEST_F(StoredKeyTest, ARemovedSubtreeComesOutParentsFirstWithFullPaths) {
  // Gone: a default value and Mid, which holds Deep (a value) and Empty.
  std::string head = U32(0) + U32(1);
  std::uint32_t gone = static_cast<std::uint32_t>(head.size() + KeyRecord("Gone", 0).size());
  std::string goneBlock = U32(2) + ValueRecord("", 1, std::string("d\0", 2));
  std::uint32_t mid = gone + static_cast<std::uint32_t>(goneBlock.size() + KeyRecord("Mid", 0).size());
  goneBlock += KeyRecord("Mid", mid);
  std::string midBlock = U32(1) + KeyRecord("Deep", 0);
  std::uint32_t deep = mid + static_cast<std::uint32_t>(midBlock.size());
  midBlock.replace(midBlock.size() - 4, 4, U32(deep));
  std::string deepBlock = U32(2) + ValueRecord("v", 4, U32(9)) + KeyRecord("Empty", 0);
  std::uint32_t empty = deep + static_cast<std::uint32_t>(deepBlock.size());
  deepBlock.replace(deepBlock.size() - 4, 4, U32(empty));
  std::string file = head + KeyRecord("Gone", gone) + goneBlock + midBlock + deepBlock + U32(0);

  EXPECT_EQ(Export(file),
            "\r\n[HKEY_CURRENT_USER\\Gone]\r\n@=\"d\"\r\n"
            "\r\n[HKEY_CURRENT_USER\\Gone\\Mid]\r\n"
            "\r\n[HKEY_CURRENT_USER\\Gone\\Mid\\Deep]\r\n\"v\"=dword:00000009\r\n"
            "\r\n[HKEY_CURRENT_USER\\Gone\\Mid\\Deep\\Empty]\r\n");
  EXPECT_EQ(console_.Text(), "");
}

TEST_F(StoredKeyTest, AnUnfinishedSubtreeStopsTheExportWithOneLine) {
  std::string head = U32(0) + U32(1);
  std::uint32_t gone = static_cast<std::uint32_t>(head.size() + KeyRecord("Gone", 0).size());
  // Gone's block names two subkeys; the capture stopped before either.
  std::string goneBlock = U32(2) + KeyRecord("A", 0) + KeyRecord("B", 0);
  EXPECT_EQ(Export(head + KeyRecord("Gone", gone) + goneBlock, 0),
            "\r\n[HKEY_CURRENT_USER\\Gone]\r\n");
  EXPECT_EQ(console_.Text(),
            "\b \nThe snapshot ends at HKEY_CURRENT_USER\\Gone\\A: its capture stopped there\n");

  // A key whose block was about to start when the capture stopped.
  std::string atEnd = head + KeyRecord("Gone", gone);
  EXPECT_EQ(Export(atEnd, 0), "");
  EXPECT_EQ(console_.Text(),
            "\b \nThe snapshot ends at HKEY_CURRENT_USER\\Gone: its capture stopped there\n");
}

TEST_F(StoredKeyTest, DamagedSnapshotsRaiseAnErrorNamingTheFile) {
  std::string head = U32(0) + U32(1);
  std::uint32_t gone = static_cast<std::uint32_t>(head.size() + KeyRecord("Gone", 0).size());
  struct Case {
    const char* what;
    std::string file;
  } cases[] = {
      {"block count beyond the file", head + KeyRecord("Gone", gone) + U32(1000)},
      {"name beyond the file",
       head + KeyRecord("Gone", gone) + U32(1) + U32(0) + U32(0xFFFFFFF0u) + "ab"},
      {"data beyond the file",
       head + KeyRecord("Gone", gone) + U32(1) + U32(0) + U32(1) + "v" + U32(3) + U32(0x7FFFFFFFu)},
      {"offset past the end", head + KeyRecord("Gone", gone) + U32(1) + KeyRecord("A", 5000)},
      {"offset pointing back", head + KeyRecord("Gone", gone) + U32(1) + KeyRecord("A", gone)},
      {"neither key nor value", head + KeyRecord("Gone", gone) + U32(1) + U32(2) + U32(0) + U32(0)},
      {"ends inside a record", head + KeyRecord("Gone", gone) + U32(1) + U32(0) + U32(1) + "v" + U32(1)},
      {"ends inside a count", head + KeyRecord("Gone", gone) + "\1\0"},
  };
  for (const Case& c : cases) {
    try {
      Export(c.file);
      ADD_FAILURE() << c.what << ": no error";
    } catch (const FileError& error) {
      EXPECT_EQ(error.cause, FileError::damaged) << c.what;
      EXPECT_NE(error.Message().find("reg.bin: the file is damaged"), std::string::npos)
          << c.what << ": " << error.Message();
    }
  }
}

TEST_F(StoredKeyTest, AChainOfKeysFarDeeperThanAnyRegistryIsDamage) {
  std::string file = U32(0) + U32(1);
  for (int level = 0; level < 5000; ++level)
    file += KeyRecord("k", static_cast<std::uint32_t>(file.size() + 13)) + U32(1);
  file += KeyRecord("k", 0);
  try {
    Export(file);
    ADD_FAILURE() << "no error";
  } catch (const FileError& error) {
    EXPECT_EQ(error.cause, FileError::damaged);
  }
}

TEST(SnapshotReaderTest, TheHeaderMustFitItsBuffer) {
  test::TempFolder folder;
  auto readRoot = [&](const std::string& bytes) {
    folder.WriteFile("reg.bin", bytes);
    File file;
    file.OpenOrThrow(folder.path() + "/reg.bin", File::modeRead);
    SnapshotReader reader(file);
    return reader.ReadRootPath();
  };
  EXPECT_EQ(readRoot(U32(0)), "");
  EXPECT_EQ(readRoot(U32(17) + "HKEY_CURRENT_USER"), "HKEY_CURRENT_USER");
  EXPECT_EQ(readRoot(U32(259) + std::string(259, 'k')), std::string(259, 'k'));
  for (const std::string& bad : {std::string(), std::string("\0\0", 2), U32(260) + std::string(260, 'k'),
                                 U32(5) + "HKEY", U32(0xFFFFFFFFu)})
    EXPECT_THROW(readRoot(bad), FileError);
}

}  // namespace
