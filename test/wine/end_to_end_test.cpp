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
    results_ = new TempFolder;
    auto start = Clock::now();
    prefix_ = new WinePrefix;
    std::printf("fresh prefix: %.1f s\n", Seconds(start));

    start = Clock::now();
    RunScript("setup.bat", kSetupCommands);
    WriteAll(prefix_->DriveC("windows/win.ini"), kWinIniBefore);
    WriteAll(prefix_->DriveC("windows/vastrel-old.txt"), "old\r\n");
    WriteAll(prefix_->DriveC("windows/system32/vastrel-lib.dll"), "version 1");
    WriteAll(prefix_->DriveC("Program Files/Vastrel Test/readme.txt"), "one\r\n");
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
  }

  static void TearDownTestSuite() {
    delete prefix_;
    delete results_;
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

  static inline TempFolder* results_ = nullptr;
  static inline WinePrefix* prefix_ = nullptr;
  static inline BuildRun windows_;
  static inline BuildRun linux_;
};

TEST_F(WineEndToEnd, EveryStepOfBothRunsCompletes) {
  for (const BuildRun* run : {&windows_, &linux_}) {
    SCOPED_TRACE(run == &windows_ ? "vastrel.exe under Wine" : "the Linux build");
    EXPECT_NE(run->captureOutput.find("\rCaptured INI File        \n"), std::string::npos)
        << run->captureOutput;
    EXPECT_NE(run->compareOutput.find("\rCompared INI File        \n"), std::string::npos)
        << run->compareOutput;
    for (const std::string* output : {&run->captureOutput, &run->compareOutput}) {
      EXPECT_EQ(output->find("path not found"), std::string::npos) << *output;
      EXPECT_TRUE(output->ends_with("Press any key to continue\r\n")) << *output;
    }
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

TEST_F(WineEndToEnd, TheIniReportsShowWhatChanged) {
  for (const BuildRun* run : {&windows_, &linux_}) {
    SCOPED_TRACE(run == &windows_ ? "vastrel.exe under Wine" : "the Linux build");
    EXPECT_EQ(run->Report("win_new.ini"), "\r\n[Vastrel]\r\nVersion=2\r\n");
    EXPECT_EQ(run->Report("win_mod.ini"), "\r\n[mail]\r\nmapi=0\r\n");
    EXPECT_EQ(run->Report("win_modo.ini"), "\r\n[mail]\r\nmapi=1\r\n");
    EXPECT_EQ(run->Report("win_rem.ini"), "\r\n[Vastrel]\r\nOld=1\r\n");
    for (const char* report : {"system_new.ini", "system_mod.ini", "system_modo.ini", "system_rem.ini"})
      EXPECT_EQ(run->Report(report), "") << report;
  }
}

}  // namespace
}  // namespace test
