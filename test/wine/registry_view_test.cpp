// The Linux build's view of a prefix's registry files against what a 64-bit
// Windows program sees of the same prefix under Wine: every key and value of
// the five roots, in order and byte for byte, apart from what only a running
// Wine has (keys it makes at start-up), text outside ASCII (the Windows side
// gets it in its ANSI code page) and the performance-data key Perflib\009.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/memory_registry.h"
#include "platform/posix/prefix_registry.h"
#include "test/run.h"
#include "test/wine/registry_walk.h"
#include "test/wine/wine_prefix.h"

namespace test {
namespace {

// The service through the walk's five operations.
struct ServiceApi {
  platform::Registry& registry;
  using Key = platform::RegistryKey;
  std::uint32_t Open(std::uintptr_t root, const char* subPath, Key* key) {
    return registry.OpenKey(root, subPath, key);
  }
  std::uint32_t Query(Key key, std::uint32_t* subkeys, std::uint32_t* values, std::uint32_t* maxValueLength) {
    char className[260];
    std::uint32_t classLength = sizeof className;
    platform::RegistryKeyInfo info;
    std::uint32_t error = registry.QueryInfoKey(key, className, &classLength, &info);
    *subkeys = info.subKeys, *values = info.values, *maxValueLength = info.maxValueLength;
    return error;
  }
  std::uint32_t EnumValue(Key key, std::uint32_t index, char* name, std::uint32_t* nameLength,
                          std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataLength) {
    return registry.EnumValue(key, index, name, nameLength, type, data, dataLength);
  }
  std::uint32_t EnumKey(Key key, std::uint32_t index, char* name, std::uint32_t size) {
    return registry.EnumKey(key, index, name, size);
  }
  void Close(Key key) { registry.CloseKey(key); }
};

// One key of a walk: the rest of its header line, and its value lines.
struct Block {
  std::string path;
  std::string header;
  std::vector<std::string> values;
};

std::vector<Block> Parse(const std::string& walk) {
  std::vector<Block> blocks;
  std::istringstream lines(walk);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.size() > 1 && line[0] == '[') {
      std::size_t close = line.rfind("] ");
      blocks.push_back({line.substr(1, close - 1), line.substr(close + 2), {}});
    } else if (!blocks.empty()) {
      blocks.back().values.push_back(line);
    }
  }
  return blocks;
}

// Keys that Wine makes when it starts and never writes to the files.
bool OnlyWhileWineRuns(const std::string& path) {
  static const std::vector<std::string> kMachine = {
      "\\Hardware",
      "\\System\\MountedDevices",
      "\\System\\CurrentControlSet\\Control\\ServiceCurrent",
      "\\System\\CurrentControlSet\\Control\\ComputerName\\ActiveComputerName",
      "\\System\\CurrentControlSet\\Control\\Video",
      "\\Software\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards",
      "\\Software\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards",
  };
  static const std::vector<std::string> kUser = {
      "\\Software\\Wine\\Fonts\\Cache",
      "\\Software\\Wine\\Temporary System Parameters",
  };
  auto below = [&](const std::string& root, const std::vector<std::string>& keys) {
    for (const std::string& key : keys) {
      std::string prefix = root + key;
      if (path.compare(0, prefix.size(), prefix) == 0 && (path.size() == prefix.size() || path[prefix.size()] == '\\'))
        return true;
    }
    return false;
  };
  // Device interfaces get a volatile "Control" subkey.
  bool deviceControl = path.find("\\Control\\DeviceClasses\\") != std::string::npos &&
                       path.size() > 10 && path.compare(path.size() - 10, 10, "\\#\\Control") == 0;
  return deviceControl || below("HKEY_LOCAL_MACHINE", kMachine) || below("HKEY_CURRENT_USER", kUser) ||
         below("HKEY_USERS\\S-1-5-21-0-0-0-1000", kUser);
}

// Text outside ASCII in a key path: %80 to %ff in the walk's escapes, or
// the question marks that the ANSI side made of it.
bool NonAsciiPath(const std::string& path) {
  for (std::size_t i = 0; i + 2 < path.size(); ++i)
    if (path[i] == '%' && path[i + 1] >= '8') return true;
  return path.find('?') != std::string::npos;
}

bool Skipped(const std::string& path) {
  return OnlyWhileWineRuns(path) || NonAsciiPath(path) || path.ends_with("\\Perflib\\009");
}

// A value line whose name or string data holds text outside ASCII.
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

// How many subkeys of each key are skipped.
std::map<std::string, unsigned> SkippedSubkeys(const std::vector<Block>& blocks) {
  std::map<std::string, unsigned> counts;
  for (const Block& block : blocks) {
    std::size_t slash = block.path.rfind('\\');
    if (slash != std::string::npos && Skipped(block.path)) ++counts[block.path.substr(0, slash)];
  }
  return counts;
}

// The header with its subkey count less the subkeys that are skipped.
std::string Header(const Block& block, std::map<std::string, unsigned>& skipped) {
  if (!block.header.starts_with("keys=")) return block.header;
  std::size_t space = block.header.find(' ');
  return "keys=" + std::to_string(std::stoul(block.header.substr(5)) - skipped[block.path]) +
         block.header.substr(space);
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(RegistryViewTest, TheFilesShowWhatAWindowsProgramInThePrefixSees) {
  WinePrefix prefix;
  std::string dumpFile = prefix.path() + "/../registry-walk.txt";
  RunResult run = prefix.Wine({VASTREL_REGISTRY_DUMP_EXE, "Z:" + dumpFile});
  ASSERT_EQ(run.status, 0) << run.output;
  prefix.WaitForServer();  // the files now hold what Wine had in memory
  std::vector<Block> windows = Parse(ReadAll(dumpFile));

  platform::MemoryRegistry registry;
  platform::posix::LoadPrefixRegistry(prefix.path(), registry);
  ServiceApi api{registry};
  std::vector<Block> linux = Parse(registry_walk::WalkAll(api));
  ASSERT_GT(windows.size(), 5000u);

  std::vector<std::string> differences;
  auto kept = [](const std::vector<Block>& blocks) {
    std::vector<const Block*> out;
    for (const Block& block : blocks)
      if (!Skipped(block.path)) out.push_back(&block);
    return out;
  };
  std::vector<const Block*> w = kept(windows), l = kept(linux);
  std::map<std::string, unsigned> skippedWindows = SkippedSubkeys(windows), skippedLinux = SkippedSubkeys(linux);
  std::size_t i = 0, j = 0, compared = 0, values = 0;
  while ((i < w.size() || j < l.size()) && differences.size() < 20) {
    if (i == w.size() || (j < l.size() && w[i]->path != l[j]->path)) {
      // Keys out of step: name the first one of each side and stop.
      differences.push_back("key order: Windows " + (i < w.size() ? w[i]->path : "(end)") + ", Linux " +
                            (j < l.size() ? l[j]->path : "(end)"));
      break;
    }
    const Block& a = *w[i++];
    const Block& b = *l[j++];
    ++compared;
    if (Header(a, skippedWindows) != Header(b, skippedLinux))
      differences.push_back(a.path + ": Windows " + a.header + ", Linux " + b.header);
    if (a.values.size() != b.values.size()) {
      differences.push_back(a.path + ": " + std::to_string(a.values.size()) + " values on Windows, " +
                            std::to_string(b.values.size()) + " on Linux");
      continue;
    }
    for (std::size_t k = 0; k < a.values.size(); ++k, ++values)
      if (a.values[k] != b.values[k] && !NonAsciiValue(b.values[k]))
        differences.push_back(a.path + ": Windows " + a.values[k] + ", Linux " + b.values[k]);
  }
  std::string report;
  for (const std::string& difference : differences) report += difference + "\n";
  EXPECT_TRUE(differences.empty()) << report;
  std::printf("compared %zu keys and %zu values; %zu keys on the Windows side are only there while Wine runs "
              "or are not ASCII\n",
              compared, values, windows.size() - w.size());
  std::filesystem::remove(dumpFile);
}

}  // namespace
}  // namespace test
