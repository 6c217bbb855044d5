// The directory steps on what a Linux file system allows and Windows does
// not: a chain of folders 300 deep and names holding any byte but "/" and
// NUL. vastrel -c and -d on a prefix must neither crash nor lose an entry.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "test/run.h"
#include "test/temp_folder.h"

namespace fs = std::filesystem;

namespace {

const std::string kNewHead = ";   New Added File\r\n\r\n";
const std::string kRemHead = ";   Removed File\r\n\r\n";

class TreeExtremesTest : public ::testing::Test {
 protected:
  TreeExtremesTest() {
    prefix_.WriteFile("drive_c/windows/win.ini", "[windows]\r\n");
    prefix_.WriteFile("drive_c/windows/system.ini", "[boot]\r\n");
  }
  std::string Run(const char* option) {
    test::RunResult result = test::RunVastrel(prefix_.path(), {option});
    EXPECT_EQ(result.status, 0) << result.output;
    return result.output;
  }
  std::string Report(const char* name) { return prefix_.ReadFile(std::string("drive_c/vastrel/") + name); }
  fs::path Windows() const { return fs::path(prefix_.path()) / "drive_c/windows"; }

  test::TempPrefix prefix_;
};

TEST_F(TreeExtremesTest, AChainOf300FoldersIsWalkedToTheEnd) {
  // Deeper than a Windows path can name: nothing below is lost.
  fs::path deep = Windows(), middle;
  std::string path = "C:\\windows", middlePath;
  for (int level = 1; level <= 300; ++level) {
    deep /= "d";
    path += "\\d";
    if (level == 100) middle = deep, middlePath = path;
  }
  fs::create_directories(deep);
  prefix_.WriteFile(fs::relative(middle / "old.txt", prefix_.path()).string(), "old");
  prefix_.WriteFile("drive_c/windows/z/after.txt", "z");
  std::string output = Run("-c");
  EXPECT_EQ(output.find("path not found"), std::string::npos) << output;

  fs::rename(middle / "old.txt", deep / "moved.txt");
  prefix_.WriteFile("drive_c/windows/z/after.txt", "changed");
  output = Run("-d");
  EXPECT_EQ(output.find("path not found"), std::string::npos) << output;
  EXPECT_EQ(Report("rem.txt"), kRemHead + middlePath + "\\old.txt\r\n");
  EXPECT_EQ(Report("new.txt"), ";   New Added File\r\n\r\n" + path + "\\moved.txt\r\n");
  EXPECT_EQ(Report("mod.txt"), ";   Modified File\r\n\r\nC:\\windows\\z\\after.txt\r\n");
}

TEST_F(TreeExtremesTest, NamesWithAnyByteAreNeitherLostNorFatal) {
  // One file and one folder (holding a file) for each byte a name may hold.
  fs::path odd = Windows() / "odd";
  std::vector<fs::path> files;
  for (int byte = 1; byte < 256; ++byte) {
    if (byte == '/') continue;
    files.push_back(odd / ("f" + std::string(1, static_cast<char>(byte))));
    files.push_back(odd / ("d" + std::string(1, static_cast<char>(byte))) / "inside");
  }
  for (const fs::path& file : files) prefix_.WriteFile(fs::relative(file, prefix_.path()).string(), "x");
  std::string output = Run("-c");
  EXPECT_EQ(output.find("not found"), std::string::npos) << output;

  // The files go and the folders stay, so that the comparison must descend
  // into every odd folder to find each of them gone.
  for (const fs::path& file : files) fs::remove(file);
  output = Run("-d");
  EXPECT_EQ(output.find("not found"), std::string::npos) << output;
  std::string removed = Report("rem.txt");
  ASSERT_TRUE(removed.starts_with(kRemHead));
  std::size_t lines = 0;
  for (std::size_t at = removed.find("\r\n", kRemHead.size()); at != std::string::npos;
       at = removed.find("\r\n", at + 2))
    ++lines;
  EXPECT_EQ(lines, files.size()) << removed;
  EXPECT_EQ(Report("new.txt"), kNewHead);
}

}  // namespace
