#include "filetree/directory_compare.h"

#include <gtest/gtest.h>

#include "io/file_error.h"
#include "filetree/tree_fixture.h"
#include "platform/last_error.h"
#include "test/memory_files.h"

namespace {

namespace fs = std::filesystem;

class DirectoryCompareTest : public TreeTest {
 protected:
  // R holds A (a.txt) and B (b.txt): the root listing at 8, A's at 660,
  // B's at 988, 1316 bytes in all. B's record holds its offset at 656.
  void CaptureTwoFolders() {
    Write("R/A/a.txt");
    Write("R/B/b.txt");
    Capture("C:\\R");
    ASSERT_EQ(Snapshot().size(), 1316u);
    Write("R/A/new.txt");
  }
};

TEST_F(DirectoryCompareTest, MissingSnapshotRaisesBeforeAnyReportIsTouched) {
  prefix_.WriteFile("drive_c/vastrel/new.txt", "earlier");
  EXPECT_THROW(Compare(), FileError);
  EXPECT_EQ(prefix_.ReadFile("drive_c/vastrel/new.txt"), "earlier");
}

TEST_F(DirectoryCompareTest, UnfinishedSnapshotSkipsWhatWasNeverWritten) {
  CaptureTwoFolders();
  std::string good = Snapshot();
  bool complete = true;
  SetSnapshot(good.substr(0, 8));  // the root could not be listed
  EXPECT_EQ(Compare(&complete), "path not found\nC:\\R\n");
  EXPECT_FALSE(complete);
  std::string unreached = good;  // B was never reached, or the capture stopped at its listing
  PutU32(unreached, 656, 0);
  for (const std::string& bytes : {unreached, good.substr(0, 988)}) {
    SetSnapshot(bytes);
    EXPECT_EQ(Compare(&complete), "path not found\nC:\\R\\B\n");
    EXPECT_FALSE(complete);
    EXPECT_EQ(Added(), "C:\\R\\A\\new.txt\r\n");
  }
}

TEST_F(DirectoryCompareTest, DamagedSnapshotIsAFileErrorNamingIt) {
  CaptureTwoFolders();
  const std::string good = Snapshot();
  auto patched = [&](std::size_t at, std::uint32_t value) {
    std::string bytes = good;
    PutU32(bytes, at, value);
    return bytes;
  };
  std::string endless = good;
  endless.replace(992 + 44, 260, std::string(260, 'x'));  // b.txt's name without its end
  for (const std::string& bytes :
       {good.substr(0, 2), good.substr(0, 6), std::string("\4\1\0\0", 4) + std::string(260, 'x') + good.substr(8),
        patched(656, 5000), patched(656, 1314), patched(988, 2), patched(988, 0xFFFFFFFF), good.substr(0, 1216),
        endless, patched(656, 8)}) {
    SetSnapshot(bytes);
    try {
      Compare();
      ADD_FAILURE() << "no error for " << bytes.size() << " bytes";
    } catch (const FileError& error) {
      EXPECT_EQ(error.cause, FileError::kDamaged);
      EXPECT_EQ(error.fileName, kSnapshot);
    }
    EXPECT_EQ(prefix_.ReadFile("drive_c/vastrel/mod.txt"), ";   Modified File\r\n\r\n");  // closed
  }
  EXPECT_EQ(Added(), "C:\\R\\A\\new.txt\r\n");  // what was compared before the damage stays
}

TEST_F(DirectoryCompareTest, FilesChangeWithAttributesWriteTimeOrSizeButNotWhenRead) {
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

TEST_F(DirectoryCompareTest, NamesMatchExactlyWithTheSameKindAndLinesComeDepthFirst) {
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

TEST_F(DirectoryCompareTest, UnlistableSubfolderIsReportedAndSkippedWhileTheRestIsCompared) {
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

TEST_F(DirectoryCompareTest, EntriesAlikeInNameTakeTheStoredOnesInOrder) {
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
