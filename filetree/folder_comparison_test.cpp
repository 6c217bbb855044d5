#include "filetree/folder_comparison.h"

#include <gtest/gtest.h>

#include "filetree/tree_fixture.h"
#include "platform/last_error.h"
#include "test/memory_files.h"

namespace {

namespace fs = std::filesystem;

using FolderComparisonTest = TreeTest;

TEST_F(FolderComparisonTest, FilesChangeWithAttributesWriteTimeOrSizeButNotWhenRead) {
  for (const char* name : {"R/same.txt", "R/read.txt", "R/ro.txt", "R/touched.txt", "R/grown.txt"}) {
    Write(name, "1234");
    SetTimes(name, 1000000000, 1000000000);
  }
  Capture("C:\\R");
  SetTimes("R/read.txt", 1000000000, 1100000000);
  chmod(Host("R/ro.txt").c_str(), 0444);
  SetTimes("R/touched.txt", 1000000001, 1000000000);
  Write("R/grown.txt", "12345");
  SetTimes("R/grown.txt", 1000000000, 1000000000);
  bool complete = false;
  EXPECT_EQ(Compare(&complete), "");
  EXPECT_TRUE(complete);
  EXPECT_EQ(Modified(), "C:\\R\\grown.txt\r\nC:\\R\\ro.txt\r\nC:\\R\\touched.txt\r\n");
  EXPECT_EQ(Added() + Removed(), "");
}

TEST_F(FolderComparisonTest, NamesMatchExactlyWithTheSameKindAndLinesComeDepthFirst) {
  Write("R/a.txt");
  Write("R/swap");
  Write("R/Old/inside.txt");
  Write("R/Kept/Deeper/x.txt");
  Capture("C:\\R");
  fs::rename(Host("R/a.txt"), Host("R/A.TXT"));
  fs::remove(Host("R/swap"));
  Write("R/swap/now-a-folder.txt");
  fs::remove_all(Host("R/Old"));
  Write("R/New/one.txt");
  Write("R/Kept/Deeper/y.txt");
  Write("R/Kept/k.txt");
  SetTimes("R/Kept", 1, 1);  // a folder itself is never reported
  EXPECT_EQ(Compare(), "");
  EXPECT_EQ(Added(), "C:\\R\\A.TXT\r\nC:\\R\\New [DIR]\r\nC:\\R\\swap [DIR]\r\nC:\\R\\Kept\\k.txt\r\n"
                     "C:\\R\\Kept\\Deeper\\y.txt\r\n");
  EXPECT_EQ(Removed(), "C:\\R\\a.txt\r\nC:\\R\\Old [DIR]\r\nC:\\R\\swap\r\n");
  EXPECT_EQ(Modified(), "");
}

TEST_F(FolderComparisonTest, UnlistableSubfolderIsReportedAndSkippedWhileTheRestIsCompared) {
  for (const char* folder : {"R/A/", "R/B/", "R/C/", "R/C/D/"}) Write(std::string(folder) + "old.txt");
  Capture("C:\\R");
  for (const char* folder : {"R/A/", "R/B/", "R/C/", "R/C/D/"}) Write(std::string(folder) + "new.txt");
  test::MemoryFiles files(&platform::SystemFiles());
  files.FailListing("C:\\R\\B", platform::kErrorAccessDenied);
  files.FailListing("C:\\R\\C\\D", platform::kErrorPathNotFound);  // it vanished
  bool complete = true;
  EXPECT_EQ(Compare(&complete), "path not found\nC:\\R\\B\npath not found\nC:\\R\\C\\D\n");
  EXPECT_FALSE(complete);
  EXPECT_EQ(Added(), "C:\\R\\A\\new.txt\r\nC:\\R\\C\\new.txt\r\n");
}

TEST_F(FolderComparisonTest, EntriesAlikeInNameTakeTheStoredOnesInOrder) {
  // Each backslash of a host name shows as three bytes, so these names
  // differ only past the 259 bytes a record keeps.
  const std::string name(100, '\\');
  for (int last = 1; last <= 3; ++last) Write("R/" + name + std::to_string(last), std::string(last, 'x'));
  Capture("C:\\R");
  fs::remove(Host("R/" + name + "2"));
  EXPECT_EQ(Compare(), "");
  std::string kept;
  for (int i = 0; i < 86; ++i) kept += "\xef\x81\x9c";
  const std::string line = "C:\\R\\" + kept + "\xef\r\n";
  EXPECT_EQ(Modified(), line);  // the third, of 3 bytes, took the second's record
  EXPECT_EQ(Removed(), line);
  EXPECT_EQ(Added(), "");
}

}  // namespace
