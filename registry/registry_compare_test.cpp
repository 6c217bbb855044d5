#include "registry/registry_compare.h"

#include <gtest/gtest.h>

#include "platform/memory_registry.h"
#include "platform/text.h"
#include "registry/registry_capture.h"
#include "registry/registry_test_support.h"
#include "test/staged_registry.h"
#include "test/temp_folder.h"

namespace {

using platform::MemoryRegistry;
const char kSample[] = "HKEY_CURRENT_USER\\Software\\Sample";

class CompareTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) { return folder_.path() + "/" + name; }

  void Capture() {
    registry_test::UseRegistry use(before_);
    CaptureRegistry("", Path("reg.bin"));
  }

  // Compares `after_` with the snapshot; keeps each report without its two
  // header lines, which every report must begin with.
  bool Compare() {
    registry_test::UseRegistry use(staged_);
    bool result = CompareRegistry(Path("reg.bin"), Path("new.reg"), Path("mod.reg"), Path("modo.reg"), Path("rem.reg"),
                                 Path("redo.reg"), Path("undo.reg"));
    const std::pair<const char*, const char*> reports[] = {
        {"new.reg", "New Added"}, {"mod.reg", "Modified"}, {"modo.reg", "Original"}, {"rem.reg", "Removed"}};
    for (int i = 0; i < 4; ++i) {
      std::string text = folder_.ReadFile(reports[i].first);
      std::string head = std::string("REGEDIT4\r\n\r\n;   ") + reports[i].second + " Registry\r\n\r\n";
      EXPECT_EQ(text.substr(0, head.size()), head);
      report_[i] = text.substr(std::min(head.size(), text.size()));
    }
    return result;
  }

  // Both registries get the same content.
  template <typename Fill>
  void Both(Fill fill) {
    fill(before_);
    fill(after_);
  }

  // A change script of the last comparison, as UTF-8, after checking that it
  // is UTF-16 after a byte-order mark.
  std::string Script(const std::string& name) {
    std::string bytes = folder_.ReadFile(name);
    EXPECT_TRUE(bytes.starts_with("\xff\xfe") && bytes.size() % 2 == 0) << name;
    std::u16string units;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
      units += static_cast<char16_t>(static_cast<std::uint8_t>(bytes[i]) | static_cast<std::uint8_t>(bytes[i + 1]) << 8);
    return platform::Utf16ToUtf8(units);
  }

  MemoryRegistry before_, after_;
  test::StagedRegistry staged_{after_};  // the registry compared: after_, with what a test stages
  test::TempFolder folder_;
  registry_test::Console console_;
  std::string report_[4];  // new, mod, modo, rem
  std::string &added_ = report_[0], &modified_ = report_[1], &original_ = report_[2], &removed_ = report_[3];
};

TEST_F(CompareTest, EveryKindOfChangeLandsInItsReport) {
  EXPECT_THROW(Compare(), FileError);  // no snapshot yet: no report either
  EXPECT_FALSE(folder_.Exists("new.reg"));
  Both([](MemoryRegistry& r) {
    r.AddKey("HKEY_USERS\\.Default\\Empty");
    r.SetString(kSample, "Same", "x");
    r.SetString(kSample, "TypeOnly", "a");
    r.SetString(kSample, "Ver", "1");
    r.SetString(std::string(kSample) + "\\Twin", "in", "key");
    r.SetString("HKEY_LOCAL_MACHINE\\Software\\Stable", "k", "v");
  });
  before_.SetString(kSample, "Case", "v");
  before_.SetString(kSample, "Obsolete", "old");
  before_.SetString(kSample, "Twin", "t");  // a value and a subkey of one name
  before_.SetDword(std::string(kSample) + "\\Old", "o", 1);
  before_.SetString(std::string(kSample) + "\\Old\\Deep", "d", "deep");
  before_.SetString(std::string(kSample) + "\\Sub", "s", "s");
  before_.AddKey("HKEY_LOCAL_MACHINE\\Software\\Stable\\k2");  // a key where a value of its name comes
  Capture();

  after_.SetDword(kSample, "Added", 0x2a);
  after_.SetString(kSample, "CASE", "v");
  after_.SetString(kSample, "TypeOnly", "a", platform::kRegExpandSz);
  after_.SetString(kSample, "Ver", "2");
  after_.SetString(std::string(kSample) + "\\SUB", "s", "s");
  const std::string added = std::string(kSample) + "\\New";
  after_.SetValue(added, "", platform::kRegBinary, {0xde, 0xad});
  after_.SetString(added + "\\Inner", "x", "y");
  after_.SetString("HKEY_LOCAL_MACHINE\\Software\\Stable", "k2", "new");

  EXPECT_TRUE(Compare());
  EXPECT_EQ(console_.Text(), "");
  EXPECT_EQ(added_,
            "\r\n[HKEY_CURRENT_USER\\Software\\Sample]\r\n\"Added\"=dword:0000002A\r\n\"CASE\"=\"v\"\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software\\Sample\\New]\r\n"
            "@=hex:DE,AD\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software\\Sample\\New\\Inner]\r\n\"x\"=\"y\"\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software\\Sample\\SUB]\r\n\"s\"=\"s\"\r\n"
            "\r\n[HKEY_LOCAL_MACHINE\\Software\\Stable]\r\n\"k2\"=\"new\"\r\n");
  EXPECT_EQ(modified_, "\r\n[HKEY_CURRENT_USER\\Software\\Sample]\r\n\"TypeOnly\"=\"a\"\r\n\"Ver\"=\"2\"\r\n");
  EXPECT_EQ(original_, "\r\n[HKEY_CURRENT_USER\\Software\\Sample]\r\n\"TypeOnly\"=\"a\"\r\n\"Ver\"=\"1\"\r\n");
  EXPECT_EQ(removed_,
            "\r\n[HKEY_CURRENT_USER\\Software\\Sample]\r\n\"Case\"=\"v\"\r\n\"Obsolete\"="
            "\"old\"\r\n\"Twin\"=\"t\"\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software\\Sample\\Old]\r\n\"o\"=dword:00000001\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software\\Sample\\Old\\Deep]\r\n\"d\"=\"deep\"\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software\\Sample\\Sub]\r\n\"s\"=\"s\"\r\n"
            "\r\n[HKEY_LOCAL_MACHINE\\Software\\Stable\\k2]\r\n");
}

// Each comparison keeps what it walks with to itself: one started inside
// another (here from the registry, as the outer walk looks at a subkey) leaves
// the outer one's stored block and reports whole.
TEST_F(CompareTest, AComparisonStartedInsideAnotherLeavesItWhole) {
  const std::string sample = kSample;
  Both([&](MemoryRegistry& r) {
    r.SetString(sample, "Kept", "1");
    r.SetString(sample + "\\A", "a", "1");
    r.SetString(sample + "\\B", "b", "1");
    r.SetString("HKEY_USERS\\Other", "o", "1");
  });
  before_.SetString(sample, "Gone", "1");
  before_.SetString(sample + "\\B", "gone", "1");
  Capture();
  after_.SetString(sample + "\\B", "b", "2");
  ASSERT_TRUE(Compare());
  const std::string plain[4] = {added_, modified_, original_, removed_};
  ASSERT_NE(removed_, "");

  int inner = 0;
  staged_.SetHook([&](const test::StagedRegistry::Point& point) {
    if (point.call != test::StagedRegistry::Call::kQueryInfoKey || point.path != sample + "\\A" || inner++ != 0)
      return;
    EXPECT_TRUE(CompareRegistry(Path("reg.bin"), Path("in_new.reg"), Path("in_mod.reg"), Path("in_modo.reg"),
                                Path("in_rem.reg")));
  });
  EXPECT_TRUE(Compare());
  staged_.SetHook(nullptr);
  EXPECT_GT(inner, 0);
  EXPECT_EQ(console_.Text(), "");
  const char* inside[4] = {"in_new.reg", "in_mod.reg", "in_modo.reg", "in_rem.reg"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(report_[i], plain[i]) << i;
    EXPECT_TRUE(folder_.ReadFile(inside[i]).ends_with(plain[i])) << inside[i];
  }
}

TEST_F(CompareTest, UnreadableKeysAreReportedRemovedAndTheWalkGoesOn) {
  Both([](MemoryRegistry& r) {
    r.SetString("HKEY_CURRENT_USER\\Locked", "a", "1");
    r.SetString("HKEY_CURRENT_USER\\Perflib\\009", "b", "2");
    r.SetString("HKEY_USERS\\Later", "c", "3");
  });
  Capture();
  staged_.Fail(test::StagedRegistry::Call::kOpenKey, "HKEY_CURRENT_USER\\Locked");
  staged_.Fail(test::StagedRegistry::Call::kQueryInfoKey, "HKEY_CURRENT_USER\\Perflib\\009",
               platform::kErrorInvalidHandle);
  after_.SetString("HKEY_USERS\\Later", "c", "4");
  EXPECT_TRUE(Compare());
  EXPECT_EQ(console_.Text(),
            "\b \n Inacessible path error=5\nHKEY_CURRENT_USER\\Locked\n"
            "\b \n Inacessible path error=6\nHKEY_CURRENT_USER\\Perflib\\009\n");
  EXPECT_EQ(removed_,
            "\r\n[HKEY_CURRENT_USER\\Locked]\r\n\"a\"=\"1\"\r\n\r\n[HKEY_CURRENT_USER\\Perflib\\009]"
            "\r\n\"b\"=\"2\"\r\n");
  EXPECT_EQ(modified_, "\r\n[HKEY_USERS\\Later]\r\n\"c\"=\"4\"\r\n");

  after_.SetString("HKEY_CURRENT_USER\\Perflib", std::string(60000, 'n'), "a name too long to list");
  EXPECT_FALSE(Compare());
  EXPECT_TRUE(console_.Text().ends_with("\b \n->HKEY_CURRENT_USER\\Perflib\nError 234\n"));
  EXPECT_EQ(modified_, "");  // HKEY_USERS was not reached
}

TEST_F(CompareTest, AnUnfinishedSnapshotStopsAtTheKeyWhereItEnds) {
  Both([](MemoryRegistry& r) {
    r.SetString("HKEY_CURRENT_USER\\A", "a", "1");
    r.SetString("HKEY_CURRENT_USER\\B", "b", "1");
    r.SetString("HKEY_CURRENT_USER\\C", "c", "1");
  });
  // The capture stops in B's listing: B's subkeys and C are never walked.
  before_.SetString("HKEY_CURRENT_USER\\B", std::string(60000, 'n'), "a name too long to list");
  before_.AddKey("HKEY_CURRENT_USER\\B\\Below");
  Capture();
  EXPECT_EQ(console_.Text(), "\b \n->HKEY_CURRENT_USER\\B\nError 234\n");
  after_.SetString("HKEY_CURRENT_USER\\A", "a", "2");
  after_.AddKey("HKEY_CURRENT_USER\\B\\Below");
  EXPECT_FALSE(Compare());
  const std::string endsAtC = "\b \nThe snapshot ends at HKEY_CURRENT_USER\\C: its capture stopped there\n";
  EXPECT_EQ(console_.Text(), endsAtC);
  EXPECT_EQ(modified_, "\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=\"2\"\r\n");
  EXPECT_EQ(added_, "\r\n[HKEY_CURRENT_USER\\B\\Below]\r\n");  // never captured, so new

  // C removed since: its stored subtree is missing, which ends the comparison as well.
  after_.DeleteKey("HKEY_CURRENT_USER\\C");
  EXPECT_FALSE(Compare());
  EXPECT_EQ(console_.Text(), endsAtC);
  EXPECT_EQ(removed_ + modified_, "");
}

// A value of 64 MiB, the longest key and value names ("€" takes three bytes
// of UTF-8, the most one UTF-16 character takes) and a class longer than a
// path all go through the snapshot whole; the values after them are found.
TEST_F(CompareTest, TheLargestValuesNamesAndClassesSurviveTheSnapshot) {
  std::vector<std::uint8_t> big(64 << 20);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7 + (i >> 20));
  auto euros = [](int count) {
    std::string text;
    while (count-- > 0) text += "\xe2\x82\xac";
    return text;
  };
  // Paths to open stay within 260 characters: the longest key name stands below a root.
  const std::string key = "HKEY_CURRENT_USER\\" + euros(255), valueName = euros(16383);
  const std::string sample = kSample, below = "HKEY_LOCAL_MACHINE\\Classy\\Below";
  Both([&](MemoryRegistry& r) {
    r.SetString(sample, "Before", "1");
    r.SetValue(sample, "Blob", platform::kRegBinary, big);
    r.SetString(sample, "Zafter", "1");
    r.SetString(key, valueName, "deep");
    r.SetClass(r.AddSubkey(r.RootKey(platform::kLocalMachine), "Classy"), std::string(300, 'c'));
    r.SetString(below, "v", "1");
  });
  Capture();
  after_.SetString(sample, "Zafter", "2");
  after_.SetString(sample, valueName, "long");
  after_.SetString(below, "v", "2");
  EXPECT_TRUE(Compare());
  EXPECT_EQ(console_.Text(), "");
  EXPECT_EQ(added_, "\r\n[" + sample + "]\r\n\"" + valueName + "\"=\"long\"\r\n");
  EXPECT_EQ(modified_, "\r\n[" + sample + "]\r\n\"Zafter\"=\"2\"\r\n\r\n[" + below + "]\r\n\"v\"=\"2\"\r\n");
  EXPECT_EQ(removed_, "");
}

TEST_F(CompareTest, RepeatedStoredNamesArePairedInStoredOrder) {
  using registry_test::U32;
  // A hand-made snapshot: HKEY_CURRENT_USER holds "dup" twice; the other roots are empty.
  std::string user = U32(3) + registry_test::ValueRecord("dup", 4, U32(1)) +
                     registry_test::ValueRecord("dup", 4, U32(2)) + registry_test::ValueRecord("only", 4, U32(3));
  auto machine = static_cast<std::uint32_t>(153 + user.size());
  std::string bytes = U32(0) + U32(5);
  std::uint32_t blocks[] = {149, 153, machine, machine + 4, machine + 8};
  const char* roots[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                         "HKEY_CURRENT_CONFIG"};
  for (int i = 0; i < 5; ++i) bytes += registry_test::KeyRecord(roots[i], blocks[i]);
  folder_.WriteFile("reg.bin", bytes + U32(0) + user + U32(0) + U32(0) + U32(0));
  after_.SetDword("HKEY_CURRENT_USER", "dup", 2);
  after_.SetDword("HKEY_CURRENT_USER", "only", 3);
  EXPECT_TRUE(Compare());
  EXPECT_EQ(modified_, "\r\n[HKEY_CURRENT_USER]\r\n\"dup\"=dword:00000002\r\n");
  EXPECT_EQ(original_, "\r\n[HKEY_CURRENT_USER]\r\n\"dup\"=dword:00000001\r\n");
  EXPECT_EQ(removed_, "\r\n[HKEY_CURRENT_USER]\r\n\"dup\"=dword:00000002\r\n");
}

// redo.reg and undo.reg, from the same walk as the reports: for each key,
// redo.reg removes before it adds, so that a key or value renamed in letter
// case comes back in its new spelling, and undo.reg deletes what is new
// before it restores what was; keys that other roots show are left out.
TEST_F(CompareTest, ChangeScriptsRemoveBeforeTheyAddAndHoldEachChangeOnce) {
  const std::string sample = kSample, emptied = "HKEY_CURRENT_USER\\Software\\Emptied";
  Both([&](MemoryRegistry& r) {
    r.SetDword(sample, "Mod", 1);
    r.SetString(sample, "Same", "s");
    r.SetString("HKEY_CLASSES_ROOT\\X", "x", "1");
    r.SetString("HKEY_CURRENT_CONFIG\\Y", "y", "1");
    r.SetString("HKEY_USERS\\S-1-5-21-0-0-0-1000\\Z", "z", "1");
    r.SetString("HKEY_USERS\\.Default\\W", "w", "1");
  });
  before_.SetString(sample, "Gone", "1");
  before_.SetString(sample, "ver", "1");  // comes back as "Ver"
  before_.SetString(sample, "Twin", "t");  // a value where a subkey of its name comes
  before_.SetString(sample + "\\Old", "o", "1");
  before_.SetString(sample + "\\Sub", "s", "1");  // comes back as "SUB"
  before_.SetValue(sample + "\\Sub\\Deep", "d", platform::kRegBinary, {1});
  before_.SetString(emptied, "a", "1");
  before_.SetString(emptied, "b", "2");
  Capture();
  after_.SetDword(sample, "Mod", 2);
  after_.SetString(sample, "Ver", "1");
  after_.AddKey(sample + "\\Twin");
  after_.SetString(sample + "\\SUB", "s", "1");
  after_.SetValue(sample + "\\SUB\\Deep", "d", platform::kRegBinary, {1});
  after_.SetString(emptied + "\\Fresh", "f", "1");
  for (const char* key : {"HKEY_CLASSES_ROOT\\X", "HKEY_CURRENT_CONFIG\\Y", "HKEY_USERS\\S-1-5-21-0-0-0-1000\\Z"})
    after_.SetString(key, "changed", "2");
  after_.SetString("HKEY_USERS\\.Default\\W", "w", "2");

  ASSERT_TRUE(Compare());
  const std::string header = "Windows Registry Editor Version 5.00\r\n";
  EXPECT_EQ(Script("redo.reg"),
            header +
                "\r\n[" + emptied + "]\r\n\"a\"=-\r\n\"b\"=-\r\n"
                "\r\n[" + emptied + "\\Fresh]\r\n\"f\"=\"1\"\r\n"
                "\r\n[" + sample + "]\r\n\"Gone\"=-\r\n\"Twin\"=-\r\n\"ver\"=-\r\n"
                "\r\n[-" + sample + "\\Old]\r\n"
                "\r\n[-" + sample + "\\Sub]\r\n"
                "\r\n[" + sample + "]\r\n\"Mod\"=dword:00000002\r\n\"Ver\"=\"1\"\r\n"
                "\r\n[" + sample + "\\SUB]\r\n\"s\"=\"1\"\r\n"
                "\r\n[" + sample + "\\SUB\\Deep]\r\n\"d\"=hex:01\r\n"
                "\r\n[" + sample + "\\Twin]\r\n"
                "\r\n[HKEY_USERS\\.Default\\W]\r\n\"w\"=\"2\"\r\n"
                "\r\n");
  EXPECT_EQ(Script("undo.reg"),
            header +
                "\r\n[-" + emptied + "\\Fresh]\r\n"
                "\r\n[" + emptied + "]\r\n\"a\"=\"1\"\r\n\"b\"=\"2\"\r\n"
                "\r\n[-" + sample + "\\SUB]\r\n"
                "\r\n[-" + sample + "\\Twin]\r\n"
                "\r\n[" + sample + "]\r\n\"Ver\"=-\r\n\"Mod\"=dword:00000001\r\n\"Gone\"=\"1\"\r\n"
                "\"Twin\"=\"t\"\r\n\"ver\"=\"1\"\r\n"
                "\r\n[" + sample + "\\Old]\r\n\"o\"=\"1\"\r\n"
                "\r\n[" + sample + "\\Sub]\r\n\"s\"=\"1\"\r\n"
                "\r\n[" + sample + "\\Sub\\Deep]\r\n\"d\"=hex:01\r\n"
                "\r\n[HKEY_USERS\\.Default\\W]\r\n\"w\"=\"1\"\r\n"
                "\r\n");
  // The reports still show every change, the roots that show keys again too.
  EXPECT_NE(added_.find("HKEY_CLASSES_ROOT\\X"), std::string::npos);

  // Nothing changed since: the header line alone.
  {
    registry_test::UseRegistry use(after_);
    CaptureRegistry("", Path("reg.bin"));
  }
  ASSERT_TRUE(Compare());
  EXPECT_EQ(Script("redo.reg"), header);
  EXPECT_EQ(Script("undo.reg"), header);
}

}  // namespace
