#include "filetree/directory_compare.h"

#include <gtest/gtest.h>

#include "io/file_error.h"
#include "filetree/tree_fixture.h"
#include "platform/last_error.h"

namespace {

class DirectoryCompareTest : public TreeTest {
 protected:
  // R holds A (a.txt) and B (b.txt): the root listing, then A's, then B's.
  static constexpr std::uint32_t kRoot = DirRootListingOffset(4), kA = RecordAt(kRoot, 2), kB = RecordAt(kA, 1);
  static constexpr std::uint32_t kBSlot = RecordAt(kRoot, 1) + kDirListingOffsetField;  // where B's listing is named

  void CaptureTwoFolders() {
    Write("R\\A\\a.txt");
    Write("R\\B\\b.txt");
    Capture("C:\\R");
    ASSERT_EQ(Snapshot().size(), RecordAt(kB, 1));
    Write("R\\A\\new.txt");
  }
};

TEST_F(DirectoryCompareTest, MissingSnapshotRaisesBeforeAnyReportIsTouched) {
  files_.Put("C:\\vastrel\\new.txt", "earlier");
  EXPECT_THROW(Compare(), FileError);
  EXPECT_EQ(files_.Get("C:\\vastrel\\new.txt"), "earlier");
}

TEST_F(DirectoryCompareTest, UnfinishedSnapshotSkipsWhatWasNeverWritten) {
  CaptureTwoFolders();
  std::string good = Snapshot();
  bool complete = true;
  SetSnapshot(good.substr(0, kRoot));  // the root could not be listed
  EXPECT_EQ(Compare(&complete), "path not found\nC:\\R\n");
  EXPECT_FALSE(complete);
  std::string unreached = good;  // B was never reached, or the capture stopped at its listing
  PutU32(unreached, kBSlot, 0);
  for (const std::string& bytes : {unreached, good.substr(0, kB)}) {
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
  std::string endless = good;  // b.txt's name without its end
  endless.replace(RecordAt(kB, 0) + kDirNameField, 260, std::string(260, 'x'));
  for (const std::string& bytes :
       {good.substr(0, 2), good.substr(0, 6), std::string("\4\1\0\0", 4) + std::string(260, 'x') + good.substr(8),
        patched(kBSlot, 5000), patched(kBSlot, static_cast<std::uint32_t>(good.size()) - 2), patched(kB, 2),
        patched(kB, 0xFFFFFFFF), good.substr(0, RecordAt(kB, 0) + 224), endless, patched(kBSlot, kRoot)}) {
    SetSnapshot(bytes);
    try {
      Compare();
      ADD_FAILURE() << "no error for " << bytes.size() << " bytes";
    } catch (const FileError& error) {
      EXPECT_EQ(error.cause, FileError::kDamaged);
      EXPECT_EQ(error.fileName, kSnapshot);
    }
    EXPECT_EQ(ReadWhole("C:\\vastrel\\mod.txt"), ";   Modified File\r\n\r\n");  // closed
  }
  EXPECT_EQ(Added(), "C:\\R\\A\\new.txt\r\n");  // what was compared before the damage stays
}

TEST_F(DirectoryCompareTest, FilesChangeWithAttributesWriteTimeOrSizeButNotWhenRead) {
  for (const char* name : {"R\\same.txt", "R\\read.txt", "R\\ro.txt", "R\\touched.txt", "R\\grown.txt"}) {
    Write(name, "1234");
    files_.SetTimes(std::string("C:\\") + name, 1000, 1000);
  }
  Capture("C:\\R");
  files_.SetTimes("C:\\R\\read.txt", 1000, 1100);
  files_.SetAttributes("C:\\R\\ro.txt", platform::kFileAttributeArchive | platform::kFileAttributeReadOnly);
  files_.SetTimes("C:\\R\\touched.txt", 1001, 1000);
  Write("R\\grown.txt", "12345");
  files_.SetTimes("C:\\R\\grown.txt", 1000, 1000);
  bool complete = false;
  EXPECT_EQ(Compare(&complete), "");
  EXPECT_TRUE(complete);
  EXPECT_EQ(Modified(), "C:\\R\\grown.txt\r\nC:\\R\\ro.txt\r\nC:\\R\\touched.txt\r\n");
  EXPECT_EQ(Added() + Removed(), "");
}

TEST_F(DirectoryCompareTest, NamesMatchExactlyWithTheSameKindAndLinesComeDepthFirst) {
  Write("R\\a.txt");
  Write("R\\swap");
  Write("R\\Old\\inside.txt");
  Write("R\\Kept\\Deeper\\x.txt");
  Capture("C:\\R");
  files_.Remove("C:\\R\\a.txt");
  Write("R\\A.TXT");
  files_.Remove("C:\\R\\swap");
  Write("R\\swap\\now-a-folder.txt");
  files_.Remove("C:\\R\\Old");
  Write("R\\New\\one.txt");
  Write("R\\Kept\\Deeper\\y.txt");
  Write("R\\Kept\\k.txt");
  files_.SetTimes("C:\\R\\Kept", 1, 1);  // a folder itself is never reported
  EXPECT_EQ(Compare(), "");
  EXPECT_EQ(Added(), "C:\\R\\A.TXT\r\nC:\\R\\New [DIR]\r\nC:\\R\\swap [DIR]\r\nC:\\R\\Kept\\k.txt\r\n"
                     "C:\\R\\Kept\\Deeper\\y.txt\r\n");
  EXPECT_EQ(Removed(), "C:\\R\\a.txt\r\nC:\\R\\Old [DIR]\r\nC:\\R\\swap\r\n");
  EXPECT_EQ(Modified(), "");
}

TEST_F(DirectoryCompareTest, UnlistableSubfolderIsReportedAndSkippedWhileTheRestIsCompared) {
  for (const char* folder : {"R\\A\\", "R\\B\\", "R\\C\\", "R\\C\\D\\"}) Write(std::string(folder) + "old.txt");
  Capture("C:\\R");
  for (const char* folder : {"R\\A\\", "R\\B\\", "R\\C\\", "R\\C\\D\\"}) Write(std::string(folder) + "new.txt");
  files_.FailListing("C:\\R\\B", platform::kErrorAccessDenied);
  files_.FailListing("C:\\R\\C\\D", platform::kErrorPathNotFound);  // it vanished
  bool complete = true;
  EXPECT_EQ(Compare(&complete), "path not found\nC:\\R\\B\npath not found\nC:\\R\\C\\D\n");
  EXPECT_FALSE(complete);
  EXPECT_EQ(Added(), "C:\\R\\A\\new.txt\r\nC:\\R\\C\\new.txt\r\n");
}

TEST_F(DirectoryCompareTest, EntriesAlikeInNameTakeTheStoredOnesInOrder) {
  // Names that differ only past the 259 bytes a record keeps.
  const std::string name(300, 'n');
  for (int last = 1; last <= 3; ++last) Write("R\\" + name + std::to_string(last), std::string(last, 'x'));
  Capture("C:\\R");
  files_.Remove("C:\\R\\" + name + "2");
  EXPECT_EQ(Compare(), "");
  const std::string line = "C:\\R\\" + name.substr(0, 259) + "\r\n";
  EXPECT_EQ(Modified(), line);  // the third, of 3 bytes, took the second's record
  EXPECT_EQ(Removed(), line);
  EXPECT_EQ(Added(), "");
}

}  // namespace
