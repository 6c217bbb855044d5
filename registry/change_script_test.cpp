#include "registry/change_script.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"

namespace {

using std::string;

// The value's line as UTF-8, without its line end.
string Line(const string& name, std::uint32_t type, const string& data) {
  RegistryEntry value;
  value.name = name;
  value.type = type;
  value.SetData(data.data(), static_cast<std::uint32_t>(data.size()));
  return platform::Utf16ToUtf8(FormatScriptValue(value));
}

// Common types as regedit imports them are checked under Wine; here the
// forms that only an exact line shows.
TEST(ChangeScriptTest, EveryValueInTheFormRegeditReadsBackExactly) {
  EXPECT_EQ(Line("", 1, string("abc\0", 4)), "@=\"abc\"");
  EXPECT_EQ(Line("Empty", 1, string("\0", 1)), "\"Empty\"=\"\"");
  EXPECT_EQ(Line("Name \"with\" \\", 1, string("\0", 1)), "\"Name \\\"with\\\" \\\\\"=\"\"");
  // Text outside ASCII goes out as the UTF-16 it was.
  EXPECT_EQ(Line("\xce\xa9", 1, string("\xe4\xb8\xad\xf0\x9f\x8c\x8e\0", 8)),
            "\"\xce\xa9\"=\"\xe4\xb8\xad\xf0\x9f\x8c\x8e\"");
  EXPECT_EQ(Line("Dw", 4, string("\x2a\0\0\x80", 4)), "\"Dw\"=dword:8000002a");
  EXPECT_EQ(Line("NoData", 3, ""), "\"NoData\"=hex:");
  EXPECT_EQ(Line("None2", 0, "\1\2"), "\"None2\"=hex(0):01,02");
  EXPECT_EQ(Line("Big", 5, string("\0\0\0\1", 4)), "\"Big\"=hex(5):00,00,00,01");
  EXPECT_EQ(Line("Odd", 0x12345678, "\xff"), "\"Odd\"=hex(12345678):ff");
  // Data that is not exactly text and one NUL goes out in hex: no
  // terminator, two, a NUL inside, a line break, no data; and a double word
  // of another length.
  EXPECT_EQ(Line("a", 1, "ab"), "\"a\"=hex(1):61,00,62,00");
  EXPECT_EQ(Line("a", 1, string("ab\0\0", 4)), "\"a\"=hex(1):61,00,62,00,00,00,00,00");
  EXPECT_EQ(Line("a", 1, string("a\0b\0", 4)), "\"a\"=hex(1):61,00,00,00,62,00,00,00");
  EXPECT_EQ(Line("a", 1, string("l1\r\nl2\0", 7)), "\"a\"=hex(1):6c,00,31,00,0d,00,0a,00,6c,00,32,00,00,00");
  EXPECT_EQ(Line("a", 1, ""), "\"a\"=hex(1):");
  EXPECT_EQ(Line("d", 4, "\1\2"), "\"d\"=hex(4):01,02");
}

TEST(ChangeScriptTest, HexLinesWrapAsRegeditWrapsThem) {
  string bytes;
  for (int i = 0; i < 60; ++i) bytes += static_cast<char>(i);
  // Seen in regedit's own exports: a line wraps once it holds 77 characters
  // with its comma, and continues after two blanks.
  EXPECT_EQ(Line("bin266", 3, bytes.substr(0, 30)),
            "\"bin266\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
            "  16,17,18,19,1a,1b,1c,1d");
  EXPECT_EQ(Line("bin2666", 3, bytes.substr(0, 30)),
            "\"bin2666\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,\\\r\n"
            "  15,16,17,18,19,1a,1b,1c,1d");
  EXPECT_EQ(Line("", 3, bytes),
            "@=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,\\\r\n"
            "  18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,2f,30,\\\r\n"
            "  31,32,33,34,35,36,37,38,39,3a,3b");
  // A long name wraps after the first byte; the last byte never wraps.
  string name(85, 'M');
  EXPECT_EQ(Line(name, 3, "\1\2"), "\"" + name + "\"=hex:01,\\\r\n  02");
  EXPECT_EQ(Line(name, 3, "\1"), "\"" + name + "\"=hex:01");
}

}  // namespace
