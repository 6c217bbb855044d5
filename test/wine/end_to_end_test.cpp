// The Windows build under Wine, from a fresh prefix to the reports: capture,
// a scripted installation, comparison; then the Linux build on the same
// prefix, which must give the same answer.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "test/temp_folder.h"
#include "test/wine/reg_report.h"
#include "test/wine/wine_keys.h"
#include "test/wine/wine_prefix.h"

namespace fs = std::filesystem;

namespace test {
namespace {

// Before the capture: what the installation will change or remove.
const std::vector<std::string> kSetupCommands = {
    R"(reg add "HKCU\Software\Vastrel Test" /v Keep /t REG_SZ /d same /f)",
    R"(reg add "HKCU\Software\Vastrel Test" /v Change /t REG_SZ /d before /f)",
    R"(reg add "HKCU\Software\Vastrel Test" /v Kind /t REG_SZ /d 7 /f)",
    R"(reg add "HKCU\Software\Vastrel Test" /v Obsolete /t REG_DWORD /d 1 /f)",
    R"(reg add "HKCU\Software\Vastrel Test\Old Key" /v Leftover /t REG_SZ /d gone /f)",
    R"(reg add "HKCU\Software\Vastrel Test\Old Key\Deeper" /ve /t REG_SZ /d deep /f)",
    R"(reg add "HKLM\Software\Vastrel Test" /v Level /t REG_DWORD /d 1 /f)",
};

// The installation: values of several types under HKLM and HKCU, a changed
// value, a value whose type alone changed, a deleted value, a deleted key.
const std::vector<std::string> kInstallCommands = {
    R"(reg add "HKLM\Software\Vastrel Test" /v Level /t REG_DWORD /d 2 /f)",
    R"(reg add "HKLM\Software\Vastrel Test\Tool" /ve /t REG_SZ /d "Sample Tool" /f)",
    R"(reg add "HKLM\Software\Vastrel Test\Tool" /v Path /t REG_EXPAND_SZ /d "%%ProgramFiles%%\Sample Tool" /f)",
    R"(reg add "HKLM\Software\Vastrel Test\Tool" /v Names /t REG_MULTI_SZ /d "one\0two" /f)",
    R"(reg add "HKLM\Software\Vastrel Test\Tool" /v Blob /t REG_BINARY /d 000102030405060708090A0B0C0D0E0F101112131415161718191A /f)",
    R"(reg add "HKLM\Software\Vastrel Test\Tool" /v Flags /t REG_DWORD /d 42 /f)",
    R"(reg add "HKLM\Software\Vastrel Test\Tool" /v Big /t REG_QWORD /d 0x100000000 /f)",
    R"(reg add "HKLM\Software\Vastrel Test\Tool\Empty" /f)",
    R"(reg add "HKCU\Software\Vastrel Test" /v Change /t REG_SZ /d after /f)",
    R"(reg add "HKCU\Software\Vastrel Test" /v Kind /t REG_EXPAND_SZ /d 7 /f)",
    R"(reg add "HKCU\Software\Vastrel Test" /v Added /t REG_SZ /d new /f)",
    R"(reg delete "HKCU\Software\Vastrel Test" /v Obsolete /f)",
    R"(reg delete "HKCU\Software\Vastrel Test\Old Key" /f)",
};

constexpr char kWinIniBefore[] = "[mail]\r\nmapi=1\r\n[Vastrel]\r\nKeep=yes\r\nOld=1\r\n";
constexpr char kWinIniAfter[] = "[mail]\r\nmapi=0\r\n[Vastrel]\r\nKeep=yes\r\nVersion=2\r\n";

// What Wine changes by itself when it starts, whatever was installed: the
// display driver's date (twice, through the CurrentControlSet link) and the
// processor's clock. Left out of the registry reports by name, and printed.
const std::vector<Restamp> kWineRestamps = {
    {R"(HKEY_LOCAL_MACHINE\System\ControlSet001\Control\Class\{4D36E968-E325-11CE-BFC1-08002BE10318}\0000)",
     "DriverDateData"},
    {R"(HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\Class\{4D36E968-E325-11CE-BFC1-08002BE10318}\0000)",
     "DriverDateData"},
    {R"(HKEY_LOCAL_MACHINE\Hardware\Description\System\CentralProcessor\*)", "~MHz"},
};

// Keys that a Windows program cannot open through the ANSI registry calls
// under Wine and the Linux build reads from the files, as each build names
// them when it skips them: Perflib\009, which opens but cannot be queried,
// and a name outside the ANSI code page (each UTF-16 unit of the globes
// U+1F30E U+1F30F U+1F30D turns into a question mark).
const std::string kGlobes = "\xF0\x9F\x8C\x8E\xF0\x9F\x8C\x8F\xF0\x9F\x8C\x8D";
const std::vector<std::string> kKeysVastrelExeCannotOpen = {
    R"(HKEY_CURRENT_USER\Control Panel\International\??????)",
    R"(HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\Perflib\009)",
    R"(HKEY_LOCAL_MACHINE\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion\Perflib\009)",
    R"(HKEY_USERS\S-1-5-21-0-0-0-1000\Control Panel\International\??????)",
};
// A link key in the prefix's files whose target exists only while Wine runs:
// the Linux build cannot open it, as Wine could not without its server.
const std::vector<std::string> kKeysTheLinuxBuildCannotOpen = {
    R"(HKEY_LOCAL_MACHINE\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion\NetworkCards)",
};

// Report lines end with CR LF; the expectations are written with LF alone.
std::string Crlf(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

// A registry report: the user's keys (written below "USER") show twice, as
// HKEY_CURRENT_USER and below HKEY_USERS, around those of the machine.
std::string Reg(const std::string& title, const std::string& user, const std::string& machine = "") {
  auto as = [&](const std::string& root) {
    std::string text = user;
    for (std::size_t at; (at = text.find("[USER")) != std::string::npos;) text.replace(at + 1, 4, root);
    return text;
  };
  return Crlf("REGEDIT4\n\n;   " + title + " Registry\n\n" + as("HKEY_CURRENT_USER") + machine +
              as("HKEY_USERS\\S-1-5-21-0-0-0-1000"));
}

// The modified and original values: one of each root, and a value whose type alone changed.
std::string Modified(const std::string& title, const std::string& change, char level) {
  return Reg(title, "\n[USER\\Software\\Vastrel Test]\n\"Change\"=\"" + change + "\"\n\"Kind\"=\"7\"\n",
             "\n[HKEY_LOCAL_MACHINE\\Software\\Vastrel Test]\n\"Level\"=dword:0000000" + std::string(1, level) + "\n");
}

// The registry reports, as the installation must leave them but for what
// Wine re-stamps.
const std::map<std::string, std::string> kRegReports = {
    {"new.reg", Reg("New Added", "\n[USER\\Software\\Vastrel Test]\n\"Added\"=\"new\"\n", R"(
[HKEY_LOCAL_MACHINE\Software\Vastrel Test\Tool]
@="Sample Tool"
"Big"=Error Bad Type 11
"Blob"=hex:00,01,02,03,04,05,06,07,08,09,0A,0B,0C,0D,0E,0F,10,11,12,13,14,15,16,\
  17,18,19,1A
"Flags"=dword:0000002A
"Names"=hex(7):6F,6E,65,00,74,77,6F,00,00
"Path"="%ProgramFiles%\Sample Tool"

[HKEY_LOCAL_MACHINE\Software\Vastrel Test\Tool\Empty]
@=""
)")},
    // A type-only change (Kind: REG_SZ to REG_EXPAND_SZ) is a change whose two lines read the same.
    {"mod.reg", Modified("Modified", "after", '2')}, {"modo.reg", Modified("Original", "before", '1')},
    {"rem.reg", Reg("Removed", R"(
[USER\Software\Vastrel Test]
"Obsolete"=dword:00000001

[USER\Software\Vastrel Test\Old Key]
"Leftover"="gone"

[USER\Software\Vastrel Test\Old Key\Deeper]
@="deep"
)")}};

// The other reports (with LF for CR LF): files, then INI entries.
const std::map<std::string, std::string> kOtherReports = {
    {"new.txt", ";   New Added File\n\nC:\\windows\\vastrel-new.txt\n"},
    // The installation rewrote win.ini too; a folder's own files come first.
    {"mod.txt", ";   Modified File\n\nC:\\windows\\win.ini\nC:\\windows\\system32\\vastrel-lib.dll\n"},
    {"rem.txt", ";   Removed File\n\nC:\\windows\\vastrel-old.txt\n"},
    {"prgnew.txt", ";   New Added File\n\nC:\\Program Files\\Vastrel Test\\Plugins [DIR]\n"
                   "C:\\Program Files\\Vastrel Test\\tool.exe\n"},
    {"prgmod.txt", ";   Modified File\n\nC:\\Program Files\\Vastrel Test\\readme.txt\n"},
    {"prgrem.txt", ";   Removed File\n\n"}, {"win_new.ini", "\n[Vastrel]\nVersion=2\n"},
    {"win_mod.ini", "\n[mail]\nmapi=0\n"}, {"win_modo.ini", "\n[mail]\nmapi=1\n"},
    {"win_rem.ini", "\n[Vastrel]\nOld=1\n"}, {"system_new.ini", ""}, {"system_mod.ini", ""}, {"system_modo.ini", ""},
    {"system_rem.ini", ""}};

// The keys that a run's "Inacessible path" messages name, in their order.
std::vector<std::string> InaccessibleKeys(const std::string& output) {
  std::vector<std::string> keys;
  const std::string message = "Inacessible path error=";
  for (std::size_t at = output.find(message); at != std::string::npos; at = output.find(message, at + 1)) {
    std::size_t start = output.find('\n', at) + 1;
    keys.push_back(output.substr(start, output.find('\n', start) - start));
  }
  return keys;
}

// One build's run: what it printed and the working folder it left.
struct BuildRun {
  std::string captureOutput;
  std::string compareOutput;
  std::string folder;  // a copy of C:\vastrel after the comparison

  std::string Report(const std::string& name) const { return ReadAll(folder + "/" + name); }
};

class WineEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    results_ = std::make_unique<TempFolder>();
    windows_.folder = results_->path() + "/windows";
    linux_.folder = results_->path() + "/linux";
    exchanged_.folder = results_->path() + "/exchanged";
    prefix_ = std::make_unique<WinePrefix>();

    RunScript("setup.bat", kSetupCommands);
    WriteAll(prefix_->DriveC("windows/win.ini"), kWinIniBefore);
    WriteAll(prefix_->DriveC("windows/vastrel-old.txt"), "old\r\n");
    WriteAll(prefix_->DriveC("windows/system32/vastrel-lib.dll"), "version 1");
    WriteAll(prefix_->DriveC("Program Files/Vastrel Test/readme.txt"), "one\r\n");
    // Links to folders are recorded, not walked, by both builds: one leads to
    // the host's root, one back up the tree.
    fs::create_directory_symlink("/", prefix_->DriveC("Program Files/Vastrel Test/to-root"));
    fs::create_directory_symlink("..", prefix_->DriveC("Program Files/Vastrel Test/up"));
    prefix_->WaitForServer();
    // Both builds capture the same system, each into its own copy of C:\vastrel.
    windows_.captureOutput = RunBuild(true, "-c", "windows");
    linux_.captureOutput = RunBuild(false, "-c", "linux");

    RunScript("install.bat", kInstallCommands);
    WriteAll(prefix_->DriveC("windows/win.ini"), kWinIniAfter);
    fs::remove(prefix_->DriveC("windows/vastrel-old.txt"));
    WriteAll(prefix_->DriveC("windows/vastrel-new.txt"), "new\r\n");
    WriteAll(prefix_->DriveC("windows/system32/vastrel-lib.dll"), "version 2");
    WriteAll(prefix_->DriveC("Program Files/Vastrel Test/readme.txt"), "one\r\ntwo\r\n");
    WriteAll(prefix_->DriveC("Program Files/Vastrel Test/tool.exe"), "MZ");
    WriteAll(prefix_->DriveC("Program Files/Vastrel Test/Plugins/plugin.dll"), "MZ");
    prefix_->WaitForServer();
    windows_.compareOutput = RunBuild(true, "-d", "windows");
    linux_.compareOutput = RunBuild(false, "-d", "linux");
    // The Linux build compares with the snapshots that vastrel.exe took.
    fs::copy(windows_.folder, exchanged_.folder, fs::copy_options::recursive);
    exchanged_.compareOutput = RunBuild(false, "-d", "exchanged");
  }

  static void TearDownTestSuite() {
    prefix_.reset();
    results_.reset();
  }

  // Runs the commands as a batch file that stops at the first that fails.
  static void RunScript(const std::string& name, const std::vector<std::string>& commands) {
    std::string script = "@echo off\r\n";
    for (const std::string& command : commands) script += command + "\r\nif errorlevel 1 exit /b 1\r\n";
    WriteAll(prefix_->DriveC(name), script);
    RunResult result = prefix_->Wine({"cmd", "/c", "C:\\" + name});
    ASSERT_EQ(result.status, 0) << name << ":\n" << result.output;
  }

  // A build's run in its own C:\vastrel, which waits in results_ in between.
  static std::string RunBuild(bool windows, const char* option, const std::string& work) {
    std::string stash = results_->path() + "/" + work;
    if (fs::exists(stash)) fs::rename(stash, prefix_->DriveC("vastrel"));
    RunResult run = windows ? prefix_->Wine({VASTREL_WINDOWS_EXE, option}) : prefix_->Host(VASTREL_EXE, {option});
    if (windows) prefix_->WaitForServer();
    fs::rename(prefix_->DriveC("vastrel"), stash);
    return run.output;
  }

  static inline std::unique_ptr<TempFolder> results_;
  static inline std::unique_ptr<WinePrefix> prefix_;
  static inline BuildRun windows_, linux_, exchanged_;
};

// The report with the named keys and values taken out; what went is printed.
std::string Without(const std::vector<Restamp>& restamps, const BuildRun& run, const std::string& report) {
  std::vector<std::string> removed;
  std::string kept = WithoutRestamps(run.Report(report), restamps, &removed);
  for (const std::string& line : removed) std::printf("left out of %s: %s\n", report.c_str(), line.c_str());
  return kept;
}

TEST_F(WineEndToEnd, EveryStepOfBothRunsCompletes) {
  for (const BuildRun* run : {&windows_, &linux_}) {
    SCOPED_TRACE(run == &windows_ ? "vastrel.exe under Wine" : "the Linux build");
    for (const char* step : {"Registry        ", "C:\\windows              ", "C:\\Program Files              ",
                             "INI File        "}) {
      EXPECT_NE(run->captureOutput.find("\rCaptured " + std::string(step) + "\n"), std::string::npos) << step;
      EXPECT_NE(run->compareOutput.find("\rCompared " + std::string(step) + "\n"), std::string::npos) << step;
    }
    const std::vector<std::string>& skipped =
        run == &windows_ ? kKeysVastrelExeCannotOpen : kKeysTheLinuxBuildCannotOpen;
    for (const std::string* output : {&run->captureOutput, &run->compareOutput}) {
      EXPECT_EQ(output->find("path not found"), std::string::npos) << *output;
      EXPECT_TRUE(output->ends_with("Press any key to continue\r\n")) << *output;
      EXPECT_EQ(InaccessibleKeys(*output), skipped);
    }
    EXPECT_EQ(run->Report("cpy_win.ini"), kWinIniBefore);
    EXPECT_EQ(run->Report("cpy_system.ini"), ReadAll(prefix_->DriveC("windows/system.ini")));
    EXPECT_FALSE(fs::exists(run->folder + "/cpy_protocol.ini"));
  }
}

TEST_F(WineEndToEnd, ReportsHoldExactlyTheInstallation) {
  for (const auto& [report, expected] : kRegReports) EXPECT_EQ(Without(kWineRestamps, windows_, report), expected);
  for (const auto& [report, expected] : kOtherReports) EXPECT_EQ(windows_.Report(report), Crlf(expected)) << report;
}

// Run after wineserver -w on the same prefix, the Linux build gives the same
// answer: the same reports, but for what Wine re-stamped between the runs.
// And the snapshots are one format: with those that vastrel.exe took, it
// finds the same changes, and besides them only the keys that exist while
// Wine runs (gone from its view of the prefix) and those that vastrel.exe
// could not open (new in its view).
TEST_F(WineEndToEnd, TheLinuxBuildGivesTheSameAnswerAndReadsTheSnapshotsOfTheWindowsBuild) {
  EXPECT_EQ(exchanged_.compareOutput.find("path not found"), std::string::npos) << exchanged_.compareOutput;
  std::vector<Restamp> differences = kWineRestamps;
  for (const std::string& key : kKeysOnlyWhileWineRuns) differences.push_back({key, std::nullopt});
  for (std::string key : kKeysVastrelExeCannotOpen)  // as the Linux build names them
    differences.push_back({key.ends_with("??????") ? key.replace(key.size() - 6, 6, kGlobes) : key, std::nullopt});
  for (const auto& [report, expected] : kOtherReports) {
    EXPECT_EQ(linux_.Report(report), windows_.Report(report)) << report;
    EXPECT_EQ(exchanged_.Report(report), windows_.Report(report)) << report;
  }
  for (const auto& [report, expected] : kRegReports) {
    EXPECT_EQ(Without(kWineRestamps, linux_, report), Without(kWineRestamps, windows_, report)) << report;
    EXPECT_EQ(Without(differences, exchanged_, report), Without(kWineRestamps, windows_, report)) << report;
  }
}

}  // namespace
}  // namespace test
