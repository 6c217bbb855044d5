#include "registry/registry_compare.h"

#include <gtest/gtest.h>

#include "platform/memory_registry.h"
#include "registry/registry_snapshot.h"
#include "registry/registry_test_support.h"

namespace {

const std::string kNewHead = "REGEDIT4\r\n\r\n;   New Added Registry\r\n\r\n";
const std::string kModHead = "REGEDIT4\r\n\r\n;   Modified Registry\r\n\r\n";
const std::string kModoHead = "REGEDIT4\r\n\r\n;   Original Registry\r\n\r\n";
const std::string kRemHead = "REGEDIT4\r\n\r\n;   Removed Registry\r\n\r\n";
const char kSample[] = "HKEY_CURRENT_USER\\Software\\Sample";

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
  return std::vector<std::uint8_t>(values.begin(), values.end());
}

class CompareTest : public ::testing::Test {
 protected:
  std::string Path(const char* name) { return folder_.path() + "/" + name; }

  void Capture() {
    registry_test::UseRegistry use(before_);
    CaptureRegistry("", Path("reg.bin"));
  }

  // Compares `after` with the snapshot; keeps the four reports.
  int Compare() {
    registry_test::UseRegistry use(after_);
    int result = CompareRegistry(Path("reg.bin"), Path("new.reg"), Path("mod.reg"),
                                 Path("modo.reg"), Path("rem.reg"));
    added_ = folder_.ReadFile("new.reg");
    modified_ = folder_.ReadFile("mod.reg");
    original_ = folder_.ReadFile("modo.reg");
    removed_ = folder_.ReadFile("rem.reg");
    return result;
  }

  // Both registries get the same change.
  template <typename Change>
  void Both(Change change) {
    change(before_);
    change(after_);
  }

  platform::MemoryRegistry before_;
  platform::MemoryRegistry after_;
  test::TempFolder folder_;
  registry_test::Console console_;
  std::string added_, modified_, original_, removed_;
};

TEST_F(CompareTest, AnUnchangedRegistryGivesFourReportsWithTheirHeadersAlone) {
  Both([](platform::MemoryRegistry& r) {
    r.SetString("HKEY_LOCAL_MACHINE\\Software\\Stable", "k", "v");
    r.SetValue("HKEY_CURRENT_USER\\Software\\Blob", "", platform::kRegBinary, Bytes({1, 2, 3}));
    r.AddKey("HKEY_USERS\\.Default\\Empty");
  });
  Capture();
  EXPECT_EQ(Compare(), 1);
  EXPECT_EQ(added_, kNewHead);
  EXPECT_EQ(modified_, kModHead);
  EXPECT_EQ(original_, kModoHead);
  EXPECT_EQ(removed_, kRemHead);
  EXPECT_EQ(console_.Text(), "");
}

TEST_F(CompareTest, EveryKindOfChangeLandsInItsReport) {
  Both([](platform::MemoryRegistry& r) {
    r.SetString(kSample, "Same", "x");
    r.SetString(kSample, "TypeOnly", "a");
    r.SetString(kSample, "Ver", "1");
    r.SetString("HKEY_CURRENT_USER\\Software\\Sample\\Twin", "in", "key");
    r.SetString("HKEY_LOCAL_MACHINE\\Software\\Stable", "k", "v");
  });
  before_.SetString(kSample, "Case", "v");
  before_.SetString(kSample, "Obsolete", "old");
  before_.SetString(kSample, "Twin", "t");  // a value and a subkey of one name
  before_.SetDword("HKEY_CURRENT_USER\\Software\\Sample\\Old", "o", 1);
  before_.SetString("HKEY_CURRENT_USER\\Software\\Sample\\Old\\Deep", "d", "deep");
  before_.SetString("HKEY_CURRENT_USER\\Software\\Sample\\Sub", "s", "s");
  Capture();

  after_.SetDword(kSample, "Added", 0x2a);
  after_.SetString(kSample, "CASE", "v");
  after_.SetString(kSample, "TypeOnly", "a", platform::kRegExpandSz);
  after_.SetString(kSample, "Ver", "2");
  after_.SetString("HKEY_CURRENT_USER\\Software\\Sample\\SUB", "s", "s");
  const std::string added = std::string(kSample) + "\\New";
  std::vector<std::uint8_t> blob;
  for (int i = 0; i < 26; ++i) blob.push_back(static_cast<std::uint8_t>(i));
  after_.SetValue(added, "", platform::kRegBinary, blob);
  after_.SetValue(added, "big", platform::kRegDwordBigEndian, Bytes({0, 0, 0, 1}));
  after_.SetDword(added, "dw", 1);
  after_.SetString(added, "expand", "%PATH%", platform::kRegExpandSz);
  after_.SetValue(added, "multi", platform::kRegMultiSz, Bytes({'a', 0, 'b', 0, 0}));
  after_.SetValue(added, "none", platform::kRegNone, Bytes({1}));
  after_.SetValue(added, "t10", 10, Bytes({1}));
  after_.SetValue(added, "t11", 11, {});
  after_.SetString(added + "\\Inner", "x", "y");
  after_.SetString("HKEY_LOCAL_MACHINE\\Software\\Stable", "k2", "new");

  EXPECT_EQ(Compare(), 1);
  EXPECT_EQ(console_.Text(), "");
  EXPECT_EQ(added_,
            kNewHead +
            "\r\n[HKEY_CURRENT_USER\\Software\\Sample]\r\n"
            "\"Added\"=dword:0000002A\r\n"
            "\"CASE\"=\"v\"\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software\\Sample\\New]\r\n"
            "@=hex:00,01,02,03,04,05,06,07,08,09,0A,0B,0C,0D,0E,0F,10,11,12,13,14,15,16,17,18,\\\r\n"
            "  19\r\n"
            "\"big\"=dword:01000000\r\n"
            "\"dw\"=dword:00000001\r\n"
            "\"expand\"=\"%PATH%\"\r\n"
            "\"multi\"=hex(7):61,00,62,00,00\r\n"
            "\"none\"=Error Bad Type 0\r\n"
            "\"t10\"=hex(10):01\r\n"
            "\"t11\"=Error Bad Type 11\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software\\Sample\\New\\Inner]\r\n"
            "\"x\"=\"y\"\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software\\Sample\\SUB]\r\n"
            "\"s\"=\"s\"\r\n"
            "\r\n[HKEY_LOCAL_MACHINE\\Software\\Stable]\r\n"
            "\"k2\"=\"new\"\r\n");
  EXPECT_EQ(modified_,
            kModHead +
            "\r\n[HKEY_CURRENT_USER\\Software\\Sample]\r\n"
            "\"TypeOnly\"=\"a\"\r\n"
            "\"Ver\"=\"2\"\r\n");
  EXPECT_EQ(original_,
            kModoHead +
            "\r\n[HKEY_CURRENT_USER\\Software\\Sample]\r\n"
            "\"TypeOnly\"=\"a\"\r\n"
            "\"Ver\"=\"1\"\r\n");
  EXPECT_EQ(removed_,
            kRemHead +
            "\r\n[HKEY_CURRENT_USER\\Software\\Sample]\r\n"
            "\"Case\"=\"v\"\r\n"
            "\"Obsolete\"=\"old\"\r\n"
            "\"Twin\"=\"t\"\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software\\Sample\\Old]\r\n"
            "\"o\"=dword:00000001\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software\\Sample\\Old\\Deep]\r\n"
            "\"d\"=\"deep\"\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software\\Sample\\Sub]\r\n"
            "\"s\"=\"s\"\r\n");
}

TEST_F(CompareTest, AKeyThatBecameUnreadableIsReportedRemovedAndTheRestCompared) {
  Both([](platform::MemoryRegistry& r) {
    r.SetString("HKEY_CURRENT_USER\\Locked", "a", "1");
    r.SetString("HKEY_CURRENT_USER\\Perflib\\009", "b", "2");
    r.SetString("HKEY_USERS\\Later", "c", "3");
  });
  Capture();
  after_.DenyOpen("HKEY_CURRENT_USER\\Locked");
  after_.DenyQuery("HKEY_CURRENT_USER\\Perflib\\009");
  after_.SetString("HKEY_USERS\\Later", "c", "4");

  EXPECT_EQ(Compare(), 1);
  EXPECT_EQ(console_.Text(),
            "\b \n Inacessible path error=5\nHKEY_CURRENT_USER\\Locked\n"
            "\b \n Inacessible path error=5\nHKEY_CURRENT_USER\\Perflib\\009\n");
  EXPECT_EQ(removed_, kRemHead +
                          "\r\n[HKEY_CURRENT_USER\\Locked]\r\n\"a\"=\"1\"\r\n"
                          "\r\n[HKEY_CURRENT_USER\\Perflib\\009]\r\n\"b\"=\"2\"\r\n");
  EXPECT_EQ(modified_, kModHead + "\r\n[HKEY_USERS\\Later]\r\n\"c\"=\"4\"\r\n");
}

TEST_F(CompareTest, ALiveKeyThatCannotBeListedStopsTheComparison) {
  Both([](platform::MemoryRegistry& r) {
    r.SetString("HKEY_CURRENT_USER\\A", "first", "1");
    r.AddKey("HKEY_LOCAL_MACHINE\\Later");
  });
  Capture();
  after_.SetString("HKEY_CURRENT_USER\\A", std::string(3000, 'n'), "too long a name");
  after_.SetString("HKEY_LOCAL_MACHINE\\Later", "new", "1");
  EXPECT_EQ(Compare(), 0);
  EXPECT_EQ(console_.Text(), "\b \n->HKEY_CURRENT_USER\\A\nError 234\n");
  EXPECT_EQ(added_, kNewHead);
}

TEST_F(CompareTest, AnUnfinishedSnapshotStopsAtTheKeyWhereItEnds) {
  Both([](platform::MemoryRegistry& r) {
    r.SetString("HKEY_CURRENT_USER\\A", "a", "1");
    r.SetString("HKEY_CURRENT_USER\\B", "b", "1");
    r.SetString("HKEY_CURRENT_USER\\C", "c", "1");
    r.AddKey("HKEY_LOCAL_MACHINE\\Machine");
  });
  // The capture stops in B's listing: B's subkeys and C are never walked.
  before_.SetString("HKEY_CURRENT_USER\\B", std::string(3000, 'n'), "too long a name");
  before_.AddKey("HKEY_CURRENT_USER\\B\\Below");
  Capture();
  console_.Text();

  after_.SetString("HKEY_CURRENT_USER\\A", "a", "2");
  after_.AddKey("HKEY_CURRENT_USER\\B\\Below");
  EXPECT_EQ(Compare(), 0);
  EXPECT_EQ(console_.Text(),
            "\b \nThe snapshot ends at HKEY_CURRENT_USER\\C: its capture stopped there\n");
  EXPECT_EQ(modified_, kModHead + "\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=\"2\"\r\n");
  // B's subkey was never captured, so it shows as new; nothing is reported
  // for what lies past the end.
  EXPECT_EQ(added_, kNewHead + "\r\n[HKEY_CURRENT_USER\\B\\Below]\r\n");
  EXPECT_EQ(removed_, kRemHead);

  // A key removed since then whose stored subtree is missing ends it as well.
  after_.DeleteKey("HKEY_CURRENT_USER\\C");
  EXPECT_EQ(Compare(), 0);
  EXPECT_EQ(console_.Text(),
            "\b \nThe snapshot ends at HKEY_CURRENT_USER\\C: its capture stopped there\n");
  EXPECT_EQ(removed_, kRemHead);
}

TEST_F(CompareTest, ARootKeyMissingFromTheSnapshotEndsTheComparisonThere) {
  before_.DenyOpen("HKEY_LOCAL_MACHINE");
  after_.SetString("HKEY_CURRENT_USER\\A", "a", "1");
  after_.SetString("HKEY_USERS\\U", "u", "1");
  Capture();
  console_.Text();
  EXPECT_EQ(Compare(), 0);
  EXPECT_EQ(console_.Text(),
            "\b \nThe snapshot ends at HKEY_LOCAL_MACHINE: its capture stopped there\n");
  EXPECT_EQ(added_, kNewHead + "\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=\"1\"\r\n");
}

TEST_F(CompareTest, ADamagedSnapshotRaisesAfterTheReportHeadersAreWritten) {
  Capture();
  std::string bytes = folder_.ReadFile("reg.bin");
  folder_.WriteFile("reg.bin", bytes.substr(0, bytes.size() - 3));
  try {
    Compare();
    ADD_FAILURE() << "no error";
  } catch (const FileError& error) {
    EXPECT_EQ(error.cause, FileError::damaged);
    EXPECT_NE(error.Message().find(Path("reg.bin")), std::string::npos) << error.Message();
  }
  EXPECT_EQ(folder_.ReadFile("new.reg"), kNewHead);
  EXPECT_EQ(folder_.ReadFile("rem.reg"), kRemHead);
}

TEST_F(CompareTest, AMissingSnapshotCreatesNoReport) {
  EXPECT_THROW(Compare(), FileError);
  EXPECT_FALSE(folder_.Exists("new.reg"));
  EXPECT_FALSE(folder_.Exists("rem.reg"));
}

TEST_F(CompareTest, AKeyWithManyValuesFindsItsFewChanges) {
  Both([](platform::MemoryRegistry& r) {
    for (int i = 0; i < 2000; ++i) r.SetDword("HKEY_CURRENT_USER\\Many", "v" + std::to_string(i), i);
  });
  Capture();
  after_.SetDword("HKEY_CURRENT_USER\\Many", "v1999", 0);
  after_.DeleteValue("HKEY_CURRENT_USER\\Many", "v0");
  EXPECT_EQ(Compare(), 1);
  EXPECT_EQ(modified_, kModHead + "\r\n[HKEY_CURRENT_USER\\Many]\r\n\"v1999\"=dword:00000000\r\n");
  EXPECT_EQ(removed_, kRemHead + "\r\n[HKEY_CURRENT_USER\\Many]\r\n\"v0\"=dword:00000000\r\n");
}

}  // namespace

namespace {

// A whole-registry snapshot made by hand whose HKEY_CURRENT_USER holds the
// value records `userValues`; the other root keys are empty.
std::string HandMadeSnapshot(std::uint32_t count, const std::string& userValues) {
  using registry_test::KeyRecord;
  using registry_test::U32;
  std::string userBlock = U32(count) + userValues;
  std::uint32_t machine = 153 + static_cast<std::uint32_t>(userBlock.size());
  std::uint32_t blocks[] = {149, 153, machine, machine + 4, machine + 8};
  std::string file = U32(0) + U32(5);
  const char* roots[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                         "HKEY_CURRENT_CONFIG"};
  for (int i = 0; i < 5; ++i) file += KeyRecord(roots[i], blocks[i]);
  return file + U32(0) + userBlock + U32(0) + U32(0) + U32(0);
}

TEST_F(CompareTest, RepeatedStoredNamesArePairedInStoredOrder) {
  using registry_test::ValueRecord;
  folder_.WriteFile("reg.bin", HandMadeSnapshot(3, ValueRecord("dup", 4, registry_test::U32(1)) +
                                                       ValueRecord("dup", 4, registry_test::U32(2)) +
                                                       ValueRecord("only", 4, registry_test::U32(3))));
  after_.SetDword("HKEY_CURRENT_USER", "dup", 2);
  after_.SetDword("HKEY_CURRENT_USER", "only", 3);
  EXPECT_EQ(Compare(), 1);
  EXPECT_EQ(modified_, kModHead + "\r\n[HKEY_CURRENT_USER]\r\n\"dup\"=dword:00000002\r\n");
  EXPECT_EQ(original_, kModoHead + "\r\n[HKEY_CURRENT_USER]\r\n\"dup\"=dword:00000001\r\n");
  EXPECT_EQ(removed_, kRemHead + "\r\n[HKEY_CURRENT_USER]\r\n\"dup\"=dword:00000002\r\n");
  EXPECT_EQ(added_, kNewHead);
}

}  // namespace
