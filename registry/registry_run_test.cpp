// The registry steps as a user meets them: vastrel -c and -d on a prefix.

#include <gtest/gtest.h>

#include "registry/registry_test_support.h"
#include "test/run.h"
#include "test/temp_folder.h"

namespace {

class RegistryRunTest : public ::testing::Test {
 protected:
  std::string Run(const char* option) {
    test::RunResult result = test::RunVastrel(prefix_.path(), {option});
    EXPECT_EQ(result.status, 0);
    return registry_test::WithoutSpinner(result.output);
  }
  std::string Read(const std::string& name) { return prefix_.ReadFile("drive_c/vastrel/" + name); }
  void WriteUserReg(const std::string& keys) {
    prefix_.WriteFile(
        "user.reg",
        "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
        "#arch=win64\n\n[Software\\\\Sample] 1700000000\n" +
            keys);
  }

  test::TempPrefix prefix_;
};

TEST_F(RegistryRunTest, CaptureChangeCompare) {
  WriteUserReg("\"Obsolete\"=\"x\"\n\"Ver\"=\"1\"\n");
  EXPECT_NE(Run("-c").find("Capturing Registry  \rCaptured Registry        \n"), std::string::npos);
  WriteUserReg(
      "\"Ver\"=\"2\"\n\n[Software\\\\Sample\\\\Tool] 1700000100\n@=\"Sample "
      "Tool\"\n\"Flags\"=dword:0000002a\n");
  EXPECT_NE(Run("-d").find("Comparing Registry  \rCompared Registry        \n"), std::string::npos);

  // HKEY_CURRENT_USER is the user's key below HKEY_USERS as well.
  std::string added, modified, original, removed;
  for (std::string key : {"HKEY_CURRENT_USER", "HKEY_USERS\\S-1-5-21-0-0-0-1000"}) {
    key += "\\Software\\Sample";
    added += "\r\n[" + key + "\\Tool]\r\n@=\"Sample Tool\"\r\n\"Flags\"=dword:0000002A\r\n";
    modified += "\r\n[" + key + "]\r\n\"Ver\"=\"2\"\r\n";
    original += "\r\n[" + key + "]\r\n\"Ver\"=\"1\"\r\n";
    removed += "\r\n[" + key + "]\r\n\"Obsolete\"=\"x\"\r\n";
  }
  EXPECT_EQ(Read("new.reg"), "REGEDIT4\r\n\r\n;   New Added Registry\r\n\r\n" + added);
  EXPECT_EQ(Read("mod.reg"), "REGEDIT4\r\n\r\n;   Modified Registry\r\n\r\n" + modified);
  EXPECT_EQ(Read("modo.reg"), "REGEDIT4\r\n\r\n;   Original Registry\r\n\r\n" + original);
  EXPECT_EQ(Read("rem.reg"), "REGEDIT4\r\n\r\n;   Removed Registry\r\n\r\n" + removed);

  // As if the capture had stopped before HKEY_USERS: the other steps still run.
  std::string snapshot = Read("reg.bin");
  ASSERT_EQ(snapshot.substr(104, 10), "HKEY_USERS");  // its child offset follows, at 114
  snapshot.replace(114, 4, registry_test::U32(0));
  prefix_.WriteFile("drive_c/vastrel/reg.bin", snapshot);
  std::string output = Run("-d");
  EXPECT_NE(
      output.find("Comparing Registry  \b \nThe snapshot ends at HKEY_USERS: its capture stopped there\n"
                  "\rCompared Registry        \nComparing C:\\windows"),
      std::string::npos)
      << output;
  EXPECT_EQ(Read("mod.reg"), "REGEDIT4\r\n\r\n;   Modified Registry\r\n\r\n" +
                                 modified.substr(0, modified.find("\r\n[HKEY_USERS")));

  // A damaged snapshot ends the run with one message.
  snapshot.replace(0, 4, registry_test::U32(0x10000));
  prefix_.WriteFile("drive_c/vastrel/reg.bin", snapshot);
  output = Run("-d");
  EXPECT_NE(output.find("Comparing Registry  \nc:\\vastrel\\reg.bin: the file is damaged"),
            std::string::npos)
      << output;
  EXPECT_EQ(output.find("INI"), std::string::npos) << output;
}

}  // namespace
