#include "filetree/directory_capture.h"

#include <gtest/gtest.h>

#include <cstring>

#include "filetree/tree_fixture.h"
#include "platform/last_error.h"

namespace {

using DirectoryCaptureTest = TreeTest;

std::string NameAt(const std::string& bytes, std::size_t record) { return bytes.c_str() + record + kDirNameField; }

TEST_F(DirectoryCaptureTest, ListingsFollowDepthFirstAndTheirFoldersPointAtThem) {
  Write("R\\a.txt", "12345");  // listed a.txt, S, x.txt; S holds c.txt
  Write("R\\S\\c.txt");
  Write("R\\x.txt");
  EXPECT_EQ(Capture("C:\\R"), "");
  std::string bytes = Snapshot();
  const std::uint32_t root = DirRootListingOffset(4), s = RecordAt(root, 3);
  ASSERT_EQ(bytes.size(), RecordAt(s, 1));
  EXPECT_EQ(bytes.substr(0, root), std::string("\4\0\0\0C:\\R", 8));
  EXPECT_EQ(U32(bytes, root), 3u);
  EXPECT_EQ(NameAt(bytes, RecordAt(root, 0)) + NameAt(bytes, RecordAt(root, 1)) + NameAt(bytes, RecordAt(root, 2)) +
                NameAt(bytes, RecordAt(s, 0)),
            "a.txtSx.txtc.txt");
  EXPECT_EQ(U32(bytes, RecordAt(root, 0)), platform::kFileAttributeArchive);
  EXPECT_EQ(U32(bytes, RecordAt(root, 1)), platform::kFileAttributeDirectory);
  EXPECT_EQ(U32(bytes, RecordAt(root, 1) + kDirListingOffsetField), s);
  for (std::uint32_t file : {RecordAt(root, 0), RecordAt(root, 2), RecordAt(s, 0)})
    EXPECT_EQ(U32(bytes, file + kDirListingOffsetField), 0u) << file;
  EXPECT_EQ(U32(bytes, s), 1u);
}

TEST_F(DirectoryCaptureTest, UnlistableFolderIsReportedAndStoredEmptyAndTheWalkGoesOn) {
  Write("R\\A\\a.txt");
  Write("R\\B\\Deep\\d.txt");
  Write("R\\C\\Half\\h.txt");
  files_.FailListing("C:\\R\\B", platform::kErrorAccessDenied);
  files_.FailListing("C:\\R\\C\\Half", platform::kErrorIoDevice, 2);  // breaks off after . and ..
  bool complete = true;
  EXPECT_EQ(Capture("C:\\R", &complete), "path not found 5\nC:\\R\\B\npath not found 1117\nC:\\R\\C\\Half\n");
  EXPECT_FALSE(complete);
  std::string bytes = Snapshot();
  const std::uint32_t root = DirRootListingOffset(4);
  std::uint32_t a = U32(bytes, RecordAt(root, 0) + kDirListingOffsetField),
                b = U32(bytes, RecordAt(root, 1) + kDirListingOffsetField),
                c = U32(bytes, RecordAt(root, 2) + kDirListingOffsetField);
  EXPECT_EQ(b, RecordAt(a, 1));
  EXPECT_EQ(U32(bytes, b), 0u);  // B is stored empty, and C follows it
  EXPECT_EQ(c, RecordAt(b, 0));
  EXPECT_EQ(NameAt(bytes, RecordAt(c, 0)), "Half");
  const std::uint32_t half = RecordAt(c, 1);
  EXPECT_EQ(U32(bytes, RecordAt(c, 0) + kDirListingOffsetField), half);
  EXPECT_EQ(bytes.size(), RecordAt(half, 0));
}

// What the platform left in a record after the name and in the reserved
// words is stored as zeros, so that equal trees give equal snapshots.
TEST_F(DirectoryCaptureTest, WhatThePlatformLeftAfterTheNameAndInTheReservedWordsIsStoredAsZeros) {
  DirEntryRecord record;
  std::memset(&record.data, 0x5A, sizeof record.data);
  std::strcpy(record.data.fileName, "name.txt");
  record.data.alternateFileName[0] = 0;
  record.data.fileAttributes = 0x20;
  {
    File file;
    file.OpenOrThrow(kSnapshot, File::kModeCreate | File::kModeWrite);
    record.WriteTo(file);
    record.data.fileAttributes = 0x410;  // a link keeps its tag
    record.WriteTo(file);
  }
  std::string bytes = Snapshot();
  EXPECT_EQ(bytes.substr(kDirReservedField, 8), std::string(8, '\0'));
  const std::uint32_t afterName = kDirNameField + 9;
  EXPECT_EQ(bytes.substr(afterName, kDirRecordSize - afterName), std::string(kDirRecordSize - afterName, '\0'));
  EXPECT_EQ(U32(bytes, kDirRecordSize + kDirReservedField), 0x5A5A5A5Au);
}

}  // namespace
