// Whole runs of the driver against a file system and a registry in memory
// that fail at chosen moments: a full disk under every file vastrel writes,
// reads that break off or come back short in every file it reads, keys that
// vanish while the walk is under way. Each must end with the file error or
// the walk's message, the prompt and status 0, and keep what was written.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/driver.h"
#include "platform/memory_registry.h"
#include "test/memory_files.h"
#include "test/run.h"
#include "test/staged_registry.h"
#include "test/temp_folder.h"

namespace {

const std::string kPrompt = "Press any key to continue\r\n";
const std::string kWork = "c:\\vastrel\\";
const char kSample[] = "HKEY_CURRENT_USER\\Software\\Sample";

// What each sequence writes, in the order it writes it; the files of one
// group are open together.
const std::vector<std::vector<std::string>> kCaptureFiles = {
    {"reg.bin"}, {"windir.bin"}, {"prgdir.bin"}, {"prgx86dir.bin"}};
const std::vector<std::vector<std::string>> kCompareFiles = {
    {"new.reg", "mod.reg", "modo.reg", "rem.reg", "redo.reg", "undo.reg"},
    {"new.txt", "mod.txt", "rem.txt"},
    {"prgnew.txt", "prgmod.txt", "prgrem.txt"},
    {"prgx86new.txt", "prgx86mod.txt", "prgx86rem.txt"},
    {"win_new.ini", "win_modo.ini", "win_mod.ini", "win_rem.ini"},
    {"system_new.ini", "system_modo.ini", "system_mod.ini", "system_rem.ini"}};

::testing::AssertionResult Has(const std::string& output, const std::string& text) {
  if (output.find(text) != std::string::npos) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << ::testing::PrintToString(text) << " not in:\n" << output;
}

class FaultTest : public ::testing::Test {
 protected:
  FaultTest() {
    // The driver checks that there is a prefix, a 64-bit one, whose folders
    // the Linux build names when the variables are unset; everything else is
    // in memory.
    prefix_.WriteFile("system.reg", "WINE REGISTRY Version 2\n\n#arch=win64\n");
    setenv("WINEPREFIX", prefix_.path().c_str(), 1);
    unsetenv("WINDIR");
    unsetenv("ProgramFiles");
    unsetenv("ProgramFiles(x86)");
    if (!std::freopen("/dev/null", "r", stdin)) ADD_FAILURE() << "no /dev/null";  // for the prompt
    platform::SetRegistry(&staged_);
    registry_.SetString(kSample, "Ver", "1");
    registry_.SetString(kSample, "Old", "gone soon");
    registry_.SetString(std::string(kSample) + "\\A", "a", "1");
    registry_.SetString(std::string(kSample) + "\\B", "b", "2");
    registry_.SetDword("HKEY_LOCAL_MACHINE\\Software\\Vendor", "Flags", 1);
    NewFiles();
  }
  ~FaultTest() override {
    files_.reset();
    platform::SetRegistry(nullptr);
  }

  // A fresh system's files: the Windows tree, the two program-files trees and
  // the INI files.
  void NewFiles() {
    files_.reset();
    files_.emplace();
    files_->Put("C:\\windows\\win.ini", "[windows]\r\nload=\r\nrun=\r\n");
    files_->Put("C:\\windows\\system.ini", "[boot]\r\nshell=explorer.exe\r\n[drivers]\r\nwave=mmdrv.dll\r\n");
    files_->Put("C:\\windows\\system32\\kernel32.dll", std::string(3000, 'k'));
    files_->Put("C:\\windows\\Fonts\\arial.ttf", "font");
    files_->Put("C:\\Program Files\\Common Files\\shared.dll", "shared");
    files_->Put("C:\\Program Files (x86)\\Common Files\\shared32.dll", "shared");
  }

  // Changes the registry, the trees and the INI files as an installation might.
  void Install() {
    registry_.SetString(kSample, "Ver", "2");
    registry_.DeleteValue(kSample, "Old");
    registry_.SetString(std::string(kSample) + "\\New", "", "Sample Tool");
    files_->Put("C:\\windows\\system32\\sample.dll", "new");
    files_->Put("C:\\windows\\system32\\kernel32.dll", std::string(3001, 'k'));
    files_->Remove("C:\\windows\\Fonts\\arial.ttf");
    files_->Put("C:\\Program Files\\Sample\\sample.exe", "exe");
    files_->Put("C:\\Program Files (x86)\\Sample\\sample32.dll", "dll");
    files_->Put("C:\\windows\\win.ini", "[windows]\r\nload=sample.exe\r\n[Sample]\r\nPath=C:\\Sample\r\n");
    files_->Put("C:\\windows\\system.ini", "[boot]\r\nshell=sample.exe\r\n[sample]\r\nx=1\r\n");
  }

  // Captures the system as it is, then keeps what the capture wrote.
  void CaptureOnce() {
    ASSERT_EQ(Run("-c").status, 0);
    captured_ = Files(kCaptureFiles);
    for (const char* copy : {"cpy_win.ini", "cpy_system.ini"}) captured_[copy] = files_->Get(kWork + copy).value();
  }
  // A fresh system with the capture's files, after the installation.
  void Installed() {
    NewFiles();
    for (const auto& [file, content] : captured_) files_->Put(kWork + file, content);
    Install();
  }
  // What a clean comparison after the installation writes.
  std::map<std::string, std::string> CleanReports() {
    CaptureOnce();
    Installed();
    EXPECT_EQ(Run("-d").status, 0);
    return Files(kCompareFiles);
  }

  test::RunResult Run(const char* option) {
    testing::internal::CaptureStdout();
    char program[] = "vastrel";
    std::string argument = option;
    char* argv[] = {program, argument.data(), nullptr};
    int status = RunDriver(2, argv);
    return {status, test::WithoutSpinner(testing::internal::GetCapturedStdout())};
  }

  // The working folder's files of `groups` as they are now.
  std::map<std::string, std::string> Files(const std::vector<std::vector<std::string>>& groups) {
    std::map<std::string, std::string> contents;
    for (const auto& group : groups)
      for (const std::string& name : group)
        if (auto content = files_->Get(kWork + name)) contents[name] = *content;
    return contents;
  }

  // After a run that failed in group `failed`: the groups before it are whole,
  // the files of its own group hold the start of what a clean run writes,
  // and no later group was written.
  void ExpectKept(const std::vector<std::vector<std::string>>& groups, std::size_t failed,
                  const std::map<std::string, std::string>& clean, const std::string& context) {
    for (std::size_t g = 0; g < groups.size(); ++g)
      for (const std::string& name : groups[g]) {
        std::optional<std::string> content = files_->Get(kWork + name);
        bool kept = g < failed ? content == clean.at(name)
                               : g > failed ? !content : content && clean.at(name).starts_with(*content);
        EXPECT_TRUE(kept) << context << ": " << name << " holds " << content.value_or("nothing");
      }
  }

  // Runs `option` on a fresh system once per file of `groups`, the disk
  // filling up halfway through that file's clean content; `check` looks at
  // what else each run left.
  void FillTheDiskUnderEach(const char* option, const std::vector<std::vector<std::string>>& groups,
                            const std::map<std::string, std::string>& clean, const std::function<void()>& fresh,
                            const std::function<void(const std::string&)>& check = nullptr) {
    for (std::size_t g = 0; g < groups.size(); ++g)
      for (const std::string& name : groups[g]) {
        fresh();
        ASSERT_FALSE(clean.at(name).empty()) << name << " needs something to fail at";
        files_->FailWritesAfter(kWork + name, clean.at(name).size() / 2);
        test::RunResult result = Run(option);
        EXPECT_EQ(result.status, 0);
        EXPECT_TRUE(result.output.ends_with("\n" + kWork + name + ": the disk is full (error 112)\n" + kPrompt))
            << name << ":\n" << result.output;
        ExpectKept(groups, g, clean, name);
        if (check) check(name);
      }
  }

  test::TempFolder prefix_;
  platform::MemoryRegistry registry_;
  test::StagedRegistry staged_{registry_};
  std::optional<test::MemoryFiles> files_;
  std::map<std::string, std::string> captured_;
};

TEST_F(FaultTest, AFullDiskUnderAnySnapshotEndsTheCaptureWithItsNameAndKeepsWhatWasWritten) {
  CaptureOnce();
  FillTheDiskUnderEach("-c", kCaptureFiles, captured_, [&] { NewFiles(); }, [&](const std::string& name) {
    EXPECT_FALSE(files_->Exists(kWork + "cpy_win.ini")) << name << ": the rest of the capture is skipped";
  });
}

TEST_F(FaultTest, AFullDiskUnderAnyReportEndsTheComparisonWithItsNameAndKeepsWhatWasWritten) {
  FillTheDiskUnderEach("-d", kCompareFiles, CleanReports(), [&] { Installed(); });
}

// Reads of one byte at a time change nothing; a read that fails halfway in
// any input is named, and the group that read it keeps the start of its reports.
TEST_F(FaultTest, AReadThatFailsHalfwayInAnyInputIsNamedAndShortReadsChangeNothing) {
  const std::map<std::string, std::string> clean = CleanReports();
  Installed();
  files_->LimitReads(1);
  EXPECT_EQ(Run("-d").status, 0);
  EXPECT_EQ(Files(kCompareFiles), clean);
  const std::string win = "C:\\windows\\";
  for (const auto& [path, group] : std::vector<std::pair<std::string, std::size_t>>{
           {kWork + "reg.bin", 0}, {kWork + "windir.bin", 1}, {kWork + "prgdir.bin", 2}, {kWork + "prgx86dir.bin", 3},
           {kWork + "cpy_win.ini", 4}, {win + "win.ini", 4}, {kWork + "cpy_system.ini", 5}, {win + "system.ini", 5}}) {
    Installed();
    files_->FailReadsAt(path, files_->Get(path)->size() / 2);
    test::RunResult result = Run("-d");
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.output.ends_with("\n" + path + ": a hardware error occurred (error 1117)\n" + kPrompt))
        << result.output;
    ExpectKept(kCompareFiles, group, clean, path);
  }
}

// A subkey that was listed and found readable, and goes or closes to the
// user while its elder sibling is walked: gone, it is told as a key that
// cannot be read and stored empty; closed, it stops the registry's walk.
// Either way the capture goes on with the next step.
TEST_F(FaultTest, AKeyThatGoesDuringTheWalkIsGoneAndOneThatClosesStopsIt) {
  const std::string a = std::string(kSample) + "\\A", b = std::string(kSample) + "\\B";
  using Call = test::StagedRegistry::Call;
  for (bool denied : {false, true}) {
    staged_.SetHook([&, denied, looks = 0](const test::StagedRegistry::Point& point) mutable {
      // The second look at A: the first was the check.
      if (point.call != Call::kQueryInfoKey || point.path != a || ++looks != 2) return;
      denied ? staged_.Fail(Call::kOpenKey, b) : registry_.DeleteKey(b);
    });
    test::RunResult result = Run("-c");
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(Has(result.output, denied ? "\b \npath not found 5\n" + b + "\n\rCaptured Registry        \n"
                                          : "Capturing Registry  \b \n Inacessible path error=2\n" + b +
                                                "\n\rCaptured Registry        \n"));
    EXPECT_TRUE(files_->Exists(kWork + "cpy_win.ini"));
    EXPECT_TRUE(result.output.ends_with(kPrompt));
    staged_.SetHook(nullptr);
    staged_.Fail(Call::kOpenKey, b, 0);
    registry_.SetString(b, "b", "2");
  }
}

}  // namespace
