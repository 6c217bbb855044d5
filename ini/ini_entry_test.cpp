// Reading INI files as runs of entries.

#include "ini/ini_entry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/file.h"
#include "test/memory_files.h"

namespace {

using Entries = std::vector<std::string>;

// "section|key|value" for each entry of a file holding `content`.
Entries ReadEntries(const std::string& content) {
  test::MemoryFiles files;
  files.Put("C:\\f.ini", content);
  File file;
  file.OpenOrThrow("C:\\f.ini", File::kModeRead);
  Entries entries;
  IniEntry entry;
  while (entry.ReadNext(file)) entries.push_back(entry.section + "|" + entry.key + "|" + entry.value);
  return entries;
}

TEST(IniEntryTest, ClassifiesLines) {
  struct Case {
    std::string content;
    Entries entries;
  };
  const char zero[] = "k=1\0tail\nx\0=2\n";
  const std::vector<Case> cases = {
      {"[Sec]\nk=v\n", {"Sec|k|v"}},
      {"  k = v \n", {"|k | v "}},  // blanks before the key belong to neither
      {"\t[T]\n\tk\t=\tv\n", {"T|k\t|\tv"}},
      {"k=\nk\n=v\n  =v\n   \n\n", {"|k|"}},
      {"a=b=c\n", {"|a|b=c"}},
      {"[Sec] ; note\nk=1\n[]\nm=2\n[Other\nx[New]\nn=3\n", {"Sec|k|1", "Sec|m|2", "Sec|n|3"}},
      {"[Sec=1\n;k=v\n; comment\n", {"|[Sec|1", "|;k|v"}},
      {"[a=b]\nk=v\n", {"a=b|k|v"}},  // a section line wins over an entry line
      {"[S]\r\nk=1\r\na\rb=2\n", {"S|k|1", "S|ab|2"}},  // every CR is dropped
      {std::string(zero, sizeof zero - 1), {"|k|1"}},   // a zero byte hides the rest of its line
      {"[S]\nk=1\nk=2\n[T]\nk=3\n[S]\nk=4\n", {"S|k|1", "S|k|2", "T|k|3", "S|k|4"}},
      // The last line counts without a line feed, too.
      {"[S]\nk=1\nlast=2", {"S|k|1", "S|last|2"}},
      {"k=1\n[S]", {"|k|1"}},
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadEntries(c.content), c.entries) << c.content;
}

}  // namespace
