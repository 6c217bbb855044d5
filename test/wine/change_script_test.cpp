// redo.reg and undo.reg as a user meets them: a capture, an installation
// made with reg add and reg delete, a comparison; then `regedit /S redo.reg`
// in a copy of the prefix as it was before the installation must give the
// registry as it is after it, and `regedit /S undo.reg` in a copy of the
// installed prefix the registry as it was before, key by key and value by
// value as the Linux build reads the prefixes.

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/memory_registry.h"
#include "platform/posix/prefix_registry.h"
#include "test/wine/registry_walk.h"
#include "test/wine/wine_prefix.h"

namespace test {
namespace {

// Before the capture.
const std::vector<std::string> kSetupCommands = {
    R"(reg add "HKCU\Software\Vastrel Scripts" /v Keep /t REG_SZ /d same /f)",
    R"(reg add "HKCU\Software\Vastrel Scripts" /v Change /t REG_SZ /d before /f)",
    R"(reg add "HKCU\Software\Vastrel Scripts" /v Kind /t REG_SZ /d 7 /f)",
    R"(reg add "HKCU\Software\Vastrel Scripts" /v Obsolete /t REG_DWORD /d 1 /f)",
    R"(reg add "HKCU\Software\Vastrel Scripts" /v "Quoted \"name\" \\" /t REG_SZ /d "C:\Old \"Tool\"" /f)",
    R"(reg add "HKCU\Software\Vastrel Scripts" /v Nothing /t REG_NONE /f)",
    R"(reg add "HKCU\Software\Vastrel Scripts\Old Key" /v Leftover /t REG_SZ /d gone /f)",
    R"(reg add "HKCU\Software\Vastrel Scripts\Old Key\Deeper" /ve /t REG_SZ /d deep /f)",
    R"(reg add "HKCU\Software\Vastrel Scripts\CaseKey" /v Spelling /t REG_SZ /d old /f)",
    R"(reg add "HKCU\Software\Vastrel Scripts\Emptied" /v First /t REG_SZ /d 1 /f)",
    R"(reg add "HKCU\Software\Vastrel Scripts\Emptied" /v Second /t REG_DWORD /d 2 /f)",
    R"(reg add "HKLM\Software\Vastrel Scripts" /v Level /t REG_DWORD /d 1 /f)",
    R"(reg add "HKLM\Software\Vastrel Scripts" /v Path /t REG_EXPAND_SZ /d "%%SystemRoot%%\old" /f)",
};

// The installation: every type, strings with backslashes and quotes, a
// changed type, removed values, a removed subtree, a key renamed in letter
// case, a new subtree under a key whose values went.
const std::vector<std::string> kInstallCommands = {
    R"(reg add "HKLM\Software\Vastrel Scripts" /v Level /t REG_DWORD /d 2 /f)",
    R"(reg add "HKLM\Software\Vastrel Scripts" /v Path /t REG_EXPAND_SZ /d "%%SystemRoot%%\new;C:\Program Files\Tool" /f)",
    R"(reg add "HKLM\Software\Vastrel Scripts\Tool" /ve /t REG_SZ /d "C:\Program Files\Sample \"Tool\"" /f)",
    R"(reg add "HKLM\Software\Vastrel Scripts\Tool" /v Names /t REG_MULTI_SZ /d "one\0two" /f)",
    R"(reg add "HKLM\Software\Vastrel Scripts\Tool" /v Blob /t REG_BINARY /d 000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F202122232425262728292A2B2C2D2E2F /f)",
    R"(reg add "HKLM\Software\Vastrel Scripts\Tool" /v Flags /t REG_DWORD /d 42 /f)",
    R"(reg add "HKLM\Software\Vastrel Scripts\Tool" /v Big /t REG_QWORD /d 0x100000000 /f)",
    R"(reg add "HKLM\Software\Vastrel Scripts\Tool" /v Nothing /t REG_NONE /f)",
    R"(reg add "HKLM\Software\Vastrel Scripts\Tool\Empty" /f)",
    R"(reg add "HKCU\Software\Vastrel Scripts" /v Change /t REG_SZ /d after /f)",
    R"(reg add "HKCU\Software\Vastrel Scripts" /v Kind /t REG_EXPAND_SZ /d 7 /f)",
    R"(reg add "HKCU\Software\Vastrel Scripts" /v "Quoted \"name\" \\" /t REG_SZ /d "C:\New \"Tool\"\\" /f)",
    R"(reg delete "HKCU\Software\Vastrel Scripts" /v Obsolete /f)",
    R"(reg delete "HKCU\Software\Vastrel Scripts" /v Nothing /f)",
    R"(reg delete "HKCU\Software\Vastrel Scripts\Old Key" /f)",
    R"(reg delete "HKCU\Software\Vastrel Scripts\CaseKey" /f)",
    R"(reg add "HKCU\Software\Vastrel Scripts\CASEKEY" /v Spelling /t REG_SZ /d new /f)",
    R"(reg delete "HKCU\Software\Vastrel Scripts\Emptied" /va /f)",
    R"(reg add "HKCU\Software\Vastrel Scripts\Emptied\Fresh" /v Inside /t REG_SZ /d 1 /f)",
};

// Values Wine itself stamps anew when it starts, whatever was imported.
const std::vector<std::pair<std::string, std::string>> kWineRestamps = {
    {R"(\Control\Class\{4D36E968-E325-11CE-BFC1-08002BE10318}\0000)", "DriverDateData"},
};

// The prefix's registry as the Linux build reads it from the files: for
// each key its line of counts and its value lines, Wine's re-stamps set
// aside (and printed, to show what went).
std::map<std::string, std::string> Registry(const WinePrefix& prefix) {
  prefix.WaitForServer();
  platform::MemoryRegistry registry;
  platform::posix::LoadPrefixRegistry(prefix.path(), registry);
  std::istringstream walk(registry_walk::WalkAll(registry));
  std::map<std::string, std::string> keys;
  std::string key;
  for (std::string line; std::getline(walk, line);) {
    if (line.starts_with("[")) {
      key = line.substr(0, line.find("] ") + 1);
      keys[key] = line + "\n";
      continue;
    }
    bool restamp = false;
    for (const auto& [keyEnd, value] : kWineRestamps)
      restamp = restamp || (key.ends_with(keyEnd + "]") && line.starts_with(value + "|"));
    if (restamp) continue;
    keys[key] += line + "\n";
  }
  return keys;
}

// The keys where two registries differ, each with both sides.
std::string Differences(const std::map<std::string, std::string>& got,
                        const std::map<std::string, std::string>& want) {
  std::string out;
  for (const auto& [key, lines] : want)
    if (!got.contains(key) || got.at(key) != lines)
      out += "want " + lines + (got.contains(key) ? " got " + got.at(key) : " got no such key\n");
  for (const auto& [key, lines] : got)
    if (!want.contains(key)) out += "got a key too many: " + lines;
  return out;
}

TEST(ChangeScriptTest, RedoReplaysTheInstallationAndUndoTakesItBack) {
  WinePrefix installed;
  RunResult setup = installed.RunBatch("setup.bat", kSetupCommands);
  ASSERT_EQ(setup.status, 0) << setup.output;
  std::unique_ptr<WinePrefix> before = WinePrefix::CopyOf(installed);
  RunResult capture = installed.Host(VASTREL_EXE, {"-c"});
  ASSERT_EQ(capture.status, 0) << capture.output;
  RunResult install = installed.RunBatch("install.bat", kInstallCommands);
  ASSERT_EQ(install.status, 0) << install.output;
  RunResult compare = installed.Host(VASTREL_EXE, {"-d"});
  ASSERT_EQ(compare.status, 0) << compare.output;
  const std::string redo = installed.DriveC("vastrel/redo.reg"), undo = installed.DriveC("vastrel/undo.reg");
  const std::map<std::string, std::string> beforeKeys = Registry(*before), installedKeys = Registry(installed);
  ASSERT_NE(Differences(installedKeys, beforeKeys), "");

  // The scripts are regedit's own format: it imports them without a word.
  std::unique_ptr<WinePrefix> redone = std::move(before);
  RunResult imported = redone->Wine({"regedit", "/S", "Z:" + redo});
  EXPECT_EQ(imported.status, 0) << imported.output;
  EXPECT_EQ(Differences(Registry(*redone), installedKeys), "") << ReadAll(redo).size() << " bytes of redo.reg";

  std::unique_ptr<WinePrefix> undone = WinePrefix::CopyOf(installed);
  imported = undone->Wine({"regedit", "/S", "Z:" + undo});
  EXPECT_EQ(imported.status, 0) << imported.output;
  EXPECT_EQ(Differences(Registry(*undone), beforeKeys), "");
}

}  // namespace
}  // namespace test
