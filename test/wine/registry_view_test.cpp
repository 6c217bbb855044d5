// The Linux build's view of a prefix's registry files against what a 64-bit
// Windows program sees of the same prefix under Wine: every key and value of
// the five roots, in order and byte for byte (names and string data outside
// ASCII in UTF-8 on both sides), but for what the walk leaves out on both
// sides.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "platform/memory_registry.h"
#include "platform/posix/prefix_registry.h"
#include "test/wine/registry_walk.h"
#include "test/wine/wine_prefix.h"

namespace test {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(RegistryViewTest, TheFilesShowWhatAWindowsProgramInThePrefixSees) {
  WinePrefix prefix;
  std::string dumpFile = prefix.path() + "/../registry-walk.txt";
  RunResult run = prefix.Wine({VASTREL_REGISTRY_DUMP_EXE, "Z:" + dumpFile});
  ASSERT_EQ(run.status, 0) << run.output;
  prefix.WaitForServer();  // the files now hold what Wine had in memory
  std::vector<std::string> windows = Lines(ReadAll(dumpFile));

  platform::MemoryRegistry registry;
  platform::posix::LoadPrefixRegistry(prefix.path(), registry);
  std::vector<std::string> linux = Lines(registry_walk::WalkAll(registry));
  auto keys = std::count_if(windows.begin(), windows.end(), [](const std::string& line) { return line[0] == '['; });
  ASSERT_GT(keys, 5000);

  // The first differences; once the two are out of step, all that follows differs.
  std::string differences;
  for (std::size_t i = 0, shown = 0; i < std::max(windows.size(), linux.size()) && shown < 20; ++i) {
    std::string w = i < windows.size() ? windows[i] : "(end)", l = i < linux.size() ? linux[i] : "(end)";
    if (w == l) continue;
    differences += "line " + std::to_string(i + 1) + ": Windows " + w + "\n" + std::string(13, ' ') + "Linux " + l + "\n";
    ++shown;
  }
  EXPECT_EQ(differences, "");
  std::printf("compared %zu keys in %zu lines\n", static_cast<std::size_t>(keys), windows.size());
}

// The service keeps a walk right when a key changes between the walk's
// check of it and its listing, and speaks UTF-8 (each check prints a line).
TEST(RegistryViewTest, TheRegistryServiceKeepsUpWithTheLiveRegistry) {
  WinePrefix prefix;
  RunResult run = prefix.Wine({VASTREL_REGISTRY_SERVICE_CHECK_EXE});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output.find("FAILED"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("ok a key deleted after its check"), std::string::npos) << run.output;
}

}  // namespace
}  // namespace test
