#include "filetree/file_finder.h"

#include <gtest/gtest.h>

#include "filetree/tree_fixture.h"
#include "platform/last_error.h"

namespace {

using FileFinderTest = TreeTest;

TEST_F(FileFinderTest, HandsOutEveryEntryAndTellsDotEntriesApartOfWhichADrivesRootHasNone) {
  Write("data\\.x");
  Write("data\\a.txt");
  files_.AddFolder("C:\\data\\...");
  FileFinder finder;
  ASSERT_TRUE(finder.Search("C:\\data\\*.*"));
  EXPECT_EQ(finder.FolderPrefix(), "C:\\data\\");
  std::string seen;
  while (finder.Next())
    seen += FindDataName(*finder.Current()) + (finder.IsDotEntry() ? "=dot " : finder.IsFolder() ? "=dir " : " ");
  EXPECT_EQ(seen, ".=dot ..=dot ...=dir .x a.txt ");
  EXPECT_EQ(platform::GetLastError(), platform::kErrorNoMoreFiles);

  ASSERT_TRUE(finder.Search("C:\\*.*"));
  EXPECT_EQ(finder.FolderPrefix(), "C:\\");
  ASSERT_TRUE(finder.Next());
  EXPECT_EQ(FindDataName(*finder.Current()), "data");
  EXPECT_FALSE(finder.Search("C:\\missing\\*.*"));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorPathNotFound);
}

}  // namespace
