#include "registry/reg_export.h"

#include <gtest/gtest.h>

namespace {

std::string Line(const std::string& name, std::uint32_t type, const std::string& bytes) {
  RegistryEntry entry;
  entry.name = name;
  entry.type = type;
  entry.SetData(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  return FormatRegValueLine(entry);
}

TEST(RegExportTest, EveryValueForm) {
  using std::string;
  EXPECT_EQ(Line("", 1, string("abc\0", 4)), "@=\"abc\"\r\n");
  EXPECT_EQ(Line("Nul", 1, string("\0", 1)), "\"Nul\"=\"\"\r\n");
  EXPECT_EQ(Line("a\"b\\c%d", 2, string("%P%\\x\0tail", 10)), "\"a\"b\\c%d\"=\"%P%\\x\"\r\n");
  EXPECT_EQ(Line("One", 4, string("\1\0\0\0", 4)), "\"One\"=dword:00000001\r\n");
  EXPECT_EQ(Line("Big", 5, string("\0\0\0\1", 4)), "\"Big\"=dword:01000000\r\n");
  // A short dword is read from the bytes it has; nothing beyond them.
  EXPECT_EQ(Line("Short", 4, "\x34\x12"), "\"Short\"=dword:00001234\r\n");
  EXPECT_EQ(Line("Blob", 3, "\xde\xad"), "\"Blob\"=hex:DE,AD\r\n");
  EXPECT_EQ(Line("Multi", 7, string("a\0\0", 3)), "\"Multi\"=hex(7):61,00,00\r\n");
  EXPECT_EQ(Line("", 10, "\1"), "@=hex(10):01\r\n");
  EXPECT_EQ(Line("Eleven", 11, "x"), "\"Eleven\"=Error Bad Type 11\r\n");
  EXPECT_EQ(Line("", 0x80000000u, ""), "\"\"=Error Bad Type -2147483648\r\n");
}

TEST(RegExportTest, HexBytesWrapAfterSeventyNineCharacters) {
  std::string bytes;
  for (int i = 0; i < 26; ++i) bytes += static_cast<char>(i);
  EXPECT_EQ(Line("", 3, bytes),
            "@=hex:00,01,02,03,04,05,06,07,08,09,0A,0B,0C,0D,0E,0F,10,11,12,13,14,15,16,17,18,\\\r\n"
            "  19\r\n");
  // After an 11-character prefix: 23 bytes, then 25 to a continuation line.
  std::string line = Line("Data", 3, std::string(60, '\x0a'));
  std::vector<std::size_t> lengths;
  for (std::size_t start = 0, end; (end = line.find("\r\n", start)) != std::string::npos; start = end + 2)
    lengths.push_back(end - start);
  EXPECT_EQ(lengths, (std::vector<std::size_t>{11 + 23 * 3 + 1, 2 + 25 * 3 + 1, 2 + 12 * 3 - 1}));
  // A name of 72 characters fills the first line before any byte.
  std::string name(72, 'n');
  EXPECT_EQ(Line(name, 3, "\1"), "\"" + name + "\"=hex:\\\r\n  01\r\n");
}

}  // namespace
