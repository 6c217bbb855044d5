#include "filetree/file_finder.h"

#include <gtest/gtest.h>

#include "filetree/tree_fixture.h"
#include "platform/last_error.h"

namespace {

using FileFinderTest = TreeTest;

TEST_F(FileFinderTest, HandsOutEveryEntryAndTellsDotEntriesApart) {
  Write("data/.x");
  Write("data/a.txt");
  std::filesystem::create_directories(Host("data/..."));
  FileFinder finder;
  EXPECT_FALSE(finder.IsFolder() || finder.IsDotEntry() || !finder.EntryName().empty());
  ASSERT_TRUE(finder.Search("C:\\data\\*.*"));
  EXPECT_EQ(finder.EntryCount(), 5u);
  std::string seen;
  while (finder.Next()) seen += finder.EntryPath() + (finder.IsDotEntry() ? "=dot " : finder.IsFolder() ? "=dir " : " ");
  EXPECT_EQ(seen, "C:\\data\\.=dot C:\\data\\..=dot C:\\data\\...=dir C:\\data\\.x C:\\data\\a.txt ");
  EXPECT_FALSE(finder.Next());
  EXPECT_EQ(platform::GetLastError(), platform::kErrorNoMoreFiles);
  EXPECT_EQ(finder.EntryName(), "a.txt");  // the last one stays current

  ASSERT_TRUE(finder.Search("\\*.*"));  // a drive's root has no dot entries
  ASSERT_TRUE(finder.Next());
  EXPECT_EQ(finder.EntryPath(), "\\data");
  EXPECT_FALSE(finder.Search("C:\\missing\\*.*"));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorPathNotFound);
}

}  // namespace
