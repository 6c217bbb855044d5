// Comparing a saved INI copy with the live file, and the four reports.

#include "ini/compare_ini_file.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "io/file_error.h"
#include "test/memory_files.h"

namespace {

// The four reports of one comparison, as their bytes: new, mod, modo, rem.
using Reports = std::array<std::string, 4>;

class CompareIniFileTest : public ::testing::Test {
 protected:
  CompareIniFileTest() { files_.AddFolder("C:\\windows"); }
  static std::string PathOf(const std::string& name) { return "C:\\windows\\" + name; }
  std::string Read(const std::string& name) const { return files_.Get(PathOf(name)).value_or("<missing>"); }
  void Write(const std::string& name, const std::string& content) { files_.Put(PathOf(name), content); }

  void CompareNamed(const std::string& live, const std::string& saved) {
    CompareIniFile(PathOf(live), PathOf(saved), PathOf("new.ini"), PathOf("modo.ini"), PathOf("mod.ini"),
                   PathOf("rem.ini"));
  }

  Reports Compare(const std::string& saved, const std::string& live) {
    Write("saved.ini", saved);
    Write("live.ini", live);
    CompareNamed("live.ini", "saved.ini");
    return {Read("new.ini"), Read("mod.ini"), Read("modo.ini"), Read("rem.ini")};
  }

  test::MemoryFiles files_;
};

TEST_F(CompareIniFileTest, ReportsByteForByte) {
  struct Case {
    std::string saved, live;
    Reports reports;
  };
  const std::string boot = "[boot]\r\nshell=explorer.exe\r\n\r\n[drivers]\r\nwave=mmdrv.dll\r\n";
  const std::vector<Case> cases = {
      {boot, boot, {}},
      {"[S]\r\na=1\r\nb=2\r\n", "[S]\r\nb=2\r\na=1\r\n", {}},  // moving an entry changes nothing
      {"[S]\r\nk=1\r\n", "[S]\r\nk=2\r\n", {"", "\r\n[S]\r\nk=2\r\n", "\r\n[S]\r\nk=1\r\n", ""}},
      // Blanks belong to a value; each report has its own header.
      {"[S]\r\nk=1\r\nm=1\r\n", "[S]\r\nk= 1\r\nn=1\r\nm=2\r\n",
       {"\r\n[S]\r\nn=1\r\n", "\r\n[S]\r\nk= 1\r\nm=2\r\n", "\r\n[S]\r\nk=1\r\nm=1\r\n", ""}},
      {"[S]\r\nKey=1\r\n", "[S]\r\nkey=1\r\n", {"\r\n[S]\r\nkey=1\r\n", "", "", "\r\n[S]\r\nKey=1\r\n"}},
      {"[A]\r\nx=1\r\ny=2\r\n", "[B]\r\nx=1\r\ny=2\r\n",
       {"\r\n[B]\r\nx=1\r\ny=2\r\n", "", "", "\r\n[A]\r\nx=1\r\ny=2\r\n"}},
      // A second run of a section gets its header again, in each report.
      {"[T]\r\nt=1\r\n", "[S]\r\na=1\r\nb=1\r\n[T]\r\nt=1\r\n[S]\r\nc=1\r\n",
       {"\r\n[S]\r\na=1\r\nb=1\r\n\r\n[S]\r\nc=1\r\n", "", "", ""}},
      {"[A]\r\na=1\r\nb=1\r\n[B]\r\nc=1\r\n[A]\r\nd=1\r\n", "[A]\r\nb=1\r\n",
       {"", "", "", "\r\n[A]\r\na=1\r\n\r\n[B]\r\nc=1\r\n\r\n[A]\r\nd=1\r\n"}},
      {"[S]\r\nk=1\r\nk=1\r\n", "[S]\r\nk=1\r\n", {"", "", "", "\r\n[S]\r\nk=1\r\n"}},
      {"a=1\r\nb=1\r\n[S]\r\n", "a=2\r\nc=1\r\n[S]\r\n",
       {"\r\n[]\r\nc=1\r\n", "\r\n[]\r\na=2\r\n", "\r\n[]\r\na=1\r\n", "\r\n[]\r\nb=1\r\n"}},
      // A change on a last line that no line feed ends.
      {"[S]\r\na=1\r\nlast=1", "[S]\r\na=1\r\nlast=2",
       {"", "\r\n[S]\r\nlast=2\r\n", "\r\n[S]\r\nlast=1\r\n", ""}},
      {"[S]\r\nlast=1", "[S]\r\n", {"", "", "", "\r\n[S]\r\nlast=1\r\n"}},
  };
  Write("mod.ini", "left from an earlier run");
  for (const Case& c : cases) EXPECT_EQ(Compare(c.saved, c.live), c.reports) << c.saved << "\n--\n" << c.live;
}

TEST_F(CompareIniFileTest, AFileThatCannotBeOpenedStopsTheComparison) {
  for (const char* name : {"new.ini", "modo.ini", "mod.ini", "rem.ini"}) Write(name, "earlier");
  Write("live.ini", "[S]\r\nk=1\r\n");
  // A missing input raises before any report is emptied.
  EXPECT_THROW(CompareNamed("live.ini", "missing.ini"), FileError);
  EXPECT_THROW(CompareNamed("missing.ini", "live.ini"), FileError);
  for (const char* name : {"new.ini", "modo.ini", "mod.ini", "rem.ini"}) EXPECT_EQ(Read(name), "earlier");

  // Reports opened before one that cannot be created are empty, those after it untouched.
  EXPECT_THROW(CompareIniFile(PathOf("live.ini"), PathOf("live.ini"), PathOf("new.ini"), PathOf("modo.ini"),
                              PathOf("no\\such\\folder\\mod.ini"), PathOf("rem.ini")),
               FileError);
  EXPECT_EQ(Read("new.ini") + Read("modo.ini"), "");
  EXPECT_EQ(Read("rem.ini"), "earlier");
}

}  // namespace
