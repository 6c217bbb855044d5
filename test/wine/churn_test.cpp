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
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/text.h"
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
  std::string File(const std::string& name) const { return ReadAll(folder + "/" + name); }
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

// A change script in a report's layout, as UTF-8; a key deleted is a key.
std::string ScriptAsReport(const std::string& bytes) {
  std::u16string units;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
    units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
  std::string text = platform::Utf16ToUtf8(units);
  for (std::size_t at; (at = text.find("\r\n[-")) != std::string::npos;) text.erase(at + 3, 1);
  // The header line, then the keys and a blank line, or nothing more.
  const std::string header = "Windows Registry Editor Version 5.00\r\n";
  if (text == header) text += "\r\n";
  if (!text.starts_with(header) || !text.ends_with("\r\n\r\n")) throw std::runtime_error("not a change script: " + text);
  return "REGEDIT4\r\n\r\n;   script\r\n\r\n" + text.substr(header.size(), text.size() - header.size() - 2);
}

// The registry snapshot and every report, outside what Wine and the churn
// program change; the rest of the working folder as it is.
std::map<std::string, std::string> OutsideTheChurn(const ExeRun& run) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(run.folder)) {
    std::string name = entry.path().filename().string(), text = run.File(name);
    if (name == "reg.bin.txt") continue;
    if (name == "reg.bin") text = registry_test::StoredText(entry.path().string());
    if (name == "redo.reg" || name == "undo.reg") text = ScriptAsReport(text);
    if (name.ends_with(".reg") || name == "reg.bin") text = WithoutRestamps(text, LeftOut());
    if (!name.ends_with(".bin") || name == "reg.bin") files[name] = text;
  }
  return files;
}

// The first lines in which two sets of files differ, or nothing. (The files
// are too large for gtest to show their differences.)
std::string Differences(const std::map<std::string, std::string>& got,
                        const std::map<std::string, std::string>& expected) {
  std::string differences;
  for (const auto& [name, text] : expected) {
    auto found = got.find(name);
    if (found == got.end()) {
      differences += name + " is missing\n";
      continue;
    }
    std::istringstream a(found->second), b(text);
    std::string lineA, lineB;
    for (int line = 1, shown = 0; shown < 5; ++line) {
      bool moreA = static_cast<bool>(std::getline(a, lineA)), moreB = static_cast<bool>(std::getline(b, lineB));
      if (!moreA && !moreB) break;
      if (moreA && moreB && lineA == lineB) continue;
      differences += name + " line " + std::to_string(line) + ": " + (moreA ? lineA : "(end)") + "\n  instead of " +
                     (moreB ? lineB : "(end)") + "\n";
      ++shown;
    }
  }
  for (const auto& [name, text] : got)
    if (!expected.contains(name)) differences += name + " was not expected\n";
  return differences;
}

// The lines of a run's output that tell of a walk that stopped, or of a key
// that could not be read other than Perflib\009 or one of the churned keys.
std::vector<std::string> Complaints(const std::string& output) {
  std::vector<std::string> complaints;
  for (const char* stop : {"path not found", "\nError ", "The snapshot ends"})
    if (output.find(stop) != std::string::npos) complaints.push_back(stop);
  const std::string message = " Inacessible path error=";
  for (std::size_t at = output.find(message); at != std::string::npos; at = output.find(message, at + 1)) {
    std::size_t start = output.find('\n', at) + 1;
    std::string key = output.substr(start, output.find('\n', start) - start);
    bool expected = false;
    for (const std::string& known : kKeysVastrelExeCannotOpen) expected |= InKey(key, known, false);
    for (const std::string& churned : kChurnedKeys) expected |= InKey(key, churned);
    if (!expected) complaints.push_back(key);
  }
  return complaints;
}

// The number of keys that an Inacessible line names below the churned key.
std::size_t ChurnedKeysTold(const std::string& output) {
  std::size_t told = 0;
  for (std::size_t at = output.find("Vastrel Churn\\"); at != std::string::npos; at = output.find("Vastrel Churn\\", at + 1))
    ++told;
  return told;
}

TEST(ChurnTest, CapturesAndComparisonsOfARegistryThatChangesRunToTheirEndAndLoseNothingElse) {
  WinePrefix prefix;
  TempFolder runs;
  const std::vector<std::string> steps = {"Registry        ", "C:\\windows              ",
                                          "C:\\Program Files              ", "C:\\Program Files (x86)              ",
                                          "INI File        "};
  ExeRun quietCapture = RunExe(prefix, "-c", runs.path() + "/quiet-c");
  ExeRun quietCompare = RunExe(prefix, "-d", runs.path() + "/quiet-d");
  ASSERT_EQ(Complaints(quietCapture.output + quietCompare.output), std::vector<std::string>{});
  const auto quietSnapshot = OutsideTheChurn(quietCapture), quietReports = OutsideTheChurn(quietCompare);

  const std::string churnOutput = runs.path() + "/churn.txt";
  int churn = prefix.StartWine({VASTREL_REGISTRY_CHURN_EXE, "C:\\churn.stop"}, churnOutput);
  auto waited = std::chrono::steady_clock::now();
  while (ReadAll(churnOutput).find("churning") == std::string::npos &&
         std::chrono::steady_clock::now() - waited < std::chrono::seconds(60))
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_NE(ReadAll(churnOutput).find("churning"), std::string::npos) << ReadAll(churnOutput);

  for (int round = 1; round <= kChurnedRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    ExeRun capture = RunExe(prefix, "-c", runs.path() + "/c" + std::to_string(round));
    ExeRun compare = RunExe(prefix, "-d", runs.path() + "/d" + std::to_string(round));
    for (const ExeRun* run : {&capture, &compare}) {
      const std::string verb = run == &capture ? "\rCaptured " : "\rCompared ";
      for (const std::string& step : steps) EXPECT_NE(run->output.find(verb + step + "\n"), std::string::npos) << step;
      EXPECT_TRUE(run->output.ends_with("Press any key to continue\r\n")) << run->output;
      EXPECT_EQ(Complaints(run->output), std::vector<std::string>{}) << run->output;
    }
    bool finished = false;
    std::string stored = registry_test::StoredText(capture.folder + "/reg.bin", &finished);
    EXPECT_TRUE(finished);
    for (const char* root :
         {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS", "HKEY_CURRENT_CONFIG"})
      EXPECT_NE(stored.find("\r\n[" + std::string(root) + "]\r\n"), std::string::npos) << root;
    EXPECT_EQ(Differences(OutsideTheChurn(capture), quietSnapshot), "");
    EXPECT_EQ(Differences(OutsideTheChurn(compare), quietReports), "");
    std::size_t churnedLines = 0;
    for (const std::string& line : registry_test::EntryLines(stored))
      churnedLines += line.find("\\Vastrel Churn") != std::string::npos;
    auto lines = [](const std::string& output) { return std::count(output.begin(), output.end(), '\n'); };
    std::printf("round %d: reg.bin %ju bytes (quiet %ju), %zu lines of keys and values in the churned key; "
                "the capture printed %td lines, %zu of them naming a churned key gone, the comparison %td and %zu\n",
                round, static_cast<std::uintmax_t>(fs::file_size(capture.folder + "/reg.bin")),
                static_cast<std::uintmax_t>(fs::file_size(quietCapture.folder + "/reg.bin")), churnedLines,
                lines(capture.output), ChurnedKeysTold(capture.output), lines(compare.output),
                ChurnedKeysTold(compare.output));
  }

  WriteAll(prefix.DriveC("churn.stop"), "");
  EXPECT_EQ(Wait(churn), 0);
  std::printf("the churn program: %s", ReadAll(churnOutput).c_str());
}

}  // namespace
}  // namespace test
