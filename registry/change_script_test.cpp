#include "registry/change_script.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/file.h"
#include "platform/file_system.h"
#include "platform/text.h"
#include "test/memory_files.h"

namespace {

using std::string;

RegistryEntry Value(const string& name, std::uint32_t type, const string& data) {
  RegistryEntry value;
  value.name = name;
  value.type = type;
  value.SetData(data.data(), static_cast<std::uint32_t>(data.size()));
  return value;
}

// The value's line as UTF-8, without its line end.
string Line(const string& name, std::uint32_t type, const string& data) {
  return platform::Utf16ToUtf8(FormatScriptValue(Value(name, type, data)));
}

TEST(ChangeScriptTest, EveryTypeInTheFormRegeditReadsBackExactly) {
  EXPECT_EQ(Line("", 1, string("abc\0", 4)), "@=\"abc\"");
  EXPECT_EQ(Line("Empty", 1, string("\0", 1)), "\"Empty\"=\"\"");
  EXPECT_EQ(Line("Path", 1, string("C:\\Program Files\\\"x\"\0", 21)),
            "\"Path\"=\"C:\\\\Program Files\\\\\\\"x\\\"\"");
  EXPECT_EQ(Line("Name \"with\" \\", 1, string("\0", 1)), "\"Name \\\"with\\\" \\\\\"=\"\"");
  // Text outside ASCII goes out as the UTF-16 it was.
  EXPECT_EQ(Line("\xce\xa9", 1, string("\xe4\xb8\xad\xf0\x9f\x8c\x8e\0", 8)),
            "\"\xce\xa9\"=\"\xe4\xb8\xad\xf0\x9f\x8c\x8e\"");
  EXPECT_EQ(Line("Dw", 4, string("\x2a\0\0\x80", 4)), "\"Dw\"=dword:8000002a");
  EXPECT_EQ(Line("Blob", 3, "\xde\xad"), "\"Blob\"=hex:de,ad");
  EXPECT_EQ(Line("NoData", 3, ""), "\"NoData\"=hex:");
  EXPECT_EQ(Line("Expand", 2, string("%P%\0", 4)), "\"Expand\"=hex(2):25,00,50,00,25,00,00,00");
  EXPECT_EQ(Line("Multi", 7, string("a\0b\0\0", 5)), "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00");
  EXPECT_EQ(Line("None", 0, ""), "\"None\"=hex(0):");
  EXPECT_EQ(Line("None2", 0, "\1\2"), "\"None2\"=hex(0):01,02");
  EXPECT_EQ(Line("Qword", 11, string("\5\0\0\0\0\0\0\0", 8)), "\"Qword\"=hex(b):05,00,00,00,00,00,00,00");
  EXPECT_EQ(Line("Big", 5, string("\0\0\0\1", 4)), "\"Big\"=hex(5):00,00,00,01");
  EXPECT_EQ(Line("Odd", 0x12345678, "\xff"), "\"Odd\"=hex(12345678):ff");
}

TEST(ChangeScriptTest, DataThatIsNotExactlyTextAndOneNulIsWrittenInHex) {
  // No terminator, two terminators, a NUL inside, a line break, no data.
  EXPECT_EQ(Line("a", 1, "ab"), "\"a\"=hex(1):61,00,62,00");
  EXPECT_EQ(Line("a", 1, string("ab\0\0", 4)), "\"a\"=hex(1):61,00,62,00,00,00,00,00");
  EXPECT_EQ(Line("a", 1, string("a\0b\0", 4)), "\"a\"=hex(1):61,00,00,00,62,00,00,00");
  EXPECT_EQ(Line("a", 1, string("l1\r\nl2\0", 7)), "\"a\"=hex(1):6c,00,31,00,0d,00,0a,00,6c,00,32,00,00,00");
  EXPECT_EQ(Line("a", 1, ""), "\"a\"=hex(1):");
  // A double word of another length.
  EXPECT_EQ(Line("d", 4, "\1\2"), "\"d\"=hex(4):01,02");
}

TEST(ChangeScriptTest, HexLinesWrapAsRegeditWrapsThem) {
  string bytes;
  for (int i = 0; i < 30; ++i) bytes += static_cast<char>(i);
  // Seen in regedit's own exports: a line wraps once it holds 77 characters
  // with its comma, and continues after two blanks.
  EXPECT_EQ(Line("bin266", 3, bytes),
            "\"bin266\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
            "  16,17,18,19,1a,1b,1c,1d");
  EXPECT_EQ(Line("bin2666", 3, bytes),
            "\"bin2666\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,\\\r\n"
            "  15,16,17,18,19,1a,1b,1c,1d");
  string sixty;
  for (int i = 0; i < 60; ++i) sixty += static_cast<char>(i);
  EXPECT_EQ(Line("", 3, sixty),
            "@=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,\\\r\n"
            "  18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,2f,30,\\\r\n"
            "  31,32,33,34,35,36,37,38,39,3a,3b");
  // A long name wraps after the first byte; the last byte never wraps.
  string name(85, 'M');
  EXPECT_EQ(Line(name, 3, "\1\2"), "\"" + name + "\"=hex:01,\\\r\n  02");
  EXPECT_EQ(Line(name, 3, "\1"), "\"" + name + "\"=hex:01");
}

class ChangeScriptFileTest : public ::testing::Test {
 protected:
  ChangeScriptFileTest() {
    platform::SetFiles(&files_);
    files_.AddFolder("c:\\vastrel");
  }
  ~ChangeScriptFileTest() override { platform::SetFiles(nullptr); }

  // The script file as UTF-8, after checking that it is UTF-16 with a mark.
  string Written() {
    string bytes = files_.Get("c:\\vastrel\\redo.reg").value_or("");
    EXPECT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xff\xfe");
    EXPECT_EQ(bytes.size() % 2, 0u);
    std::u16string units;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
      units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    return platform::Utf16ToUtf8(units);
  }

  test::MemoryFiles files_;
  File file_;
};

TEST_F(ChangeScriptFileTest, AnEmptyChangeSetIsTheHeaderLineAlone) {
  file_.OpenOrThrow("c:\\vastrel\\redo.reg", File::kModeCreate | File::kModeWrite);
  ChangeScript script(file_);
  script.Finish();
  file_.Close();
  EXPECT_EQ(Written(), "Windows Registry Editor Version 5.00\r\n");
}

TEST_F(ChangeScriptFileTest, SectionsOpenOncePerKeyAndAgainAfterADeletion) {
  file_.OpenOrThrow("c:\\vastrel\\redo.reg", File::kModeCreate | File::kModeWrite);
  ChangeScript script(file_);
  const string key = "HKEY_CURRENT_USER\\Software\\\xce\xa9";
  script.DeleteValue(key, "Old");
  script.DeleteValue(key, "");
  script.DeleteKey(key + "\\Gone");
  script.SetValue(key, Value("New", 4, string("\1\0\0\0", 4)));
  script.SetValue(key, Value("", 1, string("d\0", 2)));
  script.AddKey(key + "\\Empty");
  script.Finish();
  file_.Close();
  EXPECT_EQ(Written(),
            "Windows Registry Editor Version 5.00\r\n"
            "\r\n[" + key + "]\r\n\"Old\"=-\r\n@=-\r\n"
            "\r\n[-" + key + "\\Gone]\r\n"
            "\r\n[" + key + "]\r\n\"New\"=dword:00000001\r\n@=\"d\"\r\n"
            "\r\n[" + key + "\\Empty]\r\n"
            "\r\n");
}

TEST_F(ChangeScriptFileTest, ALargeScriptIsWrittenWhole) {
  file_.OpenOrThrow("c:\\vastrel\\redo.reg", File::kModeCreate | File::kModeWrite);
  ChangeScript script(file_);
  string expected = "Windows Registry Editor Version 5.00\r\n";
  for (int i = 0; i < 5000; ++i) {
    string key = "HKEY_LOCAL_MACHINE\\Software\\K" + std::to_string(i);
    script.SetValue(key, Value("v", 1, string("x\0", 2)));
    expected += "\r\n[" + key + "]\r\n\"v\"=\"x\"\r\n";
  }
  script.Finish();
  file_.Close();
  EXPECT_EQ(Written(), expected + "\r\n");
}

}  // namespace
