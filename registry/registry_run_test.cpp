// The registry steps as a user meets them: vastrel -c and -d on a prefix.

#include <gtest/gtest.h>

#include "registry/registry_test_support.h"
#include "test/run.h"
#include "test/temp_folder.h"

namespace {

const std::string kUserReg =
    "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
    "#arch=win64\n\n";
const std::string kSample = "[Software\\\\Sample] 1700000000\n";

// The output without the spinner's steps.
std::string Plain(const std::string& output) {
  std::string plain;
  for (std::size_t i = 0; i < output.size(); ++i) {
    if (output[i] == '\b' && i + 1 < output.size() &&
        std::string("|/-\\").find(output[i + 1]) != std::string::npos) {
      ++i;
      continue;
    }
    plain += output[i];
  }
  return plain;
}

class RegistryRunTest : public ::testing::Test {
 protected:
  std::string Run(const char* option) {
    test::RunResult result = test::RunVastrel(prefix_.path(), {option});
    EXPECT_EQ(result.status, 0);
    return Plain(result.output);
  }
  std::string Report(const char* name) { return prefix_.ReadFile(std::string("drive_c/vastrel/") + name); }

  test::TempPrefix prefix_;
};

TEST_F(RegistryRunTest, ChangesToTheUsersRegistryReachTheFourReports) {
  prefix_.WriteFile("user.reg", kUserReg + kSample + "\"Obsolete\"=\"x\"\n\"Ver\"=\"1\"\n");
  std::string output = Run("-c");
  EXPECT_NE(output.find("Capturing Registry  \rCaptured Registry        \n"), std::string::npos)
      << output;

  output = Run("-d");
  EXPECT_NE(output.find("Comparing Registry  \rCompared Registry        \n"), std::string::npos)
      << output;
  EXPECT_EQ(Report("new.reg"), "REGEDIT4\r\n\r\n;   New Added Registry\r\n\r\n");
  EXPECT_EQ(Report("mod.reg"), "REGEDIT4\r\n\r\n;   Modified Registry\r\n\r\n");
  EXPECT_EQ(Report("modo.reg"), "REGEDIT4\r\n\r\n;   Original Registry\r\n\r\n");
  EXPECT_EQ(Report("rem.reg"), "REGEDIT4\r\n\r\n;   Removed Registry\r\n\r\n");

  prefix_.WriteFile("user.reg", kUserReg + kSample + "\"Ver\"=\"2\"\n\n" +
                                    "[Software\\\\Sample\\\\Tool] 1700000100\n"
                                    "@=\"Sample Tool\"\n\"Flags\"=dword:0000002a\n");
  Run("-d");
  // HKEY_CURRENT_USER is the user's key below HKEY_USERS as well.
  const std::string sample[] = {"HKEY_CURRENT_USER\\Software\\Sample",
                                "HKEY_USERS\\S-1-5-21-0-0-0-1000\\Software\\Sample"};
  std::string added, modified, original, removed;
  for (const std::string& key : sample) {
    added += "\r\n[" + key + "\\Tool]\r\n@=\"Sample Tool\"\r\n\"Flags\"=dword:0000002A\r\n";
    modified += "\r\n[" + key + "]\r\n\"Ver\"=\"2\"\r\n";
    original += "\r\n[" + key + "]\r\n\"Ver\"=\"1\"\r\n";
    removed += "\r\n[" + key + "]\r\n\"Obsolete\"=\"x\"\r\n";
  }
  EXPECT_EQ(Report("new.reg"), "REGEDIT4\r\n\r\n;   New Added Registry\r\n\r\n" + added);
  EXPECT_EQ(Report("mod.reg"), "REGEDIT4\r\n\r\n;   Modified Registry\r\n\r\n" + modified);
  EXPECT_EQ(Report("modo.reg"), "REGEDIT4\r\n\r\n;   Original Registry\r\n\r\n" + original);
  EXPECT_EQ(Report("rem.reg"), "REGEDIT4\r\n\r\n;   Removed Registry\r\n\r\n" + removed);
}

TEST_F(RegistryRunTest, AnUnfinishedSnapshotStopsTheRegistryStepAloneAndADamagedOneTheRun) {
  prefix_.WriteFile("user.reg", kUserReg + kSample + "\"Ver\"=\"1\"\n");
  Run("-c");
  std::string snapshot = Report("reg.bin");
  ASSERT_EQ(snapshot.substr(104, 10), "HKEY_USERS");  // its child offset follows, at 114

  // As if the capture had stopped before it reached HKEY_USERS.
  snapshot.replace(114, 4, registry_test::U32(0));
  prefix_.WriteFile("drive_c/vastrel/reg.bin", snapshot);
  std::string output = Run("-d");
  EXPECT_NE(output.find("Comparing Registry  \b \nThe snapshot ends at HKEY_USERS: its capture "
                        "stopped there\n\rCompared Registry        \n"),
            std::string::npos)
      << output;
  EXPECT_NE(output.find("\rCompared Registry        \nComparing C:\\windows"), std::string::npos)
      << output;

  // A root path longer than any the reader keeps.
  snapshot.replace(0, 4, registry_test::U32(0x10000));
  prefix_.WriteFile("drive_c/vastrel/reg.bin", snapshot);
  output = Run("-d");
  EXPECT_NE(output.find("Comparing Registry  \nc:\\vastrel\\reg.bin: the file is damaged"),
            std::string::npos)
      << output;
  EXPECT_EQ(output.find("INI"), std::string::npos) << output;
  EXPECT_TRUE(output.ends_with("\nPress any key to continue\r\n")) << output;
}

}  // namespace
