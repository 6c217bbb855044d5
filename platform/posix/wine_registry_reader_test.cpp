#include "platform/posix/wine_registry_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "test/registry_listing.h"

namespace platform::posix {
namespace {

using test::ListedValue;
using test::ListSubkeys;
using test::ListValues;
using test::OpenError;
using test::Sz;

const std::string kHeader = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n";

// The class of the key at `path` and the length of its largest data.
std::string Info(Registry& registry, const char* path) {
  RegistryKey key;
  char className[256];
  std::uint32_t classLength = sizeof className;
  RegistryKeyInfo info;
  if (registry.OpenKey(kLocalMachine, path, &key) != kErrorSuccess) return "cannot open";
  registry.QueryInfoKey(key, className, &classLength, &info);
  registry.CloseKey(key);
  return "class " + std::string(className, classLength) + " max " + std::to_string(info.maxValueLength);
}

// A registry whose HKEY_LOCAL_MACHINE is read from `text`, and what the
// reader printed.
struct Loaded {
  MemoryRegistry registry;
  std::string output;
  unsigned badLines = 0;

  explicit Loaded(const std::string& text) {
    testing::internal::CaptureStdout();
    WineRegistryReader reader(registry);
    reader.ReadText(text, "system.reg", registry.RootKey(kLocalMachine));
    reader.Finish();
    badLines = reader.badLines();
    output = testing::internal::GetCapturedStdout();
  }
  std::vector<ListedValue> Values(const char* path) { return ListValues(registry, kLocalMachine, path); }
  std::vector<std::string> Subkeys(const char* path) { return ListSubkeys(registry, kLocalMachine, path); }
};

// The hex(6) line of a link to `target`, as Wine writes it.
std::string LinkValue(const std::string& target) {
  std::string line = "\"SymbolicLinkValue\"=hex(6):";
  char byte[8];
  for (unsigned char c : target) line += (std::snprintf(byte, sizeof byte, "%02x,00,", c), byte);
  line.back() = '\n';
  return line;
}

TEST(WineRegistryReaderTest, EscapesInNamesAndStrings) {
  Loaded loaded(kHeader +
                "[Software\\\\Esc\\[1\\]\\xe9] 1701234567\n"
                "#time=1da2b3c4d5e6f70\n"
                "\"caf\\xe9\"=\"\\x41\\x4b1\\x4c2d\\x00411\\x263a!\"\n"
                "\"x\"=\"\\xg \\\\ \\\" \\q\"\n"
                "\"oct\"=\"\\0017\\101\\7\"\n"
                "\"ctl\"=\"\\a\\b\\t\\n\\v\\f\\r\\e\"\n"
                "\"pair\"=\"\\xd83d\\xde00\"\n"
                "\"raw\"=\"\xc3\xa9t\xc3\xa9\"\n");
  EXPECT_EQ(loaded.output, "");
  EXPECT_EQ(loaded.Subkeys("Software"), std::vector<std::string>{"Esc[1]\xc3\xa9"});
  EXPECT_EQ(loaded.Values("Software\\Esc[1]\xc3\xa9"),
            (std::vector<ListedValue>{
                {"caf\xc3\xa9", kRegSz, Sz("A\xd2\xb1\xe4\xb0\xad" "A1\xe2\x98\xba!")},
                {"ctl", kRegSz, Sz("\a\b\t\n\v\f\r\x1b")}, {"oct", kRegSz, Sz("\x01" "7A\x07")},
                {"pair", kRegSz, Sz("\xf0\x9f\x98\x80")}, {"raw", kRegSz, Sz("\xc3\xa9t\xc3\xa9")},
                {"x", kRegSz, Sz("xg \\ \" q")}}));
}

TEST(WineRegistryReaderTest, EveryValueForm) {
  Loaded loaded(kHeader +
                "[Forms]\n"
                "@=\"default\"\n"
                "\"s\"=str:\"plain\"\n"
                "\"e\"=str(2):\"%SystemRoot%\"\n"
                "\"m\"=str(7):\"a\\0b\\0\"\n"
                "\"d\"=dword:0000002a\n"
                "\"b\"=hex:01,2,ff\n"
                "\"big\"=hex(b):01,02,03,04,05,06,07,08\n"
                "\"t\"=hex(ffffffff):\n"
                "\"cont\"=hex:00,01,\\\r\n"
                "    02,03,\\\n"
                "\t04\n"
                "\"odd\"=hex(1):6e,00,6f,00,74\n"
                "\"empty\"=hex(1):\n"
                "\"short\"=hex(4):01,02\n"
                "\"utf16\"=hex(2):e9,00,3d,d8,00,de,00,00\n");
  EXPECT_EQ(loaded.output, "");
  EXPECT_EQ(loaded.Values("Forms"),
            (std::vector<ListedValue>{
                {"", kRegSz, Sz("default")}, {"b", kRegBinary, "\x01\x02\xff"},
                {"big", 11, "\x01\x02\x03\x04\x05\x06\x07\x08"},
                {"cont", kRegBinary, std::string("\x00\x01\x02\x03\x04", 5)},
                {"d", kRegDword, std::string("\x2a\0\0\0", 4)}, {"e", kRegExpandSz, Sz("%SystemRoot%")},
                {"empty", kRegSz, ""}, {"m", kRegMultiSz, std::string("a\0b\0\0", 5)},
                {"odd", kRegSz, "no"},  // the odd byte is no UTF-16 unit
                {"s", kRegSz, Sz("plain")}, {"short", kRegDword, "\x01\x02"}, {"t", 0xffffffff, ""},
                {"utf16", kRegExpandSz, Sz("\xc3\xa9\xf0\x9f\x98\x80")}}));
  // The largest data as stored in UTF-16: "%SystemRoot%" and its NUL.
  EXPECT_EQ(Info(loaded.registry, "Forms"), "class  max 26");
}

TEST(WineRegistryReaderTest, UnreadableLinesAreSkippedAndNamedUpToAFew) {
  Loaded loaded(kHeader +
                "[Good]\n"
                "\"a\"=\"1\"\n"
                "\"unterminated\"=\"abc\n"        // line 8
                "\"b\"=dword:xyz\n"                // 9
                "garbage\n"                        // 10
                "[Broken\\\\Key\n"                 // 11: its values go with it
                "\"lost\"=\"1\"\n"
                "[Good]\n"
                "\"c\"=hex:01,zz\n"                // 14
                "\"d\"=oops:1\n"                   // 15
                "\"e\"=str(2):\"no end\n"          // 16
                "\"f\"=\"2\"\n"
                "\"g\"\n");                        // 18
  EXPECT_EQ(loaded.badLines, 8u);
  std::string named;
  for (int line : {8, 9, 10, 11, 14})
    named += "\b \nLine " + std::to_string(line) + " of system.reg cannot be read and is left out\n";
  EXPECT_EQ(loaded.output, named + "\b \n3 more registry lines cannot be read and are left out\n");
  EXPECT_EQ(loaded.Values("Good"),
            (std::vector<ListedValue>{{"a", kRegSz, Sz("1")}, {"f", kRegSz, Sz("2")}}));
  EXPECT_EQ(loaded.Subkeys(""), std::vector<std::string>{"Good"});
}

TEST(WineRegistryReaderTest, OnlyTheRegistryHeaderOpensAFile) {
  Loaded crlf("WINE REGISTRY Version 2\r\n[Key]\r\n\"v\"=\"1\"\r\n");
  EXPECT_EQ(crlf.output, "");
  EXPECT_EQ(crlf.Values("Key"), (std::vector<ListedValue>{{"v", kRegSz, Sz("1")}}));

  for (const char* text : {"", "REGEDIT4\n[Key]\n", "WINE REGISTRY Version 1\n[Key]\n", "\n"}) {
    Loaded other(text);
    EXPECT_EQ(other.output, "\b \nsystem.reg is not a Wine registry file; its keys are left empty\n") << text;
    EXPECT_EQ(other.Subkeys(""), std::vector<std::string>{});
  }
}

// Keys that come back later in the file, in other case, classes, links whose
// target is set in another block or leads nowhere, unreadable lines, and a
// line that only looks like a key line, as hex data goes on into it. A key
// keeps its first spelling, a value too; parents are implied.
const std::string kSeenAgain =
    "[Shared\\\\Key] 1\n#class=\"first\"\n\"A\"=\"1\"\n\"b\"=dword:00000001\n"
    "[Links\\\\Late]\n#link\n"
    "[Links\\\\ToShared]\n#link\n" + LinkValue("\\Registry\\Machine\\Shared") +
    "garbage one\n"
    "[Other]\n\"h\"=hex:00,01,\\\n[NotAKey]\n"
    "[Shared\\\\Key]\n\"a\"=\"2\"\n\"c\"=str(2):\"%x%\"\n#class=\"second\"\n"
    "[shared\\\\KEY\\\\Sub]\n@=\"s\"\n"
    "garbage two\ngarbage three\n[Broken\n\"lost\"=\"1\"\n"
    "[Links\\\\Late]\n" + LinkValue("\\REGISTRY\\MACHINE\\Fill") +
    "[Links\\\\Broken]\n#link\n" + LinkValue("\\Registry\\Machine\\Nowhere") +
    "[Links\\\\Device]\n#link\n" + LinkValue("\\Device\\Harddisk0") +
    "[Links\\\\ToShared]\n#link\n" + LinkValue("\\Registry\\Machine\\Shared\\Key") +
    "[Shared]\n\"z\"=\"last\"\ngarbage four\ngarbage five\n";

TEST(WineRegistryReaderTest, AKeySeenAgainLaterGainsWhatItsLaterBlocksSay) {
  Loaded loaded(kHeader + "[Fill\\\\0]\n\"v\"=\"0\"\n" + kSeenAgain);
  EXPECT_EQ(loaded.Values("Shared\\Key"),
            (std::vector<ListedValue>{{"A", kRegSz, Sz("2")}, {"b", kRegDword, std::string("\1\0\0\0", 4)},
                                      {"c", kRegExpandSz, Sz("%x%")}}));
  EXPECT_EQ(Info(loaded.registry, "Shared\\Key"), "class second max 8");
  EXPECT_EQ(loaded.Subkeys("Links\\ToShared"), (std::vector<std::string>{"Sub"}));
  EXPECT_EQ(loaded.Subkeys(""), (std::vector<std::string>{"Fill", "Links", "Other", "Shared"}));
  EXPECT_EQ(loaded.Subkeys("Links\\Late"), (std::vector<std::string>{"0"}));
  for (const char* broken : {"Links\\Broken", "Links\\Device"})
    EXPECT_EQ(OpenError(loaded.registry, kLocalMachine, broken), kErrorFileNotFound) << broken;
  EXPECT_EQ(loaded.badLines, 7u);
}

TEST(WineRegistryReaderTest, AFileCutAnywhereKeepsEveryLineBeforeTheCut) {
  // Value lines in the order they are listed, with what they hold; a file
  // that ends anywhere keeps every value whose line ended before the end,
  // and at most the one that was cut, when what is left of it reads whole.
  const std::pair<std::string, ListedValue> lines[] = {
      {"\"d\"=dword:0000002a\n", {"d", kRegDword, std::string("\x2a\0\0\0", 4)}},
      {"\"h\"=hex:00,01,\\\n  02,03\n", {"h", kRegBinary, std::string("\0\x01\x02\x03", 4)}},
      {"\"m\"=str(7):\"a\\0b\\0\"\n", {"m", kRegMultiSz, std::string("a\0b\0\0", 5)}},
      {"\"s\"=\"text\"\n", {"s", kRegSz, Sz("text")}}};
  std::string text = kHeader + "[Cut] 1700000000\n#time=1da2b3c4d5e6f70\n";
  std::vector<std::size_t> ends;
  for (const auto& line : lines) ends.push_back((text += line.first).size());
  for (std::size_t cut = 0; cut <= text.size(); ++cut) {
    std::vector<ListedValue> values = Loaded(text.substr(0, cut)).Values("Cut"), whole;
    for (std::size_t i = 0; i < ends.size(); ++i)
      if (ends[i] <= cut) whole.push_back(lines[i].second);
    std::size_t all = values.size();
    std::erase_if(values, [&](const ListedValue& value) { return std::count(whole.begin(), whole.end(), value) == 0; });
    EXPECT_EQ(values, whole) << "cut at " << cut;
    EXPECT_LE(all, whole.size() + 1) << "cut at " << cut;
  }
}

}  // namespace
}  // namespace platform::posix
