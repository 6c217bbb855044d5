#include "registry/reg_export.h"

#include <gtest/gtest.h>

#include "app/file.h"
#include "platform/memory_registry.h"
#include "registry/registry_test_support.h"

namespace {

RegistryEntry Value(const std::string& name, std::uint32_t type, const std::string& bytes) {
  RegistryEntry entry;
  entry.name = name;
  entry.type = type;
  entry.SetData(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  return entry;
}

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int value : values) bytes += static_cast<char>(value);
  return bytes;
}

TEST(RegExportTest, StringsAreWrittenUpToTheirFirstNulAndUnescaped) {
  EXPECT_EQ(FormatRegValueLine(Value("", 1, std::string("abc\0", 4))), "@=\"abc\"\r\n");
  EXPECT_EQ(FormatRegValueLine(Value("Ver", 1, std::string("2\0", 2))), "\"Ver\"=\"2\"\r\n");
  EXPECT_EQ(FormatRegValueLine(Value("Empty", 1, "")), "\"Empty\"=\"\"\r\n");
  EXPECT_EQ(FormatRegValueLine(Value("Nul", 1, std::string("\0", 1))), "\"Nul\"=\"\"\r\n");
  EXPECT_EQ(FormatRegValueLine(Value("a\"b\\c%d", 2, std::string("%PATH%\\x\"\0tail", 14))),
            "\"a\"b\\c%d\"=\"%PATH%\\x\"\"\r\n");
  EXPECT_EQ(FormatRegValueLine(Value("NoNul", 1, "text")), "\"NoNul\"=\"text\"\r\n");
}

TEST(RegExportTest, DwordsAreReadLittleEndianAndShortOnesFromTheBytesThereAre) {
  EXPECT_EQ(FormatRegValueLine(Value("One", 4, Bytes({1, 0, 0, 0}))), "\"One\"=dword:00000001\r\n");
  EXPECT_EQ(FormatRegValueLine(Value("Big", 5, Bytes({0, 0, 0, 1}))), "\"Big\"=dword:01000000\r\n");
  EXPECT_EQ(FormatRegValueLine(Value("", 4, Bytes({0xef, 0xbe, 0xad, 0xde, 0x99}))),
            "@=dword:DEADBEEF\r\n");
  EXPECT_EQ(FormatRegValueLine(Value("Two", 4, Bytes({0x34, 0x12}))), "\"Two\"=dword:00001234\r\n");
  EXPECT_EQ(FormatRegValueLine(Value("Three", 5, Bytes({1, 2, 3}))), "\"Three\"=dword:00030201\r\n");
  EXPECT_EQ(FormatRegValueLine(Value("None", 4, "")), "\"None\"=dword:00000000\r\n");
}

TEST(RegExportTest, HexFormsCarryTheTypeAndBadTypesSayMuch) {
  EXPECT_EQ(FormatRegValueLine(Value("Blob", 3, Bytes({0xde, 0xad, 0xbe, 0xef}))),
            "\"Blob\"=hex:DE,AD,BE,EF\r\n");
  EXPECT_EQ(FormatRegValueLine(Value("Multi", 7, std::string("a\0b\0\0", 5))),
            "\"Multi\"=hex(7):61,00,62,00,00\r\n");
  EXPECT_EQ(FormatRegValueLine(Value("", 10, Bytes({1}))), "@=hex(10):01\r\n");
  EXPECT_EQ(FormatRegValueLine(Value("Link", 6, Bytes({}))), "\"Link\"=hex(6):\r\n");
  EXPECT_EQ(FormatRegValueLine(Value("Empty", 3, "")), "\"Empty\"=hex:\r\n");
  EXPECT_EQ(FormatRegValueLine(Value("None", 0, "x")), "\"None\"=Error Bad Type 0\r\n");
  EXPECT_EQ(FormatRegValueLine(Value("Eleven", 11, "x")), "\"Eleven\"=Error Bad Type 11\r\n");
  EXPECT_EQ(FormatRegValueLine(Value("", 0x80000000u, "")), "\"\"=Error Bad Type -2147483648\r\n");
}

TEST(RegExportTest, HexBytesWrapTwentyFiveToALine) {
  std::string bytes;
  for (int i = 0; i < 26; ++i) bytes += static_cast<char>(i);
  EXPECT_EQ(FormatRegValueLine(Value("", 3, bytes)),
            "@=hex:00,01,02,03,04,05,06,07,08,09,0A,0B,0C,0D,0E,0F,10,11,12,13,14,15,16,17,18,\\\r\n"
            "  19\r\n");

  // 60 bytes after an 11-character prefix: 23 bytes reach 79 characters
  // with their comma, then 25 to a continuation line, then the last 12.
  std::string line = FormatRegValueLine(Value("Data", 3, std::string(60, '\x0a')));
  std::vector<std::size_t> lengths;
  for (std::size_t start = 0, end; (end = line.find("\r\n", start)) != std::string::npos;
       start = end + 2)
    lengths.push_back(end - start);
  EXPECT_EQ(lengths, (std::vector<std::size_t>{11 + 23 * 3 + 1, 2 + 25 * 3 + 1, 2 + 12 * 3 - 1}));
  EXPECT_TRUE(line.ends_with("0A,0A\r\n"));

  // A name of 72 characters fills the first line before any byte.
  std::string longName(72, 'n');
  EXPECT_EQ(FormatRegValueLine(Value(longName, 3, Bytes({1, 2}))),
            "\"" + longName + "\"=hex:\\\r\n  01,02\r\n");
}

TEST(RegExportTest, WriteAsRegWritesHeadersOnlyWhenGivenAKeyPath) {
  registry_test::Report report;
  RegistryEntry key;
  key.isKey = 1;
  key.name = "Sub";
  key.WriteAsReg(report.file, nullptr);
  key.WriteAsReg(report.file, "HKEY_CURRENT_USER\\Software");
  Value("A", 1, std::string("x\0", 2)).WriteAsReg(report.file, "HKEY_CURRENT_USER\\Software\\Sub");
  Value("B", 4, Bytes({2, 0, 0, 0})).WriteAsReg(report.file, nullptr);
  EXPECT_EQ(report.Text(),
            "\r\n[HKEY_CURRENT_USER\\Software\\Sub]\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software\\Sub]\r\n\"A\"=\"x\"\r\n"
            "\"B\"=dword:00000002\r\n");
}

TEST(RegExportTest, LiveExportWritesPreOrderAndSkipsWhatItCannotOpen) {
  platform::MemoryRegistry registry;
  registry_test::UseRegistry use(registry);
  registry.SetString("HKEY_CURRENT_USER\\App", "", "top");
  registry.SetDword("HKEY_CURRENT_USER\\App\\A", "N", 7);
  registry.SetString("HKEY_CURRENT_USER\\App\\A\\Deep", "S", "s");
  registry.AddKey("HKEY_CURRENT_USER\\App\\B");
  registry.AddKey("HKEY_CURRENT_USER\\App\\Closed");
  registry.DenyOpen("HKEY_CURRENT_USER\\App\\Closed");

  registry_test::Report report;
  registry_test::Console console;
  EXPECT_EQ(ExportLiveKey(report.file, "HKEY_CURRENT_USER\\App"), 1);
  EXPECT_EQ(report.Text(),
            "@=\"top\"\r\n"
            "\r\n[HKEY_CURRENT_USER\\App\\A]\r\n\"N\"=dword:00000007\r\n"
            "\r\n[HKEY_CURRENT_USER\\App\\A\\Deep]\r\n\"S\"=\"s\"\r\n"
            "\r\n[HKEY_CURRENT_USER\\App\\B]\r\n");
  EXPECT_EQ(console.Text(), "\n---->HKEY_CURRENT_USER\\App\\Closed\n");

  registry_test::Report missing;
  EXPECT_EQ(ExportLiveKey(missing.file, "HKEY_CURRENT_USER\\Gone"), 0);
  EXPECT_EQ(console.Text(), "path not found 2\nHKEY_CURRENT_USER\\Gone\n");
  EXPECT_EQ(missing.Text(), "");
}

}  // namespace
