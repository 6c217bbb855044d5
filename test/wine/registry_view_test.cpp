// The Linux build's view of a prefix's registry files against what a 64-bit
// Windows program sees of the same prefix under Wine: every key and value of
// the five roots, in order and byte for byte, but for what the walk leaves
// out on both sides and text outside ASCII in values (the Windows side gets
// it in its ANSI code page).

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

// A value line ("name|type|hex data") whose name or string data holds text
// outside ASCII.
bool NonAsciiValue(const std::string& line) {
  std::size_t bar = line.find('|'), second = line.find('|', bar + 1);
  std::string name = line.substr(0, bar);
  for (std::size_t i = 0; i + 3 < name.size(); ++i)
    if (name[i] == '\\' && name[i + 1] == 'x' && name[i + 2] >= '8') return true;
  if (name.find('?') != std::string::npos) return true;
  int type = std::atoi(line.c_str() + bar + 1);
  if (type != 1 && type != 2 && type != 7) return false;
  for (std::size_t i = second + 1; i + 1 < line.size(); i += 2)
    if (line[i] >= '8') return true;
  return false;
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
    if (w == l || (w[0] != '[' && l[0] != '[' && NonAsciiValue(l))) continue;
    differences += "line " + std::to_string(i + 1) + ": Windows " + w + "\n" + std::string(13, ' ') + "Linux " + l + "\n";
    ++shown;
  }
  EXPECT_EQ(differences, "");
  std::printf("compared %zu keys in %zu lines\n", static_cast<std::size_t>(keys), windows.size());
}

}  // namespace
}  // namespace test
