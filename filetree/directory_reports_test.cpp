#include "filetree/directory_reports.h"

#include <gtest/gtest.h>

#include "io/file_error.h"
#include "filetree/tree_fixture.h"

namespace {

class DirectoryReportsTest : public TreeTest {
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

TEST_F(DirectoryReportsTest, MissingSnapshotRaisesBeforeAnyReportIsTouched) {
  prefix_.WriteFile("drive_c/vastrel/new.txt", "earlier");
  EXPECT_THROW(Compare(), FileError);
  EXPECT_EQ(prefix_.ReadFile("drive_c/vastrel/new.txt"), "earlier");
}

TEST_F(DirectoryReportsTest, UnfinishedSnapshotSkipsWhatWasNeverWritten) {
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

TEST_F(DirectoryReportsTest, DamagedSnapshotIsAFileErrorNamingIt) {
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

}  // namespace
