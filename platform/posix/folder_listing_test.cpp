#include "platform/posix/folder_listing.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/last_error.h"
#include "test/temp_folder.h"

namespace platform::posix {
namespace {

namespace fs = std::filesystem;

std::uint64_t Ticks(const FileTime& time) {
  return static_cast<std::uint64_t>(time.highDateTime) << 32 | time.lowDateTime;
}

class FolderListingTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("WINEPREFIX", prefix_.path().c_str(), 1); }
  void TearDown() override { unsetenv("WINEPREFIX"); }

  std::string Host(const std::string& relative) { return prefix_.path() + "/drive_c/" + relative; }

  // The whole listing of a pattern, or an empty list with the error noted.
  std::vector<FindData> List(const std::string& pattern) {
    std::vector<FindData> entries;
    FindData data;
    std::unique_ptr<FolderSearch> search = FindFirst(pattern, &data);
    error_ = GetLastError();
    if (!search) return entries;
    do entries.push_back(data);
    while (search->FindNext(&data));
    EXPECT_EQ(GetLastError(), kErrorNoMoreFiles);
    return entries;
  }

  static std::vector<std::string> Names(const std::vector<FindData>& entries) {
    std::vector<std::string> names;
    for (const FindData& entry : entries) names.push_back(entry.fileName);
    return names;
  }

  static const FindData* Find(const std::vector<FindData>& entries, const std::string& name) {
    for (const FindData& entry : entries)
      if (name == entry.fileName) return &entry;
    return nullptr;
  }

  test::TempPrefix prefix_;
  std::uint32_t error_ = 0;
};

TEST_F(FolderListingTest, AttributesAreThoseWineShows) {
  prefix_.WriteFile("drive_c/t/file.txt", "12345");
  prefix_.WriteFile("drive_c/t/ro.txt", "");
  prefix_.WriteFile("drive_c/t/.hidden", "");
  prefix_.WriteFile("drive_c/t/sub/inner.txt", "");
  fs::create_directories(Host("t/rodir"));
  chmod(Host("t/ro.txt").c_str(), 0444);
  chmod(Host("t/rodir").c_str(), 0555);
  fs::create_directory_symlink("sub", Host("t/tosub"));
  fs::create_symlink("file.txt", Host("t/tofile"));
  fs::create_symlink("nowhere", Host("t/dangling"));

  std::vector<FindData> entries = List("C:\\t\\*.*");
  EXPECT_EQ(Names(entries), (std::vector<std::string>{".", "..", ".hidden", "file.txt", "ro.txt", "rodir",
                                                        "sub", "tofile", "tosub"}));
  EXPECT_EQ(Find(entries, ".")->fileAttributes, 0x10u);
  EXPECT_EQ(Find(entries, "..")->fileAttributes, 0x10u);
  EXPECT_EQ(Find(entries, ".hidden")->fileAttributes, 0x22u);
  EXPECT_EQ(Find(entries, "file.txt")->fileAttributes, 0x20u);
  EXPECT_EQ(Find(entries, "ro.txt")->fileAttributes, 0x21u);
  EXPECT_EQ(Find(entries, "rodir")->fileAttributes, 0x11u);
  EXPECT_EQ(Find(entries, "sub")->fileAttributes, 0x10u);
  EXPECT_EQ(Find(entries, "tosub")->fileAttributes, 0x410u);
  // A link to a file shows the file itself.
  EXPECT_EQ(Find(entries, "tofile")->fileAttributes, 0x20u);
  EXPECT_EQ(Find(entries, "tofile")->fileSizeLow, 5u);
  EXPECT_EQ(Find(entries, "file.txt")->fileSizeLow, 5u);
  EXPECT_EQ(Find(entries, "sub")->fileSizeLow, 0u);
  EXPECT_EQ(Find(entries, "file.txt")->alternateFileName[0], 0);
}

TEST_F(FolderListingTest, TimesAndSizesAreFileTimesAndBothSizeWords) {
  prefix_.WriteFile("drive_c/t/big.bin", "");
  std::string big = Host("t/big.bin");
  ASSERT_EQ(truncate(big.c_str(), (5LL << 30) + 7), 0);  // sparse: no space is used
  // Modified 2001-09-09 01:46:40.5 UTC, read 2009-02-13 23:31:30 UTC.
  timespec times[2] = {{1234567890, 0}, {1000000000, 500000000}};
  ASSERT_EQ(utimensat(AT_FDCWD, big.c_str(), times, 0), 0);

  std::vector<FindData> entries = List("C:\\t\\*.*");
  const FindData* entry = Find(entries, "big.bin");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->fileSizeHigh, 1u);
  EXPECT_EQ(entry->fileSizeLow, (1u << 30) + 7);
  const std::uint64_t modified = (1000000000ULL + 11644473600ULL) * 10000000ULL + 5000000ULL;
  EXPECT_EQ(Ticks(entry->lastWriteTime), modified);
  EXPECT_EQ(Ticks(entry->creationTime), modified);
  EXPECT_EQ(Ticks(entry->lastAccessTime), (1234567890ULL + 11644473600ULL) * 10000000ULL);
}

TEST_F(FolderListingTest, EntriesComeInWineOrder) {
  std::vector<std::string> order = {"1.txt", "a b.txt", "a.b.txt", "a.txt", "ab", "Ab1", "AB2", "B.txt",
                                    "b2.txt", "Zeta.txt", "[b.txt", "^c.txt", "_a.txt", "`x.txt",
                                    "{w.txt", "~t.txt", "é.txt"};
  for (auto it = order.rbegin(); it != order.rend(); ++it) prefix_.WriteFile("drive_c/t/" + *it, "");
  // Names that differ only in case come in exact order.
  prefix_.WriteFile("drive_c/u/b", "");
  prefix_.WriteFile("drive_c/u/B", "");
  prefix_.WriteFile("drive_c/u/A", "");

  std::vector<std::string> expected = {".", ".."};
  expected.insert(expected.end(), order.begin(), order.end());
  EXPECT_EQ(Names(List("C:\\t\\*.*")), expected);
  EXPECT_EQ(Names(List("C:\\u\\*.*")), (std::vector<std::string>{".", "..", "A", "B", "b"}));
}

TEST_F(FolderListingTest, LinksToFoldersAreNeverWalked) {
  prefix_.WriteFile("drive_c/t/sub/inner.txt", "");
  fs::create_directory_symlink("sub", Host("t/tosub"));
  fs::create_directory_symlink("..", Host("t/sub/up"));  // back up the tree
  fs::create_directory_symlink("/", Host("t/root"));

  for (const char* link : {"C:\\t\\tosub\\*.*", "C:\\t\\sub\\up\\*.*", "C:\\t\\root\\*.*"})
    EXPECT_EQ(Names(List(link)), (std::vector<std::string>{".", ".."})) << link;
  std::vector<FindData> sub = List("C:\\t\\sub\\*.*");
  EXPECT_EQ(Names(sub), (std::vector<std::string>{".", "..", "inner.txt", "up"}));
  EXPECT_EQ(Find(sub, "up")->fileAttributes, 0x410u);
  // The drive's own link (dosdevices/c:) is followed like any link on a path.
  EXPECT_FALSE(List("C:\\*.*").empty());
}

TEST_F(FolderListingTest, DriveRootsHaveNoDotEntries) {
  std::vector<std::string> names = Names(List("C:\\*.*"));
  EXPECT_EQ(names, (std::vector<std::string>{"Program Files", "windows"}));
  EXPECT_EQ(Names(List("\\*.*")), names);  // the current drive
  EXPECT_EQ(Names(List("C:\\WINDOWS\\*.*")), (std::vector<std::string>{".", "..", "system32"}));
}

TEST_F(FolderListingTest, FailuresGiveWindowsErrorNumbers) {
  prefix_.WriteFile("drive_c/t/file.txt", "");
  EXPECT_TRUE(List("C:\\missing\\*.*").empty());
  EXPECT_EQ(error_, kErrorPathNotFound);
  EXPECT_TRUE(List("C:\\missing\\deeper\\*.*").empty());
  EXPECT_EQ(error_, kErrorPathNotFound);
  EXPECT_TRUE(List("C:\\t\\file.txt\\*.*").empty());
  EXPECT_EQ(error_, kErrorDirectory);
  // The A-functions take a pattern of at most MAX_PATH units.
  fs::create_directories(Host(std::string(253, 'd')));
  fs::create_directories(Host(std::string(254, 'd')));
  EXPECT_EQ(Names(List("C:\\" + std::string(253, 'd') + "\\*.*")).size(), 2u);
  EXPECT_TRUE(List("C:\\" + std::string(254, 'd') + "\\*.*").empty());
  EXPECT_EQ(error_, kErrorFilenameTooLong);
  // Only a wildcard mask lists every entry.
  EXPECT_EQ(Names(List("C:\\t\\FILE.*")), (std::vector<std::string>{"file.txt"}));
  EXPECT_TRUE(List("C:\\t\\none.*").empty());
  EXPECT_EQ(error_, kErrorFileNotFound);
}

TEST_F(FolderListingTest, DeniedFolderGivesAccessDenied) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every folder";
  prefix_.WriteFile("drive_c/t/secret/x.txt", "");
  chmod(Host("t/secret").c_str(), 0);
  EXPECT_TRUE(List("C:\\t\\secret\\*.*").empty());
  EXPECT_EQ(error_, kErrorAccessDenied);
}

}  // namespace
}  // namespace platform::posix
