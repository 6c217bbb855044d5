// The Windows build under Wine, from a fresh prefix to the reports: capture,
// a scripted installation, comparison; then the Linux build on the same
// prefix, which must give the same answer.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "test/run.h"
#include "test/temp_folder.h"
#include "test/wine/reg_report.h"
#include "test/wine/wine_prefix.h"

namespace fs = std::filesystem;

namespace test {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteAll(const std::string& path, const std::string& content) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

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

// What Wine changes by itself when it starts, whatever was installed: left
// out of the registry reports by name, and printed, before they are checked.
const std::vector<Restamp> kWineRestamps = {
    {R"(HKEY_LOCAL_MACHINE\System\ControlSet001\Control\Class\{4D36E968-E325-11CE-BFC1-08002BE10318}\0000)",
     "DriverDateData", "the display driver's date, stamped when Wine starts"},
    {R"(HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\Class\{4D36E968-E325-11CE-BFC1-08002BE10318}\0000)",
     "DriverDateData", "the same, through the CurrentControlSet link"},
    {R"(HKEY_LOCAL_MACHINE\Hardware\Description\System\CentralProcessor\*)", "~MHz",
     "the processor's clock when Wine starts"},
};

// Keys that exist only while Wine runs (volatile keys): never in the
// prefix's files, so the Linux build does not see what vastrel.exe captured.
const std::vector<Restamp> kKeysOnlyWhileWineRuns = {
    {R"(HKEY_LOCAL_MACHINE\Hardware)", std::nullopt, "the machine's hardware"},
    {R"(HKEY_LOCAL_MACHINE\System\MountedDevices)", std::nullopt, "the drives"},
    {R"(HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\ServiceCurrent)", std::nullopt, "services"},
    {R"(HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\ComputerName\ActiveComputerName)", std::nullopt,
     "the computer's name"},
    {R"(HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\DeviceClasses\*\*\#\Control)", std::nullopt,
     "device interfaces in use"},
    {R"(HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\NetworkCards)", std::nullopt,
     "the network cards"},
    {R"(HKEY_LOCAL_MACHINE\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion\NetworkCards)",
     std::nullopt, "the same, in the 32-bit view"},
    {R"(HKEY_CURRENT_USER\Software\Wine\Temporary System Parameters)", std::nullopt, "desktop settings"},
    {R"(HKEY_CURRENT_USER\Software\Wine\Fonts\Cache)", std::nullopt, "the font cache"},
    {R"(HKEY_USERS\S-1-5-21-0-0-0-1000\Software\Wine\Temporary System Parameters)", std::nullopt,
     "desktop settings"},
    {R"(HKEY_USERS\S-1-5-21-0-0-0-1000\Software\Wine\Fonts\Cache)", std::nullopt, "the font cache"},
};

// Keys that a Windows program cannot open through the ANSI registry calls
// under Wine, and that the Linux build reads from the files: captured by the
// Linux build alone.
const std::string kGlobes = "\xF0\x9F\x8C\x8E\xF0\x9F\x8C\x8F\xF0\x9F\x8C\x8D";  // U+1F30E U+1F30F U+1F30D
const std::vector<Restamp> kKeysOnlyTheLinuxBuildReads = {
    {R"(HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\Perflib\009)", std::nullopt,
     "a special key under Wine, which opens but cannot be queried"},
    {R"(HKEY_LOCAL_MACHINE\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion\Perflib\009)",
     std::nullopt, "the same, in the 32-bit view"},
    {"HKEY_CURRENT_USER\\Control Panel\\International\\" + kGlobes, std::nullopt,
     "a name outside the ANSI code page"},
    {"HKEY_USERS\\S-1-5-21-0-0-0-1000\\Control Panel\\International\\" + kGlobes, std::nullopt,
     "the same"},
};

// Report lines end with CR LF; the expectations are written with LF alone.
std::string Crlf(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

const std::string kNewReg = Crlf(R"(REGEDIT4

;   New Added Registry


[HKEY_CURRENT_USER\Software\Vastrel Test]
"Added"="new"

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

[HKEY_USERS\S-1-5-21-0-0-0-1000\Software\Vastrel Test]
"Added"="new"
)");

// A type-only change (Kind: REG_SZ to REG_EXPAND_SZ) is a change whose two
// lines read the same.
const std::string kModReg = Crlf(R"(REGEDIT4

;   Modified Registry


[HKEY_CURRENT_USER\Software\Vastrel Test]
"Change"="after"
"Kind"="7"

[HKEY_LOCAL_MACHINE\Software\Vastrel Test]
"Level"=dword:00000002

[HKEY_USERS\S-1-5-21-0-0-0-1000\Software\Vastrel Test]
"Change"="after"
"Kind"="7"
)");

const std::string kModoReg = Crlf(R"(REGEDIT4

;   Original Registry


[HKEY_CURRENT_USER\Software\Vastrel Test]
"Change"="before"
"Kind"="7"

[HKEY_LOCAL_MACHINE\Software\Vastrel Test]
"Level"=dword:00000001

[HKEY_USERS\S-1-5-21-0-0-0-1000\Software\Vastrel Test]
"Change"="before"
"Kind"="7"
)");

const std::string kRemReg = Crlf(R"(REGEDIT4

;   Removed Registry


[HKEY_CURRENT_USER\Software\Vastrel Test]
"Obsolete"=dword:00000001

[HKEY_CURRENT_USER\Software\Vastrel Test\Old Key]
"Leftover"="gone"

[HKEY_CURRENT_USER\Software\Vastrel Test\Old Key\Deeper]
@="deep"

[HKEY_USERS\S-1-5-21-0-0-0-1000\Software\Vastrel Test]
"Obsolete"=dword:00000001

[HKEY_USERS\S-1-5-21-0-0-0-1000\Software\Vastrel Test\Old Key]
"Leftover"="gone"

[HKEY_USERS\S-1-5-21-0-0-0-1000\Software\Vastrel Test\Old Key\Deeper]
@="deep"
)");

// The same keys as vastrel.exe names them when it skips them: the ANSI code
// page has no globes, each UTF-16 unit of them turns into a question mark.
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

const std::vector<std::string> kRegReports = {"new.reg", "mod.reg", "modo.reg", "rem.reg"};
const std::vector<std::string> kOtherReports = {
    "new.txt",     "mod.txt",      "rem.txt",         "prgnew.txt",     "prgmod.txt",
    "prgrem.txt",  "win_new.ini",  "win_mod.ini",     "win_modo.ini",   "win_rem.ini",
    "system_new.ini", "system_mod.ini", "system_modo.ini", "system_rem.ini"};

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
    using Clock = std::chrono::steady_clock;
    auto Seconds = [](Clock::time_point since) {
      return std::chrono::duration<double>(Clock::now() - since).count();
    };
    results_ = std::make_unique<TempFolder>();
    auto start = Clock::now();
    prefix_ = std::make_unique<WinePrefix>();
    std::printf("fresh prefix: %.1f s\n", Seconds(start));
    start = Clock::now();
    pristine_ = WinePrefix::CopyOf(*prefix_);
    std::printf("a copy of it, for the import: %.1f s\n", Seconds(start));

    start = Clock::now();
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
    std::printf("setup: %.1f s\n", Seconds(start));

    // Both builds capture the same system, each into its own copy of C:\vastrel.
    start = Clock::now();
    windows_.captureOutput = prefix_->Wine({VASTREL_WINDOWS_EXE, "-c"}).output;
    prefix_->WaitForServer();
    StashWorkFolder("windows");
    std::printf("capture under Wine: %.1f s\n", Seconds(start));
    start = Clock::now();
    linux_.captureOutput = prefix_->Host(VASTREL_EXE, {"-c"}).output;
    StashWorkFolder("linux");
    std::printf("capture by the Linux build: %.1f s\n", Seconds(start));

    start = Clock::now();
    RunScript("install.bat", kInstallCommands);
    WriteAll(prefix_->DriveC("windows/win.ini"), kWinIniAfter);
    fs::remove(prefix_->DriveC("windows/vastrel-old.txt"));
    WriteAll(prefix_->DriveC("windows/vastrel-new.txt"), "new\r\n");
    WriteAll(prefix_->DriveC("windows/system32/vastrel-lib.dll"), "version 2");
    WriteAll(prefix_->DriveC("Program Files/Vastrel Test/readme.txt"), "one\r\ntwo\r\n");
    WriteAll(prefix_->DriveC("Program Files/Vastrel Test/tool.exe"), "MZ");
    WriteAll(prefix_->DriveC("Program Files/Vastrel Test/Plugins/plugin.dll"), "MZ");
    prefix_->WaitForServer();
    std::printf("installation: %.1f s\n", Seconds(start));

    start = Clock::now();
    RestoreWorkFolder("windows");
    windows_.compareOutput = prefix_->Wine({VASTREL_WINDOWS_EXE, "-d"}).output;
    prefix_->WaitForServer();
    windows_.folder = StashWorkFolder("windows");
    std::printf("comparison under Wine: %.1f s\n", Seconds(start));
    start = Clock::now();
    RestoreWorkFolder("linux");
    linux_.compareOutput = prefix_->Host(VASTREL_EXE, {"-d"}).output;
    linux_.folder = StashWorkFolder("linux");
    std::printf("comparison by the Linux build: %.1f s\n", Seconds(start));

    // The Linux build compares with the snapshots that vastrel.exe took.
    start = Clock::now();
    fs::copy(windows_.folder, prefix_->DriveC("vastrel"), fs::copy_options::recursive);
    exchanged_.compareOutput = prefix_->Host(VASTREL_EXE, {"-d"}).output;
    exchanged_.folder = StashWorkFolder("exchanged");
    std::printf("comparison by the Linux build with the snapshots of vastrel.exe: %.1f s\n", Seconds(start));
  }

  static void TearDownTestSuite() {
    pristine_.reset();
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

  // C:\vastrel moves out of the prefix between the runs of the two builds.
  static std::string StashWorkFolder(const std::string& build) {
    std::string stash = results_->path() + "/" + build;
    fs::remove_all(stash);
    fs::rename(prefix_->DriveC("vastrel"), stash);
    return stash;
  }
  static void RestoreWorkFolder(const std::string& build) {
    fs::rename(results_->path() + "/" + build, prefix_->DriveC("vastrel"));
  }

  static inline std::unique_ptr<TempFolder> results_;
  static inline std::unique_ptr<WinePrefix> prefix_;
  static inline std::unique_ptr<WinePrefix> pristine_;  // kept for the import
  static inline BuildRun windows_;
  static inline BuildRun linux_;
  static inline BuildRun exchanged_;
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
    for (const char* line : {"\rCaptured Registry        \n", "\rCaptured C:\\windows              \n",
                             "\rCaptured C:\\Program Files              \n", "\rCaptured INI File        \n"})
      EXPECT_NE(run->captureOutput.find(line), std::string::npos) << line << "\n" << run->captureOutput;
    for (const char* line : {"\rCompared Registry        \n", "\rCompared C:\\windows              \n",
                             "\rCompared C:\\Program Files              \n", "\rCompared INI File        \n"})
      EXPECT_NE(run->compareOutput.find(line), std::string::npos) << line << "\n" << run->compareOutput;
    for (const std::string* output : {&run->captureOutput, &run->compareOutput}) {
      EXPECT_EQ(output->find("path not found"), std::string::npos) << *output;
      EXPECT_TRUE(output->ends_with("Press any key to continue\r\n")) << *output;
    }
    const std::vector<std::string>& skipped =
        run == &windows_ ? kKeysVastrelExeCannotOpen : kKeysTheLinuxBuildCannotOpen;
    EXPECT_EQ(InaccessibleKeys(run->captureOutput), skipped);
    EXPECT_EQ(InaccessibleKeys(run->compareOutput), skipped);
    for (const std::string& report : kRegReports) EXPECT_TRUE(fs::exists(run->folder + "/" + report)) << report;
    for (const std::string& report : kOtherReports) EXPECT_TRUE(fs::exists(run->folder + "/" + report)) << report;
  }
}

TEST_F(WineEndToEnd, TheIniCopiesHoldTheFilesAsCaptured) {
  std::string systemIni = ReadAll(prefix_->DriveC("windows/system.ini"));
  for (const BuildRun* run : {&windows_, &linux_}) {
    EXPECT_EQ(run->Report("cpy_win.ini"), kWinIniBefore);
    EXPECT_EQ(run->Report("cpy_system.ini"), systemIni);
    EXPECT_FALSE(fs::exists(run->folder + "/cpy_protocol.ini"));
  }
}

TEST_F(WineEndToEnd, RegistryReportsHoldExactlyTheInstallation) {
  EXPECT_EQ(Without(kWineRestamps, windows_, "new.reg"), kNewReg);
  EXPECT_EQ(Without(kWineRestamps, windows_, "mod.reg"), kModReg);
  EXPECT_EQ(Without(kWineRestamps, windows_, "modo.reg"), kModoReg);
  EXPECT_EQ(Without(kWineRestamps, windows_, "rem.reg"), kRemReg);
}

TEST_F(WineEndToEnd, DirectoryReportsHoldExactlyTheInstallation) {
  EXPECT_EQ(windows_.Report("new.txt"), Crlf(";   New Added File\n\nC:\\windows\\vastrel-new.txt\n"));
  // The installation rewrote win.ini too; a folder's own files come first.
  EXPECT_EQ(windows_.Report("mod.txt"),
            Crlf(";   Modified File\n\nC:\\windows\\win.ini\nC:\\windows\\system32\\vastrel-lib.dll\n"));
  EXPECT_EQ(windows_.Report("rem.txt"), Crlf(";   Removed File\n\nC:\\windows\\vastrel-old.txt\n"));
  EXPECT_EQ(windows_.Report("prgnew.txt"), Crlf(";   New Added File\n\n"
                                               "C:\\Program Files\\Vastrel Test\\Plugins [DIR]\n"
                                               "C:\\Program Files\\Vastrel Test\\tool.exe\n"));
  EXPECT_EQ(windows_.Report("prgmod.txt"),
            Crlf(";   Modified File\n\nC:\\Program Files\\Vastrel Test\\readme.txt\n"));
  EXPECT_EQ(windows_.Report("prgrem.txt"), Crlf(";   Removed File\n\n"));
}

TEST_F(WineEndToEnd, IniReportsHoldExactlyTheEdit) {
  EXPECT_EQ(windows_.Report("win_new.ini"), Crlf("\n[Vastrel]\nVersion=2\n"));
  EXPECT_EQ(windows_.Report("win_mod.ini"), Crlf("\n[mail]\nmapi=0\n"));
  EXPECT_EQ(windows_.Report("win_modo.ini"), Crlf("\n[mail]\nmapi=1\n"));
  EXPECT_EQ(windows_.Report("win_rem.ini"), Crlf("\n[Vastrel]\nOld=1\n"));
  for (const char* report : {"system_new.ini", "system_mod.ini", "system_modo.ini", "system_rem.ini"})
    EXPECT_EQ(windows_.Report(report), "") << report;
}

// Run after wineserver -w on the same prefix, the Linux build gives the same
// answer: the same reports, but for what Wine re-stamped between the runs.
TEST_F(WineEndToEnd, TheLinuxBuildGivesTheSameAnswer) {
  for (const std::string& report : kOtherReports)
    EXPECT_EQ(linux_.Report(report), windows_.Report(report)) << report;
  for (const std::string& report : kRegReports)
    EXPECT_EQ(Without(kWineRestamps, linux_, report), Without(kWineRestamps, windows_, report)) << report;
}

// The snapshots are one format: the Linux build compares with those that
// vastrel.exe took and finds the same changes, and besides them only the
// keys that exist while Wine runs (gone from its view of the prefix) and
// those that vastrel.exe could not open (new in its view).
TEST_F(WineEndToEnd, TheLinuxBuildReadsTheSnapshotsOfTheWindowsBuild) {
  EXPECT_EQ(exchanged_.compareOutput.find("path not found"), std::string::npos) << exchanged_.compareOutput;
  for (const std::string& report : kOtherReports)
    EXPECT_EQ(exchanged_.Report(report), windows_.Report(report)) << report;
  std::vector<Restamp> differences = kWineRestamps;
  differences.insert(differences.end(), kKeysOnlyWhileWineRuns.begin(), kKeysOnlyWhileWineRuns.end());
  differences.insert(differences.end(), kKeysOnlyTheLinuxBuildReads.begin(), kKeysOnlyTheLinuxBuildReads.end());
  for (const std::string& report : kRegReports)
    EXPECT_EQ(Without(differences, exchanged_, report), Without(kWineRestamps, windows_, report)) << report;
}

// A real reader of REGEDIT4: Wine's regedit imports new.reg into a fresh
// prefix, and reg reads back every value it can hold unchanged (REGEDIT4
// text is not escaped, so values with a backslash or a double quote are not).
TEST_F(WineEndToEnd, NewRegImportsIntoAFreshPrefix) {
  auto start = std::chrono::steady_clock::now();
  RegReport report = RegReport::Read(windows_.Report("new.reg"));
  std::vector<QueriedValue> expected = ImportableValues(report);
  ASSERT_GE(expected.size(), 6u);

  WinePrefix& fresh = *pristine_;
  fs::copy_file(windows_.folder + "/new.reg", fresh.DriveC("new.reg"));
  RunResult import = fresh.Wine({"regedit", "/S", "C:\\new.reg"});
  ASSERT_EQ(import.status, 0) << import.output;

  std::vector<QueriedValue> found;
  for (const RegSection& section : report.sections) {
    RunResult query = fresh.Wine({"reg", "query", section.keyPath});
    EXPECT_EQ(query.status, 0) << section.keyPath << "\n" << query.output;
    for (const QueriedValue& value : ReadRegQuery(section.keyPath, query.output))
      for (const QueriedValue& wanted : expected)
        if (wanted.keyPath == value.keyPath && wanted.name == value.name) found.push_back(value);
  }
  EXPECT_EQ(found, expected);
  std::printf("import into a fresh prefix: %.1f s\n",
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
}

}  // namespace
}  // namespace test
