// The driver as a user meets it: the built executable on a prefix of the
// test's own.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "registry/registry_test_support.h"
#include "registry/root_key_table.h"
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

TEST(DriverTest, ACompareWithoutACaptureReportsTheMissingSnapshotAndWritesNoReport) {
  test::TempPrefix prefix;
  prefix.WriteFile("drive_c/vastrel/keep.txt", "");
  test::RunResult result = test::RunVastrel(prefix.path(), {"-d"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.output, "Comparing Registry  \nc:\\vastrel\\reg.bin: the file was not found (error 2)\n" + kPrompt);
  for (const char* report : {"new.reg", "rem.reg", "new.txt", "win_new.ini"})
    EXPECT_FALSE(prefix.Exists(std::string("drive_c/vastrel/") + report)) << report;
}

// The reports of a comparison, each with its header ("mod.reg" holds the
// header and `lines["mod.reg"]`).
void ExpectReports(const test::TempPrefix& prefix, std::map<std::string, std::string> lines) {
  const std::map<std::string, std::string> kinds = {
      {"new", "New Added"}, {"mod", "Modified"}, {"modo", "Original"}, {"rem", "Removed"}};
  for (const auto& [kind, title] : kinds) {
    std::string reg = kind + ".reg", txt = kind + ".txt", prg = "prg" + kind + ".txt";
    EXPECT_EQ(prefix.ReadFile("drive_c/vastrel/" + reg), "REGEDIT4\r\n\r\n;   " + title + " Registry\r\n\r\n" + lines[reg]);
    for (const std::string& ini : {"win_" + kind + ".ini", "system_" + kind + ".ini"})
      EXPECT_EQ(prefix.ReadFile("drive_c/vastrel/" + ini), lines[ini]);
    if (kind == "modo") continue;
    for (const std::string& name : {txt, prg})
      EXPECT_EQ(prefix.ReadFile("drive_c/vastrel/" + name), ";   " + title + " File\r\n\r\n" + lines[name]) << name;
  }
  EXPECT_FALSE(prefix.Exists("drive_c/vastrel/protocol_new.ini"));  // the NT family has none
  EXPECT_FALSE(prefix.Exists("drive_c/vastrel/prgx86new.txt"));  // nor has this system a third tree
}

// A prefix with a user's key, the two trees and the INI files, run as a
// user runs vastrel on it.
class DriverRunTest : public ::testing::Test {
 protected:
  DriverRunTest() {
    UserReg("\"Obsolete\"=\"x\"\n\"Ver\"=\"1\"\n");
    prefix_.WriteFile("drive_c/windows/system32/old.dll", "old");
    prefix_.WriteFile("drive_c/windows/gone.dll", "gone");
    prefix_.WriteFile("drive_c/Program Files/Tool/tool.exe", "v1");
    prefix_.WriteFile("drive_c/windows/win.ini", kWinIni);
    prefix_.WriteFile("drive_c/windows/system.ini", "[boot]\r\nshell=explorer.exe\r\n");
    prefix_.WriteFile("drive_c/windows/protocol.ini", "[protocol]\r\n");
  }

  void UserReg(const std::string& values) {
    prefix_.WriteFile("user.reg",
                      "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
                      "#arch=win64\n\n[Software\\\\Sample] 1700000000\n" + values);
  }
  // Runs vastrel, which must end with the prompt and status 0; returns what it printed.
  std::string Run(const char* option) {
    test::RunResult result = test::RunVastrel(prefix_.path(), {option, "ignored"});
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.output.ends_with(kPrompt)) << result.output;
    return result.output;
  }
  std::string Work(const std::string& name) const { return prefix_.ReadFile("drive_c/vastrel/" + name); }

  const std::string kWinIni = "[windows]\r\nload=\r\nrun=\r\n[Desktop]\r\nWallpaper=(None)\r\n[Old]\r\ngone=yes\r\n";
  test::TempPrefix prefix_;
};

TEST_F(DriverRunTest, ACaptureTellsEachStepAndCopiesTheIniFiles) {
  EXPECT_EQ(Run("-capture"),  // only the first two characters of the option count
            "Capturing Registry  \rCaptured Registry        \nCapturing C:\\windows  \rCaptured C:\\windows"
            "              \nCapturing C:\\Program Files  \rCaptured C:\\Program Files              \n"
            "Capturing INI File  \rCaptured INI File        \n" + kPrompt);
  EXPECT_EQ(Work("cpy_win.ini"), kWinIni);
  EXPECT_EQ(Work("cpy_system.ini"), "[boot]\r\nshell=explorer.exe\r\n");
  EXPECT_FALSE(prefix_.Exists("drive_c/vastrel/cpy_protocol.ini"));
  EXPECT_FALSE(prefix_.Exists("drive_c/vastrel/prgx86dir.bin"));  // this system has no third tree
}

TEST_F(DriverRunTest, AComparisonOfAnUnchangedSystemTellsEachStepAndWritesEmptyReports) {
  Run("-c");
  EXPECT_EQ(Run("-d"),
            "Comparing Registry  \rCompared Registry        \nComparing C:\\windows\rCompared C:\\windows"
            "              \nComparing C:\\Program Files\rCompared C:\\Program Files              \n"
            "Comparing INI File  \rCompared INI File        \n" + kPrompt);
  ExpectReports(prefix_, {});
}

// The user's key shows as HKEY_CURRENT_USER and below HKEY_USERS.
TEST_F(DriverRunTest, EachPartsChangesLandInItsReports) {
  Run("-c");
  UserReg("\"Ver\"=\"2\"\n");
  prefix_.WriteFile("drive_c/windows/system32/old.dll", "changed");
  std::filesystem::remove(prefix_.path() + "/drive_c/windows/gone.dll");
  prefix_.WriteFile("drive_c/Program Files/Tool/Plugins/p.dll", "p");
  prefix_.WriteFile("drive_c/windows/win.ini", "[windows]\r\nload=app.exe\r\nrun=\r\n[Desktop]\r\nWallpaper=(None)\r\n");
  Run("-d");
  std::map<std::string, std::string> lines = {
      {"rem.txt", "C:\\windows\\gone.dll\r\n"}, {"mod.txt", "C:\\windows\\win.ini\r\nC:\\windows\\system32\\old.dll\r\n"},
      {"prgnew.txt", "C:\\Program Files\\Tool\\Plugins [DIR]\r\n"}, {"win_mod.ini", "\r\n[windows]\r\nload=app.exe\r\n"},
      {"win_modo.ini", "\r\n[windows]\r\nload=\r\n"}, {"win_rem.ini", "\r\n[Old]\r\ngone=yes\r\n"}};
  for (std::string key : {"HKEY_CURRENT_USER", "HKEY_USERS\\S-1-5-21-0-0-0-1000"}) {
    lines["mod.reg"] += "\r\n[" + key + "\\Software\\Sample]\r\n\"Ver\"=\"2\"\r\n";
    lines["modo.reg"] += "\r\n[" + key + "\\Software\\Sample]\r\n\"Ver\"=\"1\"\r\n";
    lines["rem.reg"] += "\r\n[" + key + "\\Software\\Sample]\r\n\"Obsolete\"=\"x\"\r\n";
  }
  ExpectReports(prefix_, lines);
}

TEST_F(DriverRunTest, ARegistrySnapshotThatStopsEarlyIsComparedUpToItsEndAndTheRunGoesOn) {
  Run("-c");
  UserReg("\"Obsolete\"=\"x\"\n\"Ver\"=\"2\"\n");
  // As if the capture had stopped before HKEY_USERS.
  std::string snapshot = Work("reg.bin");
  ASSERT_EQ(std::string(RootKeyTable[3].name), "HKEY_USERS");
  prefix_.WriteFile("drive_c/vastrel/reg.bin", snapshot.replace(registry_test::RootSlot(3), 4, std::string(4, '\0')));
  EXPECT_NE(Run("-d").find("Comparing Registry  \b \nThe snapshot ends at HKEY_USERS: its capture stopped there\n"
                           "\rCompared Registry        \nComparing C:\\windows\r"),
            std::string::npos);
  EXPECT_EQ(Work("mod.reg"), "REGEDIT4\r\n\r\n;   Modified Registry\r\n\r\n"
                             "\r\n[HKEY_CURRENT_USER\\Software\\Sample]\r\n\"Ver\"=\"2\"\r\n");
}

TEST_F(DriverRunTest, ADamagedRegistrySnapshotEndsTheRunWithOneMessage) {
  Run("-c");
  prefix_.WriteFile("drive_c/vastrel/reg.bin", Work("reg.bin").replace(0, 4, std::string("\0\0\1\0", 4)));
  std::string output = Run("-d");
  EXPECT_TRUE(output.starts_with("Comparing Registry  \nc:\\vastrel\\reg.bin: the file is damaged (")) << output;
  EXPECT_EQ(output.find("INI"), std::string::npos) << output;
}

TEST_F(DriverRunTest, ATreeThatCouldNotBeCapturedIsSkippedAndTheRunGoesOn) {
  Run("-c");
  prefix_.WriteFile("drive_c/windows/win.ini", "[windows]\r\n");
  std::filesystem::remove_all(prefix_.path() + "/drive_c/Program Files");
  EXPECT_NE(Run("-c").find("Capturing C:\\Program Files  path not found 3\nC:\\Program Files\n\rCaptured "
                           "C:\\Program Files              \nCapturing INI File  \rCaptured INI File        \n"),
            std::string::npos);
  EXPECT_NE(Run("-d").find("Comparing C:\\Program Filespath not found\nC:\\Program Files\n\rCompared C:\\Program "
                           "Files              \nComparing INI File  \rCompared INI File        \n"),
            std::string::npos);
  EXPECT_EQ(Work("win_rem.ini"), "");  // the second capture replaced the INI copies
}

TEST_F(DriverRunTest, TheWindowsFolderComesFromTheEnvironment) {
  prefix_.WriteFile("drive_c/other/win.ini", "[other]\r\n");
  EXPECT_EQ(test::RunVastrel(prefix_.path(), {"-c"}, {{"WINDIR", "C:\\other"}}).status, 0);
  EXPECT_EQ(Work("cpy_win.ini"), "[other]\r\n");
}

// The program files of 32-bit software: a third tree where the system keeps
// them in a folder of their own, named by ProgramFiles(x86) or, unset, in a
// 64-bit prefix, by what Wine gives; nothing else where it has none, and no
// snapshot or report of an earlier run that would tell of one.
TEST(DriverTest, TheProgramFilesOf32BitSoftwareAreAThirdTreeWhereTheyHaveAFolderOfTheirOwn) {
  test::TempPrefix prefix;
  prefix.WriteFile("drive_c/windows/win.ini", "[windows]\r\n");
  prefix.WriteFile("drive_c/windows/system.ini", "[boot]\r\n");
  prefix.WriteFile("drive_c/Program Files (x86)/Old/old.dll", "old");
  prefix.WriteFile("drive_c/Other32/Old/old.dll", "old");
  const std::string work = "drive_c/vastrel/";
  auto run = [&](const char* option, const std::map<std::string, std::optional<std::string>>& environment = {}) {
    test::RunResult result = test::RunVastrel(prefix.path(), {option}, environment);
    EXPECT_EQ(result.status, 0);
    return result.output;
  };
  auto trees = [](const char* verb, const char* pad, const std::string& x86) {
    std::string lines;
    for (std::string folder : {"C:\\windows", "C:\\Program Files"})
      lines += verb + std::string("ing ") + folder + pad + "\r" + verb + "ed " + folder + "              \n";
    if (!x86.empty()) lines += verb + std::string("ing ") + x86 + pad + "\r" + verb + "ed " + x86 + "              \n";
    return lines;
  };
  auto capture = [&](const std::string& x86) {
    return "Capturing Registry  \rCaptured Registry        \n" + trees("Captur", "  ", x86) +
           "Capturing INI File  \rCaptured INI File        \n" + kPrompt;
  };
  auto compare = [&](const std::string& x86) {
    return "Comparing Registry  \rCompared Registry        \n" + trees("Compar", "", x86) +
           "Comparing INI File  \rCompared INI File        \n" + kPrompt;
  };

  // Unset in a 64-bit prefix: the folder Wine gives; its changes in the x86 reports.
  EXPECT_EQ(run("-c"), capture("C:\\Program Files (x86)"));
  prefix.WriteFile("drive_c/Program Files (x86)/Tool/tool32.exe", "MZ");
  prefix.WriteFile("drive_c/Program Files (x86)/Old/old.dll", "changed");
  EXPECT_EQ(run("-d"), compare("C:\\Program Files (x86)"));
  EXPECT_EQ(prefix.ReadFile(work + "prgx86new.txt"), ";   New Added File\r\n\r\nC:\\Program Files (x86)\\Tool [DIR]\r\n");
  EXPECT_EQ(prefix.ReadFile(work + "prgx86mod.txt"),
            ";   Modified File\r\n\r\nC:\\Program Files (x86)\\Old\\old.dll\r\n");
  EXPECT_EQ(prefix.ReadFile(work + "prgx86rem.txt"), ";   Removed File\r\n\r\n");
  EXPECT_EQ(prefix.ReadFile(work + "prgnew.txt"), ";   New Added File\r\n\r\n");

  // Set: the folder it names, compared as the snapshot names it.
  EXPECT_EQ(run("-c", {{"ProgramFiles(x86)", "C:\\Other32"}}), capture("C:\\Other32"));
  prefix.WriteFile("drive_c/Other32/New/new.dll", "new");
  EXPECT_EQ(run("-d"), compare("C:\\Program Files (x86)"));
  EXPECT_EQ(prefix.ReadFile(work + "prgx86new.txt"), ";   New Added File\r\n\r\nC:\\Other32\\New [DIR]\r\n");

  // No third tree: what a system without one gives, and nothing left of the last.
  prefix.WriteFile("system32.reg", "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n");
  const std::string system64 = prefix.ReadFile("system.reg"), system32 = prefix.ReadFile("system32.reg");
  for (const auto& [what, x86] : std::vector<std::pair<std::string, std::optional<std::string>>>{
           {"the program-files folder", "c:\\program files\\"},
           {"a folder that is not there", "C:\\Missing"},
           {"empty", ""},
           {"unset in a 32-bit prefix", std::nullopt}}) {
    SCOPED_TRACE(what);
    prefix.WriteFile("system.reg", x86 ? system64 : system32);
    ASSERT_TRUE(prefix.Exists(work + "prgx86dir.bin") && prefix.Exists(work + "prgx86new.txt"));
    EXPECT_EQ(run("-c", {{"ProgramFiles(x86)", x86}}), capture(""));
    EXPECT_FALSE(prefix.Exists(work + "prgx86dir.bin"));
    EXPECT_EQ(run("-d", {{"ProgramFiles(x86)", x86}}), compare(""));
    for (const char* report : {"prgx86new.txt", "prgx86mod.txt", "prgx86rem.txt"})
      EXPECT_FALSE(prefix.Exists(work + report)) << report;
    // The next case starts from a run with the third tree.
    prefix.WriteFile("system.reg", system64);
    run("-c");
    run("-d");
  }
}

// A capture replaces the INI copies of the last one; a copy that fails
// leaves none, which the comparison reports missing, rather than the old
// copy, which it would take for this capture's.
TEST_F(DriverRunTest, AnINIFileThatCannotBeCopiedLeavesNoCopyOfAnEarlierCapture) {
  Run("-c");
  ASSERT_EQ(Work("cpy_win.ini"), kWinIni);
  std::filesystem::remove(prefix_.path() + "/drive_c/windows/win.ini");
  prefix_.WriteFile("drive_c/windows/system.ini", "[boot]\r\nshell=x\r\n");
  Run("-c");
  EXPECT_FALSE(prefix_.Exists("drive_c/vastrel/cpy_win.ini"));
  EXPECT_EQ(Work("cpy_system.ini"), "[boot]\r\nshell=x\r\n");
}

}  // namespace
