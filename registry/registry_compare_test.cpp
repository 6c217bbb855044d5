#include "registry/registry_compare.h"

#include <gtest/gtest.h>

#include "platform/memory_registry.h"
#include "registry/registry_capture.h"
#include "registry/registry_test_support.h"
#include "test/staged_registry.h"

namespace {

using platform::MemoryRegistry;
const std::string kSample = "HKEY_CURRENT_USER\\Software\\Sample";
const std::string kScriptHeader = "Windows Registry Editor Version 5.00\r\n";

class CompareTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) { return files_.Path(name); }

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
      std::string text = files_.Read(reports[i].first);
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

  std::string Script(const std::string& name) { return registry_test::ScriptText(files_.Read(name)); }

  MemoryRegistry before_, after_;
  test::StagedRegistry staged_{after_};  // the registry compared: after_, with what a test stages
  registry_test::WorkFolder files_;
  registry_test::Console console_;
  std::string report_[4];  // new, mod, modo, rem
  std::string &added_ = report_[0], &modified_ = report_[1], &original_ = report_[2], &removed_ = report_[3];
};

TEST_F(CompareTest, AddedChangedAndRemovedValuesLandInTheirReports) {
  Both([](MemoryRegistry& r) {
    r.SetString(kSample, "Same", "x");
    r.SetString(kSample, "TypeOnly", "a");
  });
  before_.SetString(kSample, "Obsolete", "old");
  before_.SetString(kSample, "Ver", "1");
  Capture();
  after_.SetDword(kSample, "Added", 0x2a);
  after_.SetString(kSample, "TypeOnly", "a", platform::kRegExpandSz);
  after_.SetString(kSample, "Ver", "2");
  EXPECT_TRUE(Compare());
  EXPECT_EQ(console_.Text(), "");
  const std::string key = "\r\n[" + kSample + "]\r\n";
  EXPECT_EQ(added_, key + "\"Added\"=dword:0000002A\r\n");
  EXPECT_EQ(modified_, key + "\"TypeOnly\"=\"a\"\r\n\"Ver\"=\"2\"\r\n");
  EXPECT_EQ(original_, key + "\"TypeOnly\"=\"a\"\r\n\"Ver\"=\"1\"\r\n");
  EXPECT_EQ(removed_, key + "\"Obsolete\"=\"old\"\r\n");
}

TEST_F(CompareTest, KeysAddedOrRemovedComeWithEverythingBelowThem) {
  Both([](MemoryRegistry& r) { r.AddKey("HKEY_USERS\\.Default\\Empty"); });
  before_.SetDword(kSample + "\\Old", "o", 1);
  before_.SetString(kSample + "\\Old\\Deep", "d", "deep");
  Capture();
  after_.SetValue(kSample + "\\New", "", platform::kRegBinary, {0xde, 0xad});
  after_.SetString(kSample + "\\New\\Inner", "x", "y");
  EXPECT_TRUE(Compare());
  EXPECT_EQ(added_, "\r\n[" + kSample + "\\New]\r\n@=hex:DE,AD\r\n\r\n[" + kSample + "\\New\\Inner]\r\n\"x\"=\"y\"\r\n");
  EXPECT_EQ(removed_, "\r\n[" + kSample + "\\Old]\r\n\"o\"=dword:00000001\r\n\r\n[" + kSample +
                          "\\Old\\Deep]\r\n\"d\"=\"deep\"\r\n");
  EXPECT_EQ(modified_ + original_, "");
}

TEST_F(CompareTest, ANameChangedOnlyInLetterCaseIsRemovedAndAdded) {
  before_.SetString(kSample, "Case", "v");
  before_.SetString(kSample + "\\Sub", "s", "s");
  Capture();
  after_.SetString(kSample, "CASE", "v");
  after_.SetString(kSample + "\\SUB", "s", "s");
  EXPECT_TRUE(Compare());
  EXPECT_EQ(added_, "\r\n[" + kSample + "]\r\n\"CASE\"=\"v\"\r\n\r\n[" + kSample + "\\SUB]\r\n\"s\"=\"s\"\r\n");
  EXPECT_EQ(removed_, "\r\n[" + kSample + "]\r\n\"Case\"=\"v\"\r\n\r\n[" + kSample + "\\Sub]\r\n\"s\"=\"s\"\r\n");
}

TEST_F(CompareTest, AValueAndASubkeyOfOneNameAreDifferentEntries) {
  Both([](MemoryRegistry& r) { r.AddKey(kSample + "\\Twin"); });
  before_.SetString(kSample, "Twin", "t");
  before_.AddKey(kSample + "\\k2");
  Capture();
  after_.SetString(kSample, "k2", "new");
  EXPECT_TRUE(Compare());
  EXPECT_EQ(added_, "\r\n[" + kSample + "]\r\n\"k2\"=\"new\"\r\n");
  EXPECT_EQ(removed_, "\r\n[" + kSample + "]\r\n\"Twin\"=\"t\"\r\n\r\n[" + kSample + "\\k2]\r\n");
}

// Each comparison keeps what it walks with to itself: one started inside
// another (here from the registry, as the outer walk looks at a subkey) leaves
// the outer one's stored block and reports whole.
TEST_F(CompareTest, AComparisonStartedInsideAnotherLeavesItWhole) {
  Both([&](MemoryRegistry& r) {
    r.SetString(kSample, "Kept", "1");
    r.SetString(kSample + "\\A", "a", "1");
    r.SetString(kSample + "\\B", "b", "1");
    r.SetString("HKEY_USERS\\Other", "o", "1");
  });
  before_.SetString(kSample, "Gone", "1");
  before_.SetString(kSample + "\\B", "gone", "1");
  Capture();
  after_.SetString(kSample + "\\B", "b", "2");
  ASSERT_TRUE(Compare());
  const std::string plain[4] = {added_, modified_, original_, removed_};
  ASSERT_NE(removed_, "");

  int inner = 0;
  staged_.SetHook([&](const test::StagedRegistry::Point& point) {
    if (point.call != test::StagedRegistry::Call::kQueryInfoKey || point.path != kSample + "\\A" || inner++ != 0)
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
    EXPECT_TRUE(files_.Read(inside[i]).ends_with(plain[i])) << inside[i];
  }
}

// For each key, redo.reg removes before it adds, so that what was renamed in
// letter case comes back in its new spelling, and undo.reg deletes what is
// new before it restores what was: values changed in data or only in type,
// removed (the default value too), a value where a subkey of its name comes,
// a key emptied of its values that gains a subkey.
TEST_F(CompareTest, ChangeScriptsRemoveBeforeTheyAdd) {
  const std::string emptied = "HKEY_CURRENT_USER\\Software\\Emptied", fresh = emptied + "\\Fresh\xce\xa9";
  Both([&](MemoryRegistry& r) {
    r.SetDword(kSample, "Mod", 1);
    r.SetString(kSample, "Same", "s");
    r.SetString(kSample, "TypeOnly", "a");
    r.AddKey("HKEY_USERS\\.Default\\Empty");
  });
  before_.SetString(kSample, "", "d");
  before_.SetString(kSample, "ver", "1");
  before_.SetString(kSample, "Twin", "t");
  before_.SetString(kSample + "\\Old", "o", "1");
  before_.SetString(kSample + "\\Sub", "s", "1");
  before_.SetValue(kSample + "\\Sub\\Deep", "d", platform::kRegBinary, {1});
  before_.SetString(emptied, "a", "1");
  before_.SetString(emptied, "b", "2");
  Capture();
  after_.SetDword(kSample, "Mod", 2);
  after_.SetString(kSample, "TypeOnly", "a", platform::kRegExpandSz);
  after_.SetString(kSample, "Ver", "1");
  after_.AddKey(kSample + "\\Twin");
  after_.SetString(kSample + "\\SUB", "s", "1");
  after_.SetValue(kSample + "\\SUB\\Deep", "d", platform::kRegBinary, {1});
  after_.SetString(fresh, "f", "1");

  ASSERT_TRUE(Compare());
  EXPECT_EQ(console_.Text(), "");
  // A key's section: its header and its lines.
  auto at = [](const std::string& key, const std::string& lines = "") { return "\r\n[" + key + "]\r\n" + lines; };
  const std::string sub = kSample + "\\Sub", SUB = kSample + "\\SUB", s1 = "\"s\"=\"1\"\r\n", d1 = "\"d\"=hex:01\r\n";
  EXPECT_EQ(Script("redo.reg"), kScriptHeader + at(emptied, "\"a\"=-\r\n\"b\"=-\r\n") + at(fresh, "\"f\"=\"1\"\r\n") +
                                    at(kSample, "@=-\r\n\"Twin\"=-\r\n\"ver\"=-\r\n") + at("-" + kSample + "\\Old") +
                                    at("-" + sub) +
                                    at(kSample, "\"Mod\"=dword:00000002\r\n\"TypeOnly\"=hex(2):61,00,00,00\r\n"
                                                "\"Ver\"=\"1\"\r\n") +
                                    at(SUB, s1) + at(SUB + "\\Deep", d1) + at(kSample + "\\Twin") + "\r\n");
  EXPECT_EQ(Script("undo.reg"), kScriptHeader + at("-" + fresh) + at(emptied, "\"a\"=\"1\"\r\n\"b\"=\"2\"\r\n") +
                                    at("-" + SUB) + at("-" + kSample + "\\Twin") +
                                    at(kSample, "\"Ver\"=-\r\n\"Mod\"=dword:00000001\r\n\"TypeOnly\"=\"a\"\r\n"
                                                "@=\"d\"\r\n\"Twin\"=\"t\"\r\n\"ver\"=\"1\"\r\n") +
                                    at(kSample + "\\Old", "\"o\"=\"1\"\r\n") + at(sub, s1) + at(sub + "\\Deep", d1) +
                                    "\r\n");
}

// Which keys cannot be read shows in the capture's tests.
TEST_F(CompareTest, UnreadableKeysAreReportedRemovedAndTheWalkGoesOn) {
  Both([](MemoryRegistry& r) {
    r.SetString("HKEY_CURRENT_USER\\Locked", "a", "1");
    r.SetString("HKEY_USERS\\Later", "c", "3");
  });
  Capture();
  staged_.Fail(test::StagedRegistry::Call::kOpenKey, "HKEY_CURRENT_USER\\Locked");
  after_.SetString("HKEY_USERS\\Later", "c", "4");
  EXPECT_TRUE(Compare());
  EXPECT_EQ(console_.Text(), "\b \n Inacessible path error=5\nHKEY_CURRENT_USER\\Locked\n");
  EXPECT_EQ(removed_, "\r\n[HKEY_CURRENT_USER\\Locked]\r\n\"a\"=\"1\"\r\n");
  EXPECT_EQ(modified_, "\r\n[HKEY_USERS\\Later]\r\n\"c\"=\"4\"\r\n");
}

TEST_F(CompareTest, AKeyWhoseListingFailsStopsTheComparison) {
  Both([](MemoryRegistry& r) {
    r.SetString("HKEY_CURRENT_USER\\Perflib", "a", "1");
    r.SetString("HKEY_USERS\\Later", "c", "3");
  });
  Capture();
  after_.SetString("HKEY_CURRENT_USER\\Perflib", std::string(60000, 'n'), "a name too long to list");
  after_.SetString("HKEY_USERS\\Later", "c", "4");
  EXPECT_FALSE(Compare());
  EXPECT_EQ(console_.Text(), "\b \n->HKEY_CURRENT_USER\\Perflib\nError 234\n");
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
  const std::string below = "HKEY_LOCAL_MACHINE\\Classy\\Below";
  Both([&](MemoryRegistry& r) {
    r.SetString(kSample, "Before", "1");
    r.SetValue(kSample, "Blob", platform::kRegBinary, big);
    r.SetString(kSample, "Zafter", "1");
    r.SetString(key, valueName, "deep");
    r.SetClass(r.AddSubkey(r.RootKey(platform::kLocalMachine), "Classy"), std::string(300, 'c'));
    r.SetString(below, "v", "1");
  });
  Capture();
  after_.SetString(kSample, "Zafter", "2");
  after_.SetString(kSample, valueName, "long");
  after_.SetString(below, "v", "2");
  EXPECT_TRUE(Compare());
  EXPECT_EQ(console_.Text(), "");
  EXPECT_EQ(added_, "\r\n[" + kSample + "]\r\n\"" + valueName + "\"=\"long\"\r\n");
  EXPECT_EQ(modified_, "\r\n[" + kSample + "]\r\n\"Zafter\"=\"2\"\r\n\r\n[" + below + "]\r\n\"v\"=\"2\"\r\n");
  EXPECT_EQ(removed_, "");
}

TEST_F(CompareTest, RepeatedStoredNamesArePairedInStoredOrder) {
  using registry_test::U32;
  // A hand-made snapshot: HKEY_CURRENT_USER holds "dup" twice; the other roots are empty.
  std::string user = U32(3) + registry_test::ValueRecord("dup", 4, U32(1)) +
                     registry_test::ValueRecord("dup", 4, U32(2)) + registry_test::ValueRecord("only", 4, U32(3));
  const std::uint32_t end = registry_test::kRootBlockEnd, machine = end + 4 + static_cast<std::uint32_t>(user.size());
  files_.Write("reg.bin", registry_test::RootBlock({end, end + 4, machine, machine + 4, machine + 8}) + U32(0) + user +
                              U32(0) + U32(0) + U32(0));
  after_.SetDword("HKEY_CURRENT_USER", "dup", 2);
  after_.SetDword("HKEY_CURRENT_USER", "only", 3);
  EXPECT_TRUE(Compare());
  EXPECT_EQ(modified_, "\r\n[HKEY_CURRENT_USER]\r\n\"dup\"=dword:00000002\r\n");
  EXPECT_EQ(original_, "\r\n[HKEY_CURRENT_USER]\r\n\"dup\"=dword:00000001\r\n");
  EXPECT_EQ(removed_, "\r\n[HKEY_CURRENT_USER]\r\n\"dup\"=dword:00000002\r\n");
}

// HKEY_CLASSES_ROOT, HKEY_CURRENT_CONFIG and the current user's keys below
// HKEY_USERS show keys that other roots reach too: the scripts hold each
// change once, under those; the reports show every root. With no change the
// scripts hold their header alone.
TEST_F(CompareTest, ChangeScriptsLeaveOutKeysThatOtherRootsShow) {
  const char* shown[] = {"HKEY_CLASSES_ROOT\\X", "HKEY_CURRENT_CONFIG\\Y", "HKEY_USERS\\S-1-5-21-0-0-0-1000\\Z",
                         "HKEY_USERS\\.Default\\W"};
  Both([&](MemoryRegistry& r) {
    for (const char* key : shown) r.SetString(key, "v", "1");
  });
  Capture();
  ASSERT_TRUE(Compare());
  EXPECT_EQ(Script("redo.reg") + Script("undo.reg"), kScriptHeader + kScriptHeader);
  for (const char* key : shown) after_.SetString(key, "v", "2");
  ASSERT_TRUE(Compare());
  EXPECT_EQ(Script("redo.reg"), kScriptHeader + "\r\n[HKEY_USERS\\.Default\\W]\r\n\"v\"=\"2\"\r\n\r\n");
  EXPECT_EQ(Script("undo.reg"), kScriptHeader + "\r\n[HKEY_USERS\\.Default\\W]\r\n\"v\"=\"1\"\r\n\r\n");
  for (const char* key : shown) EXPECT_NE(modified_.find(key), std::string::npos) << key;
}

}  // namespace
