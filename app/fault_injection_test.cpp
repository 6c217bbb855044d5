// Whole runs of the driver against a file system and a registry in memory
// that fail at chosen moments: a full disk under every file vastrel writes,
// reads that break off or come back short in every file it reads, keys that
// vanish while the walk is under way. Each must end with the file error or
// the walk's message, the prompt and status 0, and keep what was written.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/driver.h"
#include "platform/last_error.h"
#include "platform/memory_registry.h"
#include "platform/registry.h"
#include "test/memory_files.h"
#include "test/temp_folder.h"

namespace {

const std::string kPrompt = "Press any key to continue\r\n";
const std::string kWork = "c:\\vastrel\\";
const char kSample[] = "HKEY_CURRENT_USER\\Software\\Sample";

// What each sequence writes, in the order it writes it; the files of one
// group are open together.
const std::vector<std::vector<std::string>> kCaptureFiles = {{"reg.bin"}, {"windir.bin"}, {"prgdir.bin"}};
const std::vector<std::vector<std::string>> kCompareFiles = {
    {"new.reg", "mod.reg", "modo.reg", "rem.reg"},
    {"new.txt", "mod.txt", "rem.txt"},
    {"prgnew.txt", "prgmod.txt", "prgrem.txt"},
    {"win_new.ini", "win_modo.ini", "win_mod.ini", "win_rem.ini"},
    {"system_new.ini", "system_modo.ini", "system_mod.ini", "system_rem.ini"}};

// The output without the spinner's steps.
std::string Plain(const std::string& output) {
  std::string plain;
  for (std::size_t i = 0; i < output.size(); ++i) {
    if (output[i] == '\b' && i + 1 < output.size() && std::string("|/-\\").find(output[i + 1]) != std::string::npos) {
      ++i;
      continue;
    }
    plain += output[i];
  }
  return plain;
}

class FaultTest : public ::testing::Test {
 protected:
  FaultTest() {
    // The driver checks that there is a prefix; everything else is in memory.
    prefix_.WriteFile("system.reg", "WINE REGISTRY Version 2\n");
    setenv("WINEPREFIX", prefix_.path().c_str(), 1);
    unsetenv("WINDIR");
    unsetenv("ProgramFiles");
    if (!std::freopen("/dev/null", "r", stdin)) ADD_FAILURE() << "no /dev/null";  // for the prompt
    platform::SetRegistry(&registry_);
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

  // A fresh system's files: the Windows and program-files trees and the INI files.
  void NewFiles() {
    files_.reset();
    files_.emplace();
    files_->Put("C:\\windows\\win.ini", "[windows]\r\nload=\r\nrun=\r\n");
    files_->Put("C:\\windows\\system.ini", "[boot]\r\nshell=explorer.exe\r\n[drivers]\r\nwave=mmdrv.dll\r\n");
    files_->Put("C:\\windows\\system32\\kernel32.dll", std::string(3000, 'k'));
    files_->Put("C:\\windows\\Fonts\\arial.ttf", "font");
    files_->Put("C:\\Program Files\\Common Files\\shared.dll", "shared");
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
    files_->Put("C:\\windows\\win.ini", "[windows]\r\nload=sample.exe\r\n[Sample]\r\nPath=C:\\Sample\r\n");
    files_->Put("C:\\windows\\system.ini", "[boot]\r\nshell=sample.exe\r\n[sample]\r\nx=1\r\n");
  }

  // When `listed` starts to be listed, `folder` goes (error 3) or closes.
  void CloseWhenListing(const std::string& listed, const std::string& folder, std::uint32_t error) {
    files_->OnListing([this, listed, folder, error](const std::string& now) {
      if (now != listed) return;
      if (error == platform::kErrorPathNotFound)
        files_->Remove(folder);
      else
        files_->FailListing(folder, error);
    });
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

  struct Result {
    int status;
    std::string output;
  };
  Result Run(const char* option) {
    testing::internal::CaptureStdout();
    char program[] = "vastrel";
    std::string argument = option;
    char* argv[] = {program, argument.data(), nullptr};
    int status = RunDriver(2, argv);
    return {status, Plain(testing::internal::GetCapturedStdout())};
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
        if (g < failed) {
          EXPECT_EQ(content, clean.at(name)) << context << ": " << name;
        } else if (g == failed) {
          ASSERT_TRUE(content) << context << ": " << name;
          EXPECT_TRUE(clean.at(name).starts_with(*content)) << context << ": " << name;
        } else {
          EXPECT_FALSE(content) << context << ": " << name;
        }
      }
  }

  test::TempFolder prefix_;
  platform::MemoryRegistry registry_;
  std::optional<test::MemoryFiles> files_;
  std::map<std::string, std::string> captured_;
};

TEST_F(FaultTest, AFullDiskUnderAnySnapshotEndsTheCaptureWithItsNameAndKeepsWhatWasWritten) {
  ASSERT_EQ(Run("-c").status, 0);
  std::map<std::string, std::string> clean = Files(kCaptureFiles);
  ASSERT_EQ(clean.size(), kCaptureFiles.size());

  for (std::size_t g = 0; g < kCaptureFiles.size(); ++g) {
    const std::string& name = kCaptureFiles[g][0];
    NewFiles();
    files_->FailWritesAfter(kWork + name, clean[name].size() / 2);
    Result result = Run("-c");
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.output.ends_with("\n" + kWork + name + ": the disk is full (error 112)\n" + kPrompt))
        << result.output;
    ExpectKept(kCaptureFiles, g, clean, name);
    // The rest of the sequence is skipped: no INI file is copied.
    EXPECT_FALSE(files_->Exists(kWork + "cpy_win.ini")) << name;
  }
}

TEST_F(FaultTest, AFullDiskUnderAnyReportEndsTheComparisonWithItsNameAndKeepsWhatWasWritten) {
  CaptureOnce();
  Installed();
  ASSERT_EQ(Run("-d").status, 0);
  std::map<std::string, std::string> clean = Files(kCompareFiles);
  ASSERT_EQ(clean.size(), 18u);

  for (std::size_t g = 0; g < kCompareFiles.size(); ++g)
    for (const std::string& name : kCompareFiles[g]) {
      Installed();
      ASSERT_FALSE(clean[name].empty()) << name << " needs something to fail at";
      files_->FailWritesAfter(kWork + name, clean[name].size() / 2);
      Result result = Run("-d");
      EXPECT_EQ(result.status, 0);
      EXPECT_TRUE(result.output.ends_with("\n" + kWork + name + ": the disk is full (error 112)\n" + kPrompt))
          << name << ":\n" << result.output;
      ExpectKept(kCompareFiles, g, clean, name);
    }
}

TEST_F(FaultTest, AReadThatFailsOrComesBackShortInAnyInputIsNamedOrHarmless) {
  CaptureOnce();
  Installed();
  ASSERT_EQ(Run("-d").status, 0);
  const std::map<std::string, std::string> clean = Files(kCompareFiles);

  // Reads of one byte at a time change nothing.
  Installed();
  files_->LimitReads(1);
  Result result = Run("-d");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(Files(kCompareFiles), clean);

  // A read that fails halfway names the file; the group that read it keeps
  // the start of its reports.
  struct Input {
    std::string path;
    std::size_t group;
  };
  for (const Input& input : std::vector<Input>{{kWork + "reg.bin", 0},
                                               {kWork + "windir.bin", 1},
                                               {kWork + "prgdir.bin", 2},
                                               {kWork + "cpy_win.ini", 3},
                                               {"C:\\windows\\win.ini", 3},
                                               {kWork + "cpy_system.ini", 4},
                                               {"C:\\windows\\system.ini", 4}}) {
    Installed();
    files_->FailReadsAt(input.path, files_->Get(input.path)->size() / 2);
    result = Run("-d");
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.output.ends_with("\n" + input.path + ": a hardware error occurred (error 1117)\n" + kPrompt))
        << result.output;
    ExpectKept(kCompareFiles, input.group, clean, input.path);
  }

  // A snapshot cut off in the middle is damaged, and says so.
  for (const std::string name : {"reg.bin", "windir.bin", "prgdir.bin"}) {
    Installed();
    files_->Put(kWork + name, captured_[name].substr(0, captured_[name].size() / 2));
    result = Run("-d");
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.output.find("\n" + kWork + name + ": the file is damaged"), std::string::npos) << result.output;
    EXPECT_TRUE(result.output.ends_with(kPrompt));
  }
}

TEST_F(FaultTest, KeysThatVanishOrCloseWhileTheWalkIsUnderWayGiveTheWalksMessages) {
  const std::string a = std::string(kSample) + "\\A";
  const std::string b = std::string(kSample) + "\\B";
  // B goes while its parent is listed: the listing ends with the registry's
  // code and the walk stops there.
  registry_.SetQueryHook([&](const std::string& path) {
    if (path == a) registry_.DeleteKey(b);
  });
  Result result = Run("-c");
  EXPECT_NE(result.output.find("\b \n->" + std::string(kSample) + "\nError 259\n\rCaptured Registry        \n"),
            std::string::npos)
      << result.output;

  // B was listed and found readable; it goes, or closes, while A, its elder
  // sibling, is walked (the second look at A: the first was the check).
  for (bool denied : {false, true}) {
    registry_.SetString(b, "b", "2");
    int looks = 0;
    registry_.SetQueryHook([&](const std::string& path) {
      if (path != a || ++looks != 2) return;
      if (denied)
        registry_.DenyOpen(b);
      else
        registry_.DeleteKey(b);
    });
    result = Run("-c");
    registry_.SetQueryHook(nullptr);
    EXPECT_EQ(result.status, 0);
    std::string message = "\b \npath not found " + std::string(denied ? "5" : "2") + "\n" + b + "\n";
    // The walk stops there, and the capture goes on with the next step.
    EXPECT_NE(result.output.find(message + "\rCaptured Registry        \n"), std::string::npos) << result.output;
    EXPECT_TRUE(files_->Exists(kWork + "cpy_win.ini"));
    EXPECT_TRUE(result.output.ends_with(kPrompt));
    registry_.DenyOpen(b, 0);
  }

  // In the comparison: a key that goes between the listing of its parent and
  // its own turn stops the comparison; one that closes before it is tried is
  // skipped with a message and counts as removed.
  registry_.SetString(b, "b", "2");
  ASSERT_EQ(Run("-c").status, 0);
  int looks = 0;
  registry_.SetQueryHook([&](const std::string& path) {
    if (path == a && ++looks == 2) registry_.DeleteKey(b);
  });
  result = Run("-d");
  EXPECT_NE(result.output.find("\b path not found\n" + b + "\n\rCompared Registry        \n"), std::string::npos)
      << result.output;
  EXPECT_TRUE(result.output.ends_with(kPrompt));

  registry_.SetString(b, "b", "2");
  registry_.SetQueryHook([&](const std::string& path) {
    if (path == kSample) registry_.DenyOpen(b);
  });
  result = Run("-d");
  registry_.SetQueryHook(nullptr);
  EXPECT_NE(result.output.find("\b \n Inacessible path error=5\n" + b + "\n"), std::string::npos) << result.output;
  EXPECT_NE(files_->Get(kWork + "rem.reg")->find("\r\n[" + b + "]\r\n\"b\"=\"2\"\r\n"), std::string::npos);
  EXPECT_TRUE(result.output.ends_with(kPrompt));
}

TEST_F(FaultTest, FoldersThatVanishOrCloseBetweenListingAndOpeningGiveTheWalksMessages) {
  // system32 is listed with its parent; it goes, or closes, while Fonts,
  // which comes before it, is listed.
  const std::string system32 = "C:\\windows\\system32";
  for (std::uint32_t error : {3u, 5u}) {
    NewFiles();
    CloseWhenListing("C:\\windows\\Fonts", system32, error);
    Result result = Run("-c");
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.output.find("path not found " + std::to_string(error) + "\n" + system32 + "\n"),
              std::string::npos)
        << result.output;
    EXPECT_TRUE(result.output.ends_with("\rCaptured INI File        \n" + kPrompt)) << result.output;
  }

  NewFiles();
  CaptureOnce();
  for (std::uint32_t error : {3u, 5u}) {
    Installed();
    CloseWhenListing("C:\\windows\\Fonts", system32, error);
    Result result = Run("-d");
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.output.find("path not found\n" + system32 + "\n"), std::string::npos) << result.output;
    EXPECT_TRUE(result.output.ends_with("\rCompared INI File        \n" + kPrompt)) << result.output;
    // What the walk found before the folder went stays in the reports.
    EXPECT_TRUE(files_->Get(kWork + "new.txt")->starts_with(";   New Added File\r\n\r\n"));
  }
}

}  // namespace
