#include "platform/posix/folder_listing.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

#include "platform/last_error.h"
#include "test/temp_folder.h"

namespace platform::posix {
namespace {

namespace fs = std::filesystem;

class FolderListingTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("WINEPREFIX", prefix_.path().c_str(), 1); }
  void TearDown() override { unsetenv("WINEPREFIX"); }
  std::string Host(const std::string& relative) { return prefix_.path() + "/drive_c/" + relative; }

  // The names listed for a pattern, in order, each with its record; the
  // error of a failed listing in error_.
  std::vector<std::pair<std::string, FindData>> List(const std::string& pattern) {
    std::vector<std::pair<std::string, FindData>> entries;
    FindData data;
    std::unique_ptr<FolderSearch> search = FindFirst(pattern, &data);
    error_ = GetLastError();
    if (search) do entries.emplace_back(data.fileName, data);
      while (search->FindNext(&data));
    return entries;
  }
  std::string Names(const std::string& pattern) {
    std::string names;
    for (const auto& entry : List(pattern)) names += entry.first + "|";
    return names;
  }

  test::TempPrefix prefix_;
  std::uint32_t error_ = 0;
};

TEST_F(FolderListingTest, RecordsAreFilledAsWineFillsThem) {
  prefix_.WriteFile("drive_c/t/file.txt", "");
  prefix_.WriteFile("drive_c/t/ro.txt", "");
  prefix_.WriteFile("drive_c/t/.hidden", "");
  prefix_.WriteFile("drive_c/t/sub/inner.txt", "");
  chmod(Host("t/ro.txt").c_str(), 0444);
  fs::create_directory_symlink("sub", Host("t/tosub"));
  fs::create_symlink("file.txt", Host("t/tofile"));
  fs::create_symlink("nowhere", Host("t/dangling"));  // left out
  ASSERT_EQ(truncate(Host("t/file.txt").c_str(), (5LL << 30) + 7), 0);  // sparse
  timespec times[2] = {{1234567890, 0}, {1000000000, 500000000}};       // read, written
  ASSERT_EQ(utimensat(AT_FDCWD, Host("t/file.txt").c_str(), times, 0), 0);

  std::string attributes;
  for (const auto& [name, data] : List("C:\\t\\*.*")) attributes += name + "=" + std::to_string(data.fileAttributes) + " ";
  EXPECT_EQ(attributes, ".=16 ..=16 .hidden=34 file.txt=32 ro.txt=33 sub=16 tofile=32 tosub=1040 ");
  const std::uint64_t written = (1000000000ULL + 11644473600ULL) * 10000000ULL + 5000000ULL;
  const std::uint64_t read = (1234567890ULL + 11644473600ULL) * 10000000ULL;
  for (const auto& [name, file] : List("C:\\t\\*.*")) {
    if (name != "file.txt" && name != "tofile") continue;  // a link shows its file
    EXPECT_EQ((std::uint64_t{file.fileSizeHigh} << 32) | file.fileSizeLow, (5ULL << 30) + 7);
    EXPECT_EQ((std::uint64_t{file.lastWriteTime.highDateTime} << 32) | file.lastWriteTime.lowDateTime, written);
    EXPECT_EQ((std::uint64_t{file.creationTime.highDateTime} << 32) | file.creationTime.lowDateTime, written);
    EXPECT_EQ((std::uint64_t{file.lastAccessTime.highDateTime} << 32) | file.lastAccessTime.lowDateTime, read);
  }
}

TEST_F(FolderListingTest, EntriesComeInWineOrderAndDriveRootsHaveNoDotEntries) {
  std::string order;
  for (const char* name : {"1.txt", "a b.txt", "a.b.txt", "a.txt", "ab", "Ab1", "AB2", "B.txt", "b2.txt",
                           "Zeta.txt", "[b.txt", "^c.txt", "_a.txt", "`x.txt", "{w.txt", "~t.txt", "é.txt",
                           // UTF-16 units, not code points: a surrogate pair before U+FF22
                           "\U0001F600.txt", "\uFF42" "1.txt", "\uFF22" "2.txt"}) {
    prefix_.WriteFile(std::string("drive_c/t/") + name, "");
    order += std::string(name) + "|";
  }
  EXPECT_EQ(Names("C:\\t\\*.*"), ".|..|" + order);
  prefix_.WriteFile("drive_c/u/b", "");
  prefix_.WriteFile("drive_c/u/B", "");
  EXPECT_EQ(Names("C:\\u\\*.*"), ".|..|B|b|");  // alike but for case: exact order
  EXPECT_EQ(Names("C:\\*.*") + Names("\\*.*"), "Program Files|t|u|windows|Program Files|t|u|windows|");
  EXPECT_EQ(Names("C:\\WINDOWS\\*.*"), ".|..|system32|");
  EXPECT_EQ(Names("C:\\T\\A.*"), "a.b.txt|a.txt|");
  EXPECT_EQ(Names(Host("u") + "\\*.*"), ".|..|B|b|");  // a host path
}

TEST_F(FolderListingTest, LinksToFoldersAreListedEmpty) {
  prefix_.WriteFile("drive_c/t/sub/inner.txt", "");
  fs::create_directory_symlink("sub", Host("t/tosub"));
  fs::create_directory_symlink("..", Host("t/sub/up"));  // back up the tree
  fs::create_directory_symlink("/", Host("t/root"));
  for (const char* link : {"C:\\t\\tosub\\*.*", "C:\\t\\sub\\up\\*.*", "C:\\t\\root\\*.*"})
    EXPECT_EQ(Names(link), ".|..|") << link;
  EXPECT_EQ(Names("C:\\t\\sub\\*.*"), ".|..|inner.txt|up|");
}

TEST_F(FolderListingTest, FailuresGiveWindowsErrorNumbers) {
  prefix_.WriteFile("drive_c/t/file.txt", "");
  const std::map<std::string, std::uint32_t> failures = {
      {"C:\\missing\\*.*", kErrorPathNotFound},
      {"C:\\missing\\deeper\\*.*", kErrorPathNotFound},
      {"C:\\t\\file.txt\\*.*", kErrorDirectory},
      {"C:\\t\\none.*", kErrorFileNotFound},
  };
  for (const auto& [pattern, error] : failures) {
    EXPECT_TRUE(List(pattern).empty()) << pattern;
    EXPECT_EQ(error_, error) << pattern;
  }
  if (geteuid() == 0) return;  // root reads every folder
  chmod(Host("t").c_str(), 0);
  EXPECT_TRUE(List("C:\\t\\*.*").empty());
  EXPECT_EQ(error_, kErrorAccessDenied);
}

}  // namespace
}  // namespace platform::posix
