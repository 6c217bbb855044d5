// The Windows build under Wine, from a fresh prefix to the reports: capture,
// a scripted installation, comparison; then the Linux build on the same
// prefix, which must give the same answer. The same installation serves the
// change scripts, imported by regedit, and the registry as a Windows program
// sees it, against the Linux build's reading of the prefix's files.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/memory_registry.h"
#include "platform/posix/prefix_registry.h"
#include "platform/text.h"
#include "test/temp_folder.h"
#include "test/wine/reg_report.h"
#include "test/wine/registry_walk.h"
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
    R"(reg add "HKCU\Software\Vastrel Test" /v "Quoted \"name\" \\" /t REG_SZ /d "C:\Old \"Tool\"" /f)",
    R"(reg add "HKCU\Software\Vastrel Test" /v Nothing /t REG_NONE /f)",
    R"(reg add "HKCU\Software\Vastrel Test\Old Key" /v Leftover /t REG_SZ /d gone /f)",
    R"(reg add "HKCU\Software\Vastrel Test\Old Key\Deeper" /ve /t REG_SZ /d deep /f)",
    R"(reg add "HKCU\Software\Vastrel Test\CaseKey" /v Spelling /t REG_SZ /d old /f)",
    R"(reg add "HKCU\Software\Vastrel Test\Emptied" /v First /t REG_SZ /d 1 /f)",
    R"(reg add "HKCU\Software\Vastrel Test\Emptied" /v Second /t REG_DWORD /d 2 /f)",
    R"(reg add "HKLM\Software\Vastrel Test" /v Level /t REG_DWORD /d 1 /f)",
};

// The installation: values of every type under HKLM and HKCU, strings with
// quotes and backslashes, a changed value, a value whose type alone changed,
// deleted values, a deleted subtree, a key made anew in other letter case, a
// new subtree below a key whose values went.
const std::vector<std::string> kInstallCommands = {
    R"(reg add "HKLM\Software\Vastrel Test" /v Level /t REG_DWORD /d 2 /f)",
    R"(reg add "HKLM\Software\Vastrel Test\Tool" /ve /t REG_SZ /d "C:\Program Files\Sample \"Tool\"" /f)",
    R"(reg add "HKLM\Software\Vastrel Test\Tool" /v Path /t REG_EXPAND_SZ /d "%%ProgramFiles%%\Sample Tool" /f)",
    R"(reg add "HKLM\Software\Vastrel Test\Tool" /v Names /t REG_MULTI_SZ /d "one\0two" /f)",
    R"(reg add "HKLM\Software\Vastrel Test\Tool" /v Blob /t REG_BINARY /d 000102030405060708090A0B0C0D0E0F101112131415161718191A /f)",
    R"(reg add "HKLM\Software\Vastrel Test\Tool" /v Flags /t REG_DWORD /d 42 /f)",
    R"(reg add "HKLM\Software\Vastrel Test\Tool" /v Big /t REG_QWORD /d 0x100000000 /f)",
    R"(reg add "HKLM\Software\Vastrel Test\Tool" /v Nothing /t REG_NONE /f)",
    R"(reg add "HKLM\Software\Vastrel Test\Tool\Empty" /f)",
    R"(reg add "HKCU\Software\Vastrel Test" /v Change /t REG_SZ /d after /f)",
    R"(reg add "HKCU\Software\Vastrel Test" /v Kind /t REG_EXPAND_SZ /d 7 /f)",
    R"(reg add "HKCU\Software\Vastrel Test" /v Added /t REG_SZ /d new /f)",
    R"(reg add "HKCU\Software\Vastrel Test" /v "Quoted \"name\" \\" /t REG_SZ /d "C:\New \"Tool\"\\" /f)",
    R"(reg delete "HKCU\Software\Vastrel Test" /v Obsolete /f)",
    R"(reg delete "HKCU\Software\Vastrel Test" /v Nothing /f)",
    R"(reg delete "HKCU\Software\Vastrel Test\Old Key" /f)",
    R"(reg delete "HKCU\Software\Vastrel Test\CaseKey" /f)",
    R"(reg add "HKCU\Software\Vastrel Test\CASEKEY" /v Spelling /t REG_SZ /d new /f)",
    R"(reg delete "HKCU\Software\Vastrel Test\Emptied" /va /f)",
    R"(reg add "HKCU\Software\Vastrel Test\Emptied\Fresh" /v Inside /t REG_SZ /d 1 /f)",
};
// Names and string data outside ASCII (Greek, CJK, emoji), which reg.exe
// takes from a UTF-16 file: before the capture, then the installation, which
// changes two values, adds a value below a key with such a name, and a key
// with a value of each string type, among them string data of an odd number
// of bytes and with a lone surrogate, which both builds must convert alike.
constexpr char kSetupUnicode[] = R"(
[HKEY_CURRENT_USER\Software\Vastrel Test\Ελληνικά]
"中文"="中文1"
"ΩΩ"="ΩΩ1"
"Keep 🌍"="🌎🌏🌍"

[HKEY_CURRENT_USER\Software\Vastrel Test\TestΩ\日本 🌍]
"Same"="日本語"
)";
constexpr char kInstallUnicode[] = R"(
[HKEY_CURRENT_USER\Software\Vastrel Test\Ελληνικά]
"中文"="中国1"
"ΩΩ"="ΣΣ1"

[HKEY_CURRENT_USER\Software\Vastrel Test\TestΩ\日本 🌍]
"新しい"="値 🌏"

[HKEY_LOCAL_MACHINE\Software\Vastrel Test\Tool\Ωμέγα 中文 🌍]
@="Ω"
"Multi"=hex(7):b1,03,00,00,2d,4e,00,00,3c,d8,0d,df,00,00,00,00
"Expand"=hex(2):25,00,57,00,49,00,4e,00,44,00,49,00,52,00,25,00,5c,00,a9,03,00,00
"Odd"=hex(1):41,00,42
"Lone"=hex(1):3c,d8,41,00,00,00
)";

// A folder chain below the Windows folder whose paths pass 300 characters.
const std::string kLongChain = [] {
  std::string chain = "vastrel-long";
  for (char level = '1'; level <= '5'; ++level) chain += "/level-" + std::string(1, level) + "-" + std::string(52, 'x');
  return chain;
}();

constexpr char kWinIniBefore[] = "[mail]\r\nmapi=1\r\n[Vastrel]\r\nKeep=yes\r\nOld=1\r\n";
constexpr char kWinIniAfter[] = "[mail]\r\nmapi=0\r\n[Vastrel]\r\nKeep=yes\r\nVersion=2\r\n";

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

std::string Backslashed(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
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

// The modified and original values: one of each root, a value whose type
// alone changed, a string with quotes and backslashes in name and data (the
// report writes them as they are), two values outside ASCII.
std::string Modified(const std::string& title, const std::string& change, const std::string& tool, char level,
                     const std::string& omega, const std::string& chinese) {
  return Reg(title,
             "\n[USER\\Software\\Vastrel Test]\n\"Change\"=\"" + change + "\"\n\"Kind\"=\"7\"\n"
             "\"Quoted \"name\" \\\"=\"C:\\" + tool + "\"\n"
             "\n[USER\\Software\\Vastrel Test\\Ελληνικά]\n\"ΩΩ\"=\"" + omega + "\"\n\"中文\"=\"" + chinese + "\"\n",
             "\n[HKEY_LOCAL_MACHINE\\Software\\Vastrel Test]\n\"Level\"=dword:0000000" + std::string(1, level) + "\n");
}

// The registry reports, as the installation must leave them but for what
// Wine re-stamps. A key made anew in other letter case is another key.
const std::map<std::string, std::string> kRegReports = {
    {"new.reg", Reg("New Added", R"(
[USER\Software\Vastrel Test]
"Added"="new"

[USER\Software\Vastrel Test\CASEKEY]
"Spelling"="new"

[USER\Software\Vastrel Test\Emptied\Fresh]
"Inside"="1"

[USER\Software\Vastrel Test\TestΩ\日本 🌍]
"新しい"="値 🌏"
)", R"(
[HKEY_LOCAL_MACHINE\Software\Vastrel Test\Tool]
@="C:\Program Files\Sample "Tool""
"Big"=Error Bad Type 11
"Blob"=hex:00,01,02,03,04,05,06,07,08,09,0A,0B,0C,0D,0E,0F,10,11,12,13,14,15,16,\
  17,18,19,1A
"Flags"=dword:0000002A
"Names"=hex(7):6F,6E,65,00,74,77,6F,00,00
"Nothing"=Error Bad Type 0
"Path"="%ProgramFiles%\Sample Tool"

[HKEY_LOCAL_MACHINE\Software\Vastrel Test\Tool\Empty]
@=""

[HKEY_LOCAL_MACHINE\Software\Vastrel Test\Tool\Ωμέγα 中文 🌍]
@="Ω"
"Expand"="%WINDIR%\Ω"
"Lone"=")" "\xED\xA0\xBC" R"(A"
"Multi"=hex(7):CE,B1,00,E4,B8,AD,00,F0,9F,8C,8D,00,00
"Odd"="A"
)")},
    // A type-only change (Kind: REG_SZ to REG_EXPAND_SZ) is a change whose two lines read the same.
    {"mod.reg", Modified("Modified", "after", "New \"Tool\"\\", '2', "ΣΣ1", "中国1")},
    {"modo.reg", Modified("Original", "before", "Old \"Tool\"", '1', "ΩΩ1", "中文1")},
    {"rem.reg", Reg("Removed", R"(
[USER\Software\Vastrel Test]
"Nothing"=Error Bad Type 0
"Obsolete"=dword:00000001

[USER\Software\Vastrel Test\CaseKey]
"Spelling"="old"

[USER\Software\Vastrel Test\Old Key]
"Leftover"="gone"

[USER\Software\Vastrel Test\Old Key\Deeper]
@="deep"

[USER\Software\Vastrel Test\Emptied]
"First"="1"
"Second"=dword:00000002
)")}};

// The other reports (with LF for CR LF): files, then INI entries.
const std::map<std::string, std::string> kOtherReports = {
    {"new.txt", ";   New Added File\n\nC:\\windows\\vastrel-new.txt\nC:\\windows\\" + Backslashed(kLongChain) +
                    "\\bottom.txt\nC:\\windows\\中文\\新 🌍.txt\n"},
    // The installation rewrote win.ini too; a folder's own files come first.
    {"mod.txt", ";   Modified File\n\nC:\\windows\\win.ini\nC:\\windows\\system32\\vastrel-lib.dll\n"
                "C:\\windows\\ΩΩdir\\α.txt\n"},
    {"rem.txt", ";   Removed File\n\nC:\\windows\\vastrel-old.txt\n"},
    {"prgnew.txt", ";   New Added File\n\nC:\\Program Files\\Vastrel Test\\Plugins [DIR]\n"
                   "C:\\Program Files\\Vastrel Test\\tool.exe\nC:\\Program Files\\Vastrel Test\\Ωmega 中文 🌍.txt\n"},
    {"prgmod.txt", ";   Modified File\n\nC:\\Program Files\\Vastrel Test\\readme.txt\n"},
    {"prgrem.txt", ";   Removed File\n\n"},
    // What a 32-bit installer puts where Wine has it put them.
    {"prgx86new.txt", ";   New Added File\n\nC:\\Program Files (x86)\\Vastrel Test\\tool32.dll\n"},
    {"prgx86mod.txt", ";   Modified File\n\n"},
    {"prgx86rem.txt", ";   Removed File\n\nC:\\Program Files (x86)\\Vastrel Test\\old32.dll\n"},
    {"win_new.ini", "\n[Vastrel]\nVersion=2\n"},
    {"win_mod.ini", "\n[mail]\nmapi=0\n"}, {"win_modo.ini", "\n[mail]\nmapi=1\n"},
    {"win_rem.ini", "\n[Vastrel]\nOld=1\n"}, {"system_new.ini", ""}, {"system_mod.ini", ""}, {"system_modo.ini", ""},
    {"system_rem.ini", ""}};

// The prefix's registry as the Linux build reads it from the files, once
// Wine has written them, in the walk's text.
std::string LinuxWalk(const WinePrefix& prefix) {
  prefix.WaitForServer();
  platform::MemoryRegistry registry;
  platform::posix::LoadPrefixRegistry(prefix.path(), registry);
  return registry_walk::WalkAll(registry);
}

// A walk without the display driver's date, which Wine stamps anew whenever it starts.
std::string WithoutDriverDates(const std::string& walk) {
  std::string kept;
  for (std::size_t start = 0, stop; start < walk.size(); start = stop + 1) {
    stop = walk.find('\n', start);
    if (walk.compare(start, 15, "DriverDateData|") != 0) kept += walk.substr(start, stop - start) + "\n";
  }
  return kept;
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
    ImportReg("setup.reg", kSetupUnicode);
    WriteAll(prefix_->DriveC("windows/win.ini"), kWinIniBefore);
    WriteAll(prefix_->DriveC("windows/ΩΩdir/α.txt"), "α");
    fs::create_directories(prefix_->DriveC("windows/中文"));
    fs::create_directories(prefix_->DriveC("windows/" + kLongChain));
    WriteAll(prefix_->DriveC("windows/vastrel-old.txt"), "old\r\n");
    WriteAll(prefix_->DriveC("windows/system32/vastrel-lib.dll"), "version 1");
    WriteAll(prefix_->DriveC("Program Files/Vastrel Test/readme.txt"), "one\r\n");
    WriteAll(prefix_->DriveC("Program Files (x86)/Vastrel Test/old32.dll"), "MZ");
    // Links to folders are recorded, not walked, by both builds: one leads to
    // the host's root, one back up the tree.
    fs::create_directory_symlink("/", prefix_->DriveC("Program Files/Vastrel Test/to-root"));
    fs::create_directory_symlink("..", prefix_->DriveC("Program Files/Vastrel Test/up"));
    before_ = WithoutDriverDates(LinuxWalk(*prefix_));
    // Both builds capture the same system, each into its own copy of C:\vastrel.
    windows_.captureOutput = RunBuild(true, "-c", "windows");
    linux_.captureOutput = RunBuild(false, "-c", "linux");

    RunScript("install.bat", kInstallCommands);
    ImportReg("install.reg", kInstallUnicode);
    WriteAll(prefix_->DriveC("windows/win.ini"), kWinIniAfter);
    WriteAll(prefix_->DriveC("windows/ΩΩdir/α.txt"), "αβ");
    WriteAll(prefix_->DriveC("windows/中文/新 🌍.txt"), "new");
    WriteAll(prefix_->DriveC("windows/" + kLongChain + "/bottom.txt"), "deep");
    WriteAll(prefix_->DriveC("Program Files/Vastrel Test/Ωmega 中文 🌍.txt"), "new");
    fs::remove(prefix_->DriveC("windows/vastrel-old.txt"));
    WriteAll(prefix_->DriveC("windows/vastrel-new.txt"), "new\r\n");
    WriteAll(prefix_->DriveC("windows/system32/vastrel-lib.dll"), "version 2");
    WriteAll(prefix_->DriveC("Program Files/Vastrel Test/readme.txt"), "one\r\ntwo\r\n");
    WriteAll(prefix_->DriveC("Program Files/Vastrel Test/tool.exe"), "MZ");
    WriteAll(prefix_->DriveC("Program Files/Vastrel Test/Plugins/plugin.dll"), "MZ");
    WriteAll(prefix_->DriveC("Program Files (x86)/Vastrel Test/tool32.dll"), "MZ");
    fs::remove(prefix_->DriveC("Program Files (x86)/Vastrel Test/old32.dll"));
    installed_ = WithoutDriverDates(LinuxWalk(*prefix_));
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

  // Runs `commands` as the batch file C:\`name`, which stops at the first that fails.
  static void RunScript(const std::string& name, const std::vector<std::string>& commands) {
    std::string script = "@echo off\r\n";
    for (const std::string& command : commands) script += command + "\r\nif errorlevel 1 exit /b 1\r\n";
    WriteAll(prefix_->DriveC(name), script);
    RunResult result = prefix_->Wine({"cmd", "/c", "C:\\" + name});
    ASSERT_EQ(result.status, 0) << name << ":\n" << result.output;
  }

  // Imports `text` (UTF-8, without the header line) as a registry file in
  // UTF-16, as regedit writes them.
  static void ImportReg(const std::string& name, const std::string& text) {
    std::u16string units = u"\uFEFF" + platform::Utf8ToUtf16(Crlf("Windows Registry Editor Version 5.00\n" + text));
    std::string bytes;
    for (char16_t unit : units) bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    WriteAll(prefix_->DriveC(name), bytes);
    RunResult result = prefix_->Wine({"reg", "import", "C:\\" + name});
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
  static inline std::string before_, installed_;  // the registry walked before and after the installation
};

// The report with the named keys and values taken out; what went is printed.
std::string Without(const std::vector<Restamp>& restamps, const BuildRun& run, const std::string& report) {
  std::vector<std::string> removed;
  std::string text = run.Report(report);
  if (report == "redo.reg" || report == "undo.reg") text = ScriptAsReport(text);
  std::string kept = WithoutRestamps(text, restamps, &removed);
  for (const std::string& line : removed) std::printf("left out of %s: %s\n", report.c_str(), line.c_str());
  return kept;
}

TEST_F(WineEndToEnd, EveryStepOfBothRunsCompletes) {
  for (const BuildRun* run : {&windows_, &linux_}) {
    SCOPED_TRACE(run == &windows_ ? "vastrel.exe under Wine" : "the Linux build");
    const std::vector<std::string>& skipped =
        run == &windows_ ? kKeysVastrelExeCannotOpen : kKeysTheLinuxBuildCannotOpen;
    EXPECT_EQ(Faults(run->captureOutput, "Captured"), "") << run->captureOutput;
    EXPECT_EQ(Faults(run->compareOutput, "Compared"), "") << run->compareOutput;
    EXPECT_EQ(InaccessibleKeys(run->captureOutput), skipped);
    EXPECT_EQ(InaccessibleKeys(run->compareOutput), skipped);
  }
}

TEST_F(WineEndToEnd, ReportsHoldExactlyTheInstallation) {
  for (const auto& [report, expected] : kRegReports) EXPECT_EQ(Without(kWineRestamps, windows_, report), expected);
  for (const auto& [report, expected] : kOtherReports) EXPECT_EQ(windows_.Report(report), Crlf(expected)) << report;
}

// Run after wineserver -w on the same prefix, the Linux build gives the same
// answer: the same reports and change scripts, but for what Wine re-stamped
// between the runs. And the snapshots are one format: with those that
// vastrel.exe took, it finds the same changes, and besides them only the
// keys that exist while Wine runs (gone from its view of the prefix) and
// those that vastrel.exe could not open (new in its view).
TEST_F(WineEndToEnd, TheLinuxBuildGivesTheSameAnswerAndReadsTheSnapshotsOfTheWindowsBuild) {
  EXPECT_EQ(Faults(exchanged_.compareOutput, "Compared"), "") << exchanged_.compareOutput;
  std::vector<Restamp> differences = kWineRestamps;
  for (const std::string& key : kKeysOnlyWhileWineRuns) differences.push_back({key, std::nullopt});
  for (const std::string& key : kKeysVastrelExeCannotOpen) differences.push_back({key, std::nullopt});
  for (const auto& [report, expected] : kOtherReports) {
    EXPECT_EQ(linux_.Report(report), windows_.Report(report)) << report;
    EXPECT_EQ(exchanged_.Report(report), windows_.Report(report)) << report;
  }
  for (const auto& [report, expected] : kRegReports) {
    EXPECT_EQ(Without(kWineRestamps, linux_, report), Without(kWineRestamps, windows_, report)) << report;
    EXPECT_EQ(Without(differences, exchanged_, report), Without(kWineRestamps, windows_, report)) << report;
  }
  for (const char* script : {"redo.reg", "undo.reg"})
    EXPECT_EQ(Without(kWineRestamps, linux_, script), Without(kWineRestamps, windows_, script)) << script;
}

// The change scripts as a user meets them: `regedit /S undo.reg` takes the
// installed registry back to what it was before, and `regedit /S redo.reg`
// then makes it the installed one again, key by key and value by value as
// the Linux build reads the prefix.
TEST_F(WineEndToEnd, RegeditUndoesTheInstallationWithUndoRegAndRedoesItWithRedoReg) {
  ASSERT_NE(FirstDifferences(installed_, before_), "");
  for (const auto& [script, expected] : {std::pair{"undo.reg", &before_}, {"redo.reg", &installed_}}) {
    RunResult imported = prefix_->Wine({"regedit", "/S", "Z:" + linux_.folder + "/" + script});
    EXPECT_EQ(imported.status, 0) << imported.output;
    EXPECT_EQ(FirstDifferences(WithoutDriverDates(LinuxWalk(*prefix_)), *expected), "") << script;
  }
}

// What a 64-bit Windows program sees of the registry, through vastrel.exe's
// own registry service, is what the Linux build reads from the prefix's
// files: every key and value of the five roots, in order and byte for byte
// (names and string data outside ASCII in UTF-8 on both sides), but for the
// keys that differ by nature.
TEST_F(WineEndToEnd, TheFilesShowWhatAWindowsProgramInThePrefixSees) {
  std::string dump = results_->path() + "/registry-walk.txt";
  RunResult run = prefix_->Wine({VASTREL_WINDOWS_PROGRAMS "/registry_dump.exe", "Z:" + dump});
  ASSERT_EQ(run.status, 0) << run.output;
  std::string windows = ReadAll(dump);
  std::size_t keys = 0;
  for (std::size_t at = windows.find("\n["); at != std::string::npos; at = windows.find("\n[", at + 1)) ++keys;
  EXPECT_GT(keys, 5000u);
  EXPECT_EQ(FirstDifferences(LinuxWalk(*prefix_), windows), "");
}

// The service keeps a walk right when a key changes between the walk's
// check of it and its listing, and speaks UTF-8 (each check prints a line).
TEST_F(WineEndToEnd, TheRegistryServiceKeepsUpWithTheLiveRegistry) {
  RunResult run = prefix_->Wine({VASTREL_WINDOWS_PROGRAMS "/registry_service_check.exe"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output.find("FAILED"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("ok a key deleted after its check"), std::string::npos) << run.output;
}

}  // namespace
}  // namespace test
