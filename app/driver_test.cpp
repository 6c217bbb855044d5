// The driver as a user meets it: the built executable on a prefix of the
// test's own.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "test/run.h"
#include "test/temp_folder.h"

namespace {

using Environment = std::map<std::string, std::optional<std::string>>;
const std::string kPrompt = "Press any key to continue\r\n";
const std::string kWork = "drive_c/vastrel/";

TEST(DriverTest, AnythingButDashCOrDashDPrintsTheUsage) {
  test::TempFolder empty;  // no prefix is needed for the usage text
  const std::string usage =
      "USE VASTREL <opt>\nopt= -c\tCapture System files\nopt= -d\tExtract Difference\n" + kPrompt;
  for (std::vector<std::string> arguments :
       {std::vector<std::string>{}, {"-C"}, {"-D"}, {"-x"}, {"c"}, {"/c"}, {"-"}, {""}}) {
    test::RunResult result = test::RunVastrel(empty.path(), arguments);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, usage) << (arguments.empty() ? "(none)" : arguments[0]);
  }
  // The prompt takes a byte of input, too.
  EXPECT_EQ(test::Run(VASTREL_EXE, {}, {{"WINEPREFIX", empty.path()}}, "x").output, usage);
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

// A prefix with the INI files, run as a user runs vastrel on it.
class DriverRunTest : public ::testing::Test {
 protected:
  DriverRunTest() {
    prefix_.WriteFile("drive_c/windows/win.ini", kWinIni);
    prefix_.WriteFile("drive_c/windows/system.ini", "[boot]\r\nshell=explorer.exe\r\n");
  }

  // Runs vastrel, which must end with the prompt and status 0; returns what it printed.
  std::string Run(const char* option, const Environment& environment = {}) {
    test::RunResult result = test::RunVastrel(prefix_.path(), {option, "ignored"}, environment);
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.output.ends_with(kPrompt)) << result.output;
    return result.output;
  }
  std::string Work(const std::string& name) const { return prefix_.ReadFile(kWork + name); }
  bool Exists(const std::string& name) const { return prefix_.Exists(kWork + name); }

  const std::string kWinIni = "[windows]\r\nload=\r\n[Old]\r\ngone=yes\r\n";
  test::TempPrefix prefix_;
};

TEST_F(DriverRunTest, AMissingOrDamagedRegistrySnapshotEndsTheComparisonWithOneMessage) {
  prefix_.WriteFile(kWork + "keep.txt", "");
  EXPECT_EQ(Run("-d"), "Comparing Registry  \nc:\\vastrel\\reg.bin: the file was not found (error 2)\n" + kPrompt);
  for (const char* report : {"new.reg", "rem.reg", "new.txt", "win_new.ini"}) EXPECT_FALSE(Exists(report)) << report;
  Run("-c");
  prefix_.WriteFile(kWork + "reg.bin", Work("reg.bin").replace(0, 4, std::string("\0\0\1\0", 4)));
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

// A capture replaces the INI copies of the last one; a copy that fails
// leaves none, which the comparison reports missing, rather than the old
// copy, which it would take for this capture's.
TEST_F(DriverRunTest, AnINIFileThatCannotBeCopiedLeavesNoCopyOfAnEarlierCapture) {
  Run("-c");
  ASSERT_EQ(Work("cpy_win.ini"), kWinIni);
  std::filesystem::remove(prefix_.path() + "/drive_c/windows/win.ini");
  prefix_.WriteFile("drive_c/windows/system.ini", "[boot]\r\nshell=x\r\n");
  Run("-c");
  EXPECT_FALSE(Exists("cpy_win.ini"));
  EXPECT_EQ(Work("cpy_system.ini"), "[boot]\r\nshell=x\r\n");
  prefix_.WriteFile("drive_c/other/win.ini", "[other]\r\n");  // the Windows folder comes from the environment
  Run("-c", {{"WINDIR", "C:\\other"}});
  EXPECT_EQ(Work("cpy_win.ini"), "[other]\r\n");
}

// Everything that tells one state of a file from another but its access
// time: its type and mode, its write time, its bytes or a link's target.
std::map<std::string, std::string> StateOf(const std::filesystem::path& root) {
  std::map<std::string, std::string> state;
  for (auto it = std::filesystem::recursive_directory_iterator(root); it != decltype(it)(); ++it) {
    std::string relative = std::filesystem::relative(it->path(), root).string();
    if (relative == "drive_c/vastrel") {
      it.disable_recursion_pending();
      continue;
    }
    struct stat st;
    if (lstat(it->path().c_str(), &st) != 0) throw std::runtime_error("cannot stat " + relative);
    state[relative] = std::to_string(st.st_mode) + " " + std::to_string(st.st_mtim.tv_sec) + "." +
                      std::to_string(st.st_mtim.tv_nsec) + " " +
                      (S_ISLNK(st.st_mode)   ? std::filesystem::read_symlink(it->path()).string()
                       : S_ISREG(st.st_mode) ? test::ReadAll(it->path())
                                             : "");
  }
  return state;
}

// vastrel only reads the system it inspects: a capture and a comparison
// leave every file outside the working folder as it was, the registry files
// included, and add or remove nothing there.
TEST_F(DriverRunTest, CaptureAndComparisonChangeNothingOutsideTheWorkingFolder) {
  prefix_.WriteFile("user.reg",
                    "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
                    "#arch=win64\n\n[Software\\\\Sample] 1700000000\n\"Ver\"=\"1\"\n"
                    "\"Blob\"=hex:00,01,02\n\n[Software\\\\Sample\\\\Empty] 1700000000\n");
  prefix_.WriteFile("drive_c/windows/system32/kernel32.dll", std::string(5000, 'k'));
  prefix_.WriteFile("drive_c/windows/.hidden", "h");
  prefix_.WriteFile("drive_c/Program Files/Sample/sample.exe", "exe");
  namespace fs = std::filesystem;
  fs::path root(prefix_.path());
  fs::permissions(root / "drive_c/windows/system32/kernel32.dll", fs::perms::owner_write, fs::perm_options::remove);
  // Links that lead out of the tree and back up it.
  fs::create_directory_symlink("/", root / "drive_c/windows/root");
  fs::create_directory_symlink("..", root / "drive_c/windows/system32/up");
  fs::create_symlink("kernel32.dll", root / "drive_c/windows/system32/k32.dll");
  fs::create_symlink("missing", root / "drive_c/windows/dangling");
  fs::create_directory(root / "drive_c/vastrel");  // there from an earlier run; making it changes its parent

  const std::map<std::string, std::string> before = StateOf(root);
  for (const char* option : {"-c", "-d", "-d"}) {
    Run(option);
    ASSERT_TRUE(Exists("reg.bin"));
    const std::map<std::string, std::string> after = StateOf(root);
    EXPECT_EQ(after.size(), before.size()) << option;
    for (const auto& [path, state] : before)
      EXPECT_TRUE(after.contains(path) && after.at(path) == state) << option << " changed " << path;
  }
}

// The program files of 32-bit software: a third tree where the system keeps
// them in a folder of their own, named by ProgramFiles(x86) or, unset, in a
// 64-bit prefix, by what Wine gives; nothing else where it has none, and no
// snapshot or report of an earlier run that would tell of one.
TEST_F(DriverRunTest, TheProgramFilesOf32BitSoftwareAreAThirdTreeWhereTheyHaveAFolderOfTheirOwn) {
  prefix_.WriteFile("drive_c/Program Files (x86)/Old/old.dll", "old");
  prefix_.WriteFile("drive_c/Other32/Old/old.dll", "old");
  // Each step's lines, the trees with or without the third.
  auto steps = [](const std::string& verb, const char* pad, const std::string& x86) {
    std::string lines = verb + "ing Registry  \r" + verb + "ed Registry        \n";
    for (std::string folder : {"C:\\windows", "C:\\Program Files", x86.c_str()})
      if (!folder.empty()) lines += verb + "ing " + folder + pad + "\r" + verb + "ed " + folder + "              \n";
    return lines + verb + "ing INI File  \r" + verb + "ed INI File        \n" + kPrompt;
  };
  auto capture = [&](const std::string& x86) { return steps("Captur", "  ", x86); };
  auto compare = [&](const std::string& x86) { return steps("Compar", "", x86); };

  // Unset in a 64-bit prefix: the folder Wine gives.
  EXPECT_EQ(Run("-capture"), capture("C:\\Program Files (x86)"));  // only the first two characters count
  EXPECT_EQ(Run("-d"), compare("C:\\Program Files (x86)"));

  // Set: the folder it names, compared as the snapshot names it.
  EXPECT_EQ(Run("-c", {{"ProgramFiles(x86)", "C:\\Other32"}}), capture("C:\\Other32"));
  prefix_.WriteFile("drive_c/Other32/New/new.dll", "new");
  EXPECT_EQ(Run("-d"), compare("C:\\Program Files (x86)"));
  EXPECT_EQ(Work("prgx86new.txt"), ";   New Added File\r\n\r\nC:\\Other32\\New [DIR]\r\n");

  // No third tree: what a system without one gives, and nothing left of the last.
  const std::string system64 = prefix_.ReadFile("system.reg");
  const std::string system32 = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n";
  for (const auto& [what, x86] : std::vector<std::pair<std::string, std::optional<std::string>>>{
           {"the program-files folder", "c:\\program files\\"},
           {"a folder that is not there", "C:\\Missing"},
           {"empty", ""},
           {"unset in a 32-bit prefix", std::nullopt}}) {
    SCOPED_TRACE(what);
    prefix_.WriteFile("system.reg", x86 ? system64 : system32);
    ASSERT_TRUE(Exists("prgx86dir.bin") && Exists("prgx86new.txt"));
    EXPECT_EQ(Run("-c", {{"ProgramFiles(x86)", x86}}), capture(""));
    EXPECT_FALSE(Exists("prgx86dir.bin"));
    EXPECT_EQ(Run("-d", {{"ProgramFiles(x86)", x86}}), compare(""));
    for (const char* report : {"prgx86new.txt", "prgx86mod.txt", "prgx86rem.txt"}) EXPECT_FALSE(Exists(report)) << report;
    // The next case starts from a run with the third tree.
    prefix_.WriteFile("system.reg", system64);
    Run("-c");
    Run("-d");
  }
}

}  // namespace
