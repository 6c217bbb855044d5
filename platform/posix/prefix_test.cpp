#include "platform/posix/prefix.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "platform/last_error.h"
#include "test/temp_folder.h"

namespace platform::posix {
namespace {

TEST(PrefixPathTest, WindowsPathsLeadBelowDosdevicesFindingComponentsWithoutRegardToCase) {
  test::TempPrefix prefix;
  prefix.WriteFile("drive_c/windows/win.ini", "");
  prefix.WriteFile("drive_c/Program Files/Tool/Tool.exe", "");
  setenv("WINEPREFIX", prefix.path().c_str(), 1);
  const std::string c = prefix.path() + "/dosdevices/c:/";
  for (const auto& [path, host] : std::initializer_list<std::pair<std::string, std::string>>{
           {"C:\\windows\\win.ini", c + "windows/win.ini"},
           {"c:/windows", c + "windows"},
           {"Z:\\etc", prefix.path() + "/dosdevices/z:/etc"},
           {"C:\\", c},
           {"\\windows\\win.ini", c + "windows/win.ini"},  // a leading backslash means drive C
           {"/tmp/A\\B", "/tmp/A\\B"},                     // a host path stays as it is
           {"C:\\WINDOWS\\WIN.INI", c + "windows/win.ini"},
           {"c:\\program files\\TOOL\\tool.EXE", c + "Program Files/Tool/Tool.exe"},
           {"C:\\windows\\New.ini", c + "windows/New.ini"},  // what is missing is kept as written
           {"C:\\Gone\\Sub\\x.txt", c + "Gone/Sub/x.txt"}})
    EXPECT_EQ(HostPath(path), host) << path;

  EXPECT_EQ(ErrorFromErrno(ENOENT, prefix.path() + "/drive_c/windows/none.ini"), kErrorFileNotFound);
  EXPECT_EQ(ErrorFromErrno(ENOENT, prefix.path() + "/drive_c/none/none.ini"), kErrorPathNotFound);
  EXPECT_EQ(ErrorFromErrno(EACCES), kErrorAccessDenied);
  EXPECT_EQ(ErrorFromErrno(ENOSPC), kErrorDiskFull);

  unsetenv("WINEPREFIX");  // then the user's own prefix
  setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(PrefixFolder(), "/home/someone/.wine");
}

}  // namespace
}  // namespace platform::posix
