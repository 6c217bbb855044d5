#include "platform/posix/prefix.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "platform/last_error.h"
#include "test/temp_folder.h"

namespace platform::posix {
namespace {

class PrefixPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    prefix_.WriteFile("drive_c/windows/win.ini", "");
    prefix_.WriteFile("drive_c/Program Files/Tool/Tool.exe", "");
    setenv("WINEPREFIX", prefix_.path().c_str(), 1);
  }
  void TearDown() override { unsetenv("WINEPREFIX"); }
  std::string Under(const std::string& relative) { return prefix_.path() + "/" + relative; }

  test::TempPrefix prefix_;
};

TEST_F(PrefixPathTest, DriveLettersNameFoldersBelowDosdevices) {
  EXPECT_EQ(HostPath("C:\\windows\\win.ini"), Under("dosdevices/c:/windows/win.ini"));
  EXPECT_EQ(HostPath("c:/windows"), Under("dosdevices/c:/windows"));
  EXPECT_EQ(HostPath("Z:\\etc"), Under("dosdevices/z:/etc"));
  EXPECT_EQ(HostPath("C:\\"), Under("dosdevices/c:/"));
}

TEST_F(PrefixPathTest, LeadingBackslashMeansDriveC) {
  EXPECT_EQ(HostPath("\\windows\\win.ini"), Under("dosdevices/c:/windows/win.ini"));
}

TEST_F(PrefixPathTest, HostPathsStayAsTheyAre) {
  EXPECT_EQ(HostPath("/tmp/A\\B"), "/tmp/A\\B");
}

TEST_F(PrefixPathTest, ComponentsAreFoundWithoutRegardToCase) {
  EXPECT_EQ(HostPath("C:\\WINDOWS\\WIN.INI"), Under("dosdevices/c:/windows/win.ini"));
  EXPECT_EQ(HostPath("c:\\program files\\TOOL\\tool.EXE"),
            Under("dosdevices/c:/Program Files/Tool/Tool.exe"));
}

TEST_F(PrefixPathTest, MissingComponentsAreKeptAsWritten) {
  EXPECT_EQ(HostPath("C:\\windows\\New.ini"), Under("dosdevices/c:/windows/New.ini"));
  EXPECT_EQ(HostPath("C:\\Gone\\Sub\\x.txt"), Under("dosdevices/c:/Gone/Sub/x.txt"));
}

TEST_F(PrefixPathTest, WithoutWineprefixTheUsersWineFolderIsUsed) {
  unsetenv("WINEPREFIX");
  setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(PrefixFolder(), "/home/someone/.wine");
}

TEST_F(PrefixPathTest, MissingFileAndMissingFolderGiveTheirOwnErrors) {
  EXPECT_EQ(ErrorFromErrno(ENOENT, Under("drive_c/windows/none.ini")), kErrorFileNotFound);
  EXPECT_EQ(ErrorFromErrno(ENOENT, Under("drive_c/none/none.ini")), kErrorPathNotFound);
  EXPECT_EQ(ErrorFromErrno(EACCES), kErrorAccessDenied);
  EXPECT_EQ(ErrorFromErrno(ENOSPC), kErrorDiskFull);
}

}  // namespace
}  // namespace platform::posix
