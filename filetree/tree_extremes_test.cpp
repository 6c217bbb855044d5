// The directory steps on what a Linux file system allows and Windows does
// not: a chain of folders 300 deep and names holding any byte but "/" and
// NUL. A capture and a comparison must neither stop nor lose an entry.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "filetree/tree_fixture.h"
#include "test/temp_folder.h"

namespace {

namespace fs = std::filesystem;

// The trees on a prefix of the test's own.
class TreeExtremesTest : public TreeWalkTest {
 protected:
  TreeExtremesTest() {
    setenv("WINEPREFIX", prefix_.path().c_str(), 1);
    fs::create_directories(Host("vastrel"));
  }
  ~TreeExtremesTest() override { unsetenv("WINEPREFIX"); }

  /// Writes a file below drive C ("R/a.txt"), with the folders on its way.
  void Write(const std::string& relative, const std::string& content) { prefix_.WriteFile("drive_c/" + relative, content); }
  std::string Host(const std::string& relative) const { return prefix_.path() + "/drive_c/" + relative; }

  test::TempPrefix prefix_;
};

TEST_F(TreeExtremesTest, AChainOf300FoldersIsWalkedToTheEnd) {
  // Deeper than a Windows path can name: nothing below is lost.
  std::string deep = "R", middle, deepPath = "C:\\R", middlePath;
  for (int level = 1; level <= 300; ++level) {
    deep += "/d", deepPath += "\\d";
    if (level == 100) middle = deep, middlePath = deepPath;
  }
  fs::create_directories(Host(deep));
  Write(middle + "/old.txt", "old");
  Write("R/z/after.txt", "z");
  EXPECT_EQ(Capture("C:\\R"), "");
  fs::rename(Host(middle + "/old.txt"), Host(deep + "/moved.txt"));
  Write("R/z/after.txt", "changed");
  EXPECT_EQ(Compare(), "");
  EXPECT_EQ(Removed(), middlePath + "\\old.txt\r\n");
  EXPECT_EQ(Added(), deepPath + "\\moved.txt\r\n");
  EXPECT_EQ(Modified(), "C:\\R\\z\\after.txt\r\n");
}

TEST_F(TreeExtremesTest, NamesWithAnyByteAreNeitherLostNorFatal) {
  // One file and one folder (holding a file) for each byte a name may hold.
  std::vector<std::string> files;
  for (int byte = 1; byte < 256; ++byte) {
    if (byte == '/') continue;
    files.push_back("R/f" + std::string(1, static_cast<char>(byte)));
    files.push_back("R/d" + std::string(1, static_cast<char>(byte)) + "/inside");
  }
  for (const std::string& file : files) Write(file, "x");
  EXPECT_EQ(Capture("C:\\R"), "");
  // The files go and the folders stay, so that the comparison must descend
  // into every odd folder to find each of them gone.
  for (const std::string& file : files) fs::remove(Host(file));
  EXPECT_EQ(Compare(), "");
  std::string removed = Removed();
  std::size_t lines = 0;
  for (std::size_t at = removed.find("\r\n"); at != std::string::npos; at = removed.find("\r\n", at + 2)) ++lines;
  EXPECT_EQ(lines, files.size()) << removed;
  EXPECT_EQ(Added(), "");
}

}  // namespace
