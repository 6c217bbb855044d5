// The driver as a user meets it: the built executable on a prefix of the
// test's own.

#include <gtest/gtest.h>

#include "test/run.h"
#include "test/temp_folder.h"

namespace {

const std::string kUsage =
    "USE VASTREL <opt>\nopt= -c\tCapture System files\nopt= -d\tExtract Difference\n";
const std::string kPrompt = "Press any key to continue\r\n";

TEST(DriverTest, AnythingButDashCOrDashDPrintsTheUsage) {
  test::TempFolder empty;  // no prefix is needed for the usage text
  for (std::vector<std::string> arguments :
       {std::vector<std::string>{}, {"-C"}, {"-D"}, {"-x"}, {"c"}, {"/c"}, {"-"}, {""}}) {
    test::RunResult result = test::RunVastrel(empty.path(), arguments);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, kUsage + kPrompt) << (arguments.empty() ? "(none)" : arguments[0]);
  }
  // The prompt takes a byte of input, too.
  EXPECT_EQ(test::Run(VASTREL_EXE, {}, {{"WINEPREFIX", empty.path()}}, "x").output, kUsage + kPrompt);
}

TEST(DriverTest, MissingPrefixIsNamedAndNothingIsWritten) {
  test::TempFolder empty;
  for (const char* option : {"-c", "-d"}) {
    test::RunResult result = test::RunVastrel(empty.path(), {option});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.output.find(empty.path()), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("WINEPREFIX"), std::string::npos);
    EXPECT_EQ(result.output.find(kPrompt), std::string::npos);
  }
  EXPECT_FALSE(empty.Exists("drive_c"));
}

TEST(DriverTest, CaptureCopiesTheIniFilesAndOverwritesEarlierCopies) {
  test::TempPrefix prefix;
  prefix.WriteFile("drive_c/windows/win.ini", "[windows]\r\nload=\r\n");
  prefix.WriteFile("drive_c/windows/system.ini", "[boot]\r\n");
  prefix.WriteFile("drive_c/windows/protocol.ini", "[protocol]\r\n");

  test::RunResult result = test::RunVastrel(prefix.path(), {"-capture", "ignored"});
  EXPECT_EQ(result.status, 0);
  EXPECT_NE(result.output.find("Capturing INI File  \rCaptured INI File        \n"), std::string::npos)
      << result.output;
  EXPECT_TRUE(result.output.ends_with(kPrompt));
  EXPECT_EQ(prefix.ReadFile("drive_c/vastrel/cpy_win.ini"), "[windows]\r\nload=\r\n");
  EXPECT_EQ(prefix.ReadFile("drive_c/vastrel/cpy_system.ini"), "[boot]\r\n");
  EXPECT_FALSE(prefix.Exists("drive_c/vastrel/cpy_protocol.ini"));  // the NT family has none

  prefix.WriteFile("drive_c/windows/win.ini", "[windows]\r\n");
  EXPECT_EQ(test::RunVastrel(prefix.path(), {"-c"}).status, 0);
  EXPECT_EQ(prefix.ReadFile("drive_c/vastrel/cpy_win.ini"), "[windows]\r\n");

  // The Windows folder comes from the environment.
  prefix.WriteFile("drive_c/other/win.ini", "[other]\r\n");
  EXPECT_EQ(test::RunVastrel(prefix.path(), {"-c"}, {{"WINDIR", "C:\\other"}}).status, 0);
  EXPECT_EQ(prefix.ReadFile("drive_c/vastrel/cpy_win.ini"), "[other]\r\n");
}

TEST(DriverTest, ACompareWithoutACaptureReportsTheMissingSnapshotAndWritesNoReport) {
  test::TempPrefix prefix;
  prefix.WriteFile("drive_c/vastrel/keep.txt", "");
  test::RunResult result = test::RunVastrel(prefix.path(), {"-d"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.output, "Comparing Registry  \nc:\\vastrel\\reg.bin: the file was not found (error 2)\n" + kPrompt);
  for (const char* report : {"new.reg", "rem.reg", "new.txt", "win_new.ini"})
    EXPECT_FALSE(prefix.Exists(std::string("drive_c/vastrel/") + report)) << report;
}

}  // namespace
