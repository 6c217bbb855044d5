#include "filetree/directory_snapshot.h"

#include <gtest/gtest.h>

#include <cstring>

#include "io/file.h"
#include "filetree/tree_fixture.h"

namespace {

using DirectorySnapshotTest = TreeTest;

TEST_F(DirectorySnapshotTest, WhatThePlatformLeftAfterTheNamesAndInTheReservedWordsIsStoredAsZeros) {
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
