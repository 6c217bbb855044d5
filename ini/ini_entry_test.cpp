// Reading INI files as runs of entries.

#include "ini/ini_entry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/file.h"
#include "test/temp_folder.h"

namespace {

// "section|key|value" for each entry of a file holding `content`.
std::vector<std::string> ReadEntries(const std::string& content) {
  test::TempFolder folder;
  folder.WriteFile("f.ini", content);
  File file;
  file.OpenOrThrow(folder.path() + "/f.ini", File::modeRead);
  std::vector<std::string> entries;
  IniEntry entry;
  while (entry.ReadNext(file)) entries.push_back(entry.section + "|" + entry.key + "|" + entry.value);
  return entries;
}

using Entries = std::vector<std::string>;

TEST(IniEntryTest, ReadLineDropsEveryCarriageReturn) {
  test::TempFolder folder;
  const char content[] = "a\r\nb\rc\n\nx\0y\nlast";
  folder.WriteFile("f.ini", std::string(content, sizeof content - 1));
  File file;
  file.OpenOrThrow(folder.path() + "/f.ini", File::modeRead);
  std::string line;
  EXPECT_TRUE(ReadLine(file, line));
  EXPECT_EQ(line, "a");
  EXPECT_TRUE(ReadLine(file, line));
  EXPECT_EQ(line, "bc");
  EXPECT_TRUE(ReadLine(file, line));
  EXPECT_EQ(line, "");
  EXPECT_TRUE(ReadLine(file, line));
  EXPECT_EQ(line, std::string("x\0y", 3));
  EXPECT_FALSE(ReadLine(file, line));
  EXPECT_EQ(line, "last");
  EXPECT_FALSE(ReadLine(file, line));
  EXPECT_EQ(line, "");
}

TEST(IniEntryTest, ClassifiesLines) {
  EXPECT_EQ(ReadEntries("[Sec]\nk=v\n"), Entries{"Sec|k|v"});
  EXPECT_EQ(ReadEntries("  k = v \n"), Entries{"|k | v "});
  EXPECT_EQ(ReadEntries("k=\nk\n=v\n   \n\n"), Entries{"|k|"});
  EXPECT_EQ(ReadEntries("a=b=c\n"), Entries{"|a|b=c"});
  EXPECT_EQ(ReadEntries("[Sec] ; note\nk=1\n[]\nm=2\n[Other\nn=3\n"),
            (Entries{"Sec|k|1", "Sec|m|2", "Sec|n|3"}));
  EXPECT_EQ(ReadEntries("[Sec=1\n"), Entries{"|[Sec|1"});
  EXPECT_EQ(ReadEntries(";k=v\n; comment\n"), Entries{"|;k|v"});
  EXPECT_EQ(ReadEntries("[a=b]\nk=v\n"), Entries{"a=b|k|v"});
  EXPECT_EQ(ReadEntries("\t[T]\n\tk\t=\tv\n"), Entries{"T|k\t|\tv"});
}

TEST(IniEntryTest, LineEndsReadAlike) {
  EXPECT_EQ(ReadEntries("[S]\r\nk=1\r\n"), Entries{"S|k|1"});
  EXPECT_EQ(ReadEntries("[S]\nk=1\n"), Entries{"S|k|1"});
  EXPECT_EQ(ReadEntries("a\rb=1\n"), Entries{"|ab|1"});
  // A zero byte hides the rest of its line.
  const char zero[] = "k=1\0tail\nx\0=2\n";
  EXPECT_EQ(ReadEntries(std::string(zero, sizeof zero - 1)), Entries{"|k|1"});
}

TEST(IniEntryTest, RepeatedKeysEachGiveAnEntry) {
  EXPECT_EQ(ReadEntries("[S]\nk=1\nk=2\n[T]\nk=3\n[S]\nk=4\n"),
            (Entries{"S|k|1", "S|k|2", "T|k|3", "S|k|4"}));
}

TEST(IniEntryTest, TheLastLineCountsWithoutALineFeed) {
  EXPECT_EQ(ReadEntries("[S]\nk=1\nlast=2"), (Entries{"S|k|1", "S|last|2"}));
  EXPECT_EQ(ReadEntries("only=1"), Entries{"|only|1"});
  EXPECT_EQ(ReadEntries("k=1\n[S]"), Entries{"|k|1"});
  EXPECT_EQ(ReadEntries(""), Entries{});
}

TEST(IniEntryTest, WritesWithAndWithoutHeader) {
  test::TempFolder folder;
  File file;
  file.OpenOrThrow(folder.path() + "/out.ini", File::modeCreate | File::modeWrite);
  IniEntry entry;
  entry.section = "S";
  entry.key = "k ";
  entry.value = " v";
  entry.Write(file, true);
  entry.Write(file, false);
  entry.section.clear();
  entry.Write(file, true);
  file.Close();
  EXPECT_EQ(folder.ReadFile("out.ini"), "\r\n[S]\r\nk = v\r\nk = v\r\n\r\n[]\r\nk = v\r\n");
}

}  // namespace
