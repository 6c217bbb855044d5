// vastrel.exe under Wine while another program changes the registry below one
// key of HKEY_CURRENT_USER without pause, as a live system changes it: every
// capture and comparison runs to its end, stops at no key, and gives outside
// that key the snapshot and the reports of a run on the quiet registry.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "registry/registry_test_support.h"
#include "test/temp_folder.h"
#include "test/wine/reg_report.h"
#include "test/wine/wine_keys.h"
#include "test/wine/wine_prefix.h"

namespace fs = std::filesystem;

namespace test {
namespace {

// The key that the churn program changes, under both of its names.
const std::vector<std::string> kChurnedKeys = {R"(HKEY_CURRENT_USER\Software\Vastrel Churn)",
                                               R"(HKEY_USERS\S-1-5-21-0-0-0-1000\Software\Vastrel Churn)"};
constexpr int kChurnedRounds = 3;

// One run of vastrel.exe: what it printed and a copy of the working folder after it.
struct ExeRun {
  std::string output;
  std::string folder;
};

ExeRun RunExe(const WinePrefix& prefix, const char* option, const std::string& copy) {
  // A capture starts from an empty working folder, so that each holds what its run wrote.
  if (option == std::string("-c")) fs::remove_all(prefix.DriveC("vastrel"));
  RunResult run = prefix.Wine({VASTREL_WINDOWS_EXE, option});
  EXPECT_EQ(run.status, 0);
  fs::copy(prefix.DriveC("vastrel"), copy, fs::copy_options::recursive);
  return {run.output, copy};
}

// What Wine changes by itself and what the churn program changes, left out.
std::vector<Restamp> LeftOut() {
  std::vector<Restamp> differences = kWineRestamps;
  for (const std::string& key : kChurnedKeys) differences.push_back({key, std::nullopt});
  return differences;
}

// The registry snapshot and every report, outside what Wine and the churn
// program change; the rest of the working folder as it is.
std::map<std::string, std::string> OutsideTheChurn(const ExeRun& run) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(run.folder)) {
    std::string name = entry.path().filename().string(), text = ReadAll(entry.path());
    if (name == "reg.bin.txt") continue;
    if (name == "reg.bin") text = registry_test::StoredText(entry.path().string());
    if (name == "redo.reg" || name == "undo.reg") text = ScriptAsReport(text);
    if (name.ends_with(".reg") || name == "reg.bin") text = WithoutRestamps(text, LeftOut());
    if (!name.ends_with(".bin") || name == "reg.bin") files[name] = text;
  }
  return files;
}

// The first lines in which two sets of files differ, or nothing.
std::string Differences(const std::map<std::string, std::string>& got,
                        const std::map<std::string, std::string>& expected) {
  std::string differences;
  for (const auto& [name, text] : expected) {
    auto found = got.find(name);
    std::string in = found == got.end() ? "is missing\n" : FirstDifferences(found->second, text, 5);
    if (!in.empty()) differences += name + " " + in;
  }
  for (const auto& [name, text] : got)
    if (!expected.contains(name)) differences += name + " was not expected\n";
  return differences;
}

// What a run printed that tells of a walk that went wrong, or of a key that
// could not be read other than Perflib\009 or one below the churned key.
std::string Complaints(const std::string& output, const std::string& verb) {
  std::string complaints = Faults(output, verb);
  for (const std::string& key : InaccessibleKeys(output)) {
    bool expected = false;
    for (const std::string& known : kKeysVastrelExeCannotOpen) expected |= InKey(key, known, false);
    for (const std::string& churned : kChurnedKeys) expected |= InKey(key, churned);
    if (!expected) complaints += key + "\n";
  }
  return complaints;
}

TEST(ChurnTest, CapturesAndComparisonsOfARegistryThatChangesRunToTheirEndAndLoseNothingElse) {
  WinePrefix prefix;
  TempFolder runs;
  ExeRun quietCapture = RunExe(prefix, "-c", runs.path() + "/quiet-c");
  ExeRun quietCompare = RunExe(prefix, "-d", runs.path() + "/quiet-d");
  ASSERT_EQ(Complaints(quietCapture.output, "Captured") + Complaints(quietCompare.output, "Compared"), "");
  const auto quietSnapshot = OutsideTheChurn(quietCapture), quietReports = OutsideTheChurn(quietCompare);

  const std::string churnOutput = runs.path() + "/churn.txt";
  int churn = prefix.StartWine({VASTREL_WINDOWS_PROGRAMS "/registry_churn.exe", "C:\\churn.stop"}, churnOutput);
  auto waited = std::chrono::steady_clock::now();
  while (ReadAll(churnOutput).find("churning") == std::string::npos &&
         std::chrono::steady_clock::now() - waited < std::chrono::seconds(60))
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_NE(ReadAll(churnOutput).find("churning"), std::string::npos) << ReadAll(churnOutput);

  for (int round = 1; round <= kChurnedRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    ExeRun capture = RunExe(prefix, "-c", runs.path() + "/c" + std::to_string(round));
    ExeRun compare = RunExe(prefix, "-d", runs.path() + "/d" + std::to_string(round));
    EXPECT_EQ(Complaints(capture.output, "Captured"), "") << capture.output;
    EXPECT_EQ(Complaints(compare.output, "Compared"), "") << compare.output;
    bool finished = false;
    std::string stored = registry_test::StoredText(capture.folder + "/reg.bin", &finished);
    EXPECT_TRUE(finished);
    for (const char* root :
         {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS", "HKEY_CURRENT_CONFIG"})
      EXPECT_NE(stored.find("\r\n[" + std::string(root) + "]\r\n"), std::string::npos) << root;
    EXPECT_EQ(Differences(OutsideTheChurn(capture), quietSnapshot), "");
    EXPECT_EQ(Differences(OutsideTheChurn(compare), quietReports), "");
    // How much of the churn the runs met.
    auto inChurn = [](const std::string& line) { return line.find("\\Vastrel Churn") != std::string::npos; };
    auto count = [](const std::string& text, const std::string& what) {
      std::size_t n = 0;
      for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
      return n;
    };
    std::printf("round %d: reg.bin %ju bytes (quiet %ju), %zu lines of keys and values in the churned key; "
                "the capture printed %zu lines, %zu of them naming a churned key gone, the comparison %zu and %zu\n",
                round, static_cast<std::uintmax_t>(fs::file_size(capture.folder + "/reg.bin")),
                static_cast<std::uintmax_t>(fs::file_size(quietCapture.folder + "/reg.bin")),
                static_cast<std::size_t>(std::ranges::count_if(registry_test::EntryLines(stored), inChurn)),
                count(capture.output, "\n"), count(capture.output, "Vastrel Churn\\"), count(compare.output, "\n"),
                count(compare.output, "Vastrel Churn\\"));
  }

  WriteAll(prefix.DriveC("churn.stop"), "");
  EXPECT_EQ(Wait(churn), 0);
  std::printf("the churn program: %s", ReadAll(churnOutput).c_str());
}

}  // namespace
}  // namespace test
