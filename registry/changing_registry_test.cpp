// Capture and comparison of a registry that changes while they walk it, as a
// live system's does: a value, a subkey or a key deleted at any call of the
// walk, between a key's listing and its reading included.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/memory_registry.h"
#include "registry/registry_capture.h"
#include "registry/registry_compare.h"
#include "registry/registry_test_support.h"
#include "test/staged_registry.h"

namespace {

using registry_test::Part;

// A small registry around the key that the next tests change while it is walked.
const std::string kChurned = "HKEY_CURRENT_USER\\Software\\Sample";

void FillAround(platform::MemoryRegistry& r) {
  r.SetString("HKEY_CURRENT_USER\\Software\\Before", "b", "1");
  for (const char* name : {"v0", "v1", "v2"}) r.SetString(kChurned, name, name);
  r.SetString(kChurned + "\\A", "a", "1");
  r.SetString(kChurned + "\\A\\Deep", "d", "1");
  r.SetString(kChurned + "\\B", "b", "1");
  r.SetDword(kChurned + "\\C", "c", 1);
  r.SetString("HKEY_CURRENT_USER\\Software\\Zafter", "z", "1");
  r.SetDword("HKEY_LOCAL_MACHINE\\Software\\Vendor", "Flags", 1);
  r.SetString("HKEY_USERS\\.Default\\Other", "o", "1");
}

// What goes, at one moment of the walk: a value, a subkey, a subkey with
// subkeys of its own, one of those, or the key itself.
const std::vector<std::function<void(platform::MemoryRegistry&)>> kDeletions = {
    [](platform::MemoryRegistry& r) { r.DeleteValue(kChurned, "v1"); },
    [](platform::MemoryRegistry& r) { r.DeleteKey(kChurned + "\\B"); },
    [](platform::MemoryRegistry& r) { r.DeleteKey(kChurned + "\\A"); },
    [](platform::MemoryRegistry& r) { r.DeleteKey(kChurned + "\\A\\Deep"); },
    [](platform::MemoryRegistry& r) { r.DeleteKey(kChurned); },
};

// The lines a walk printed that are not about the changed key: what stopped
// a walk, or a key elsewhere that could not be read.
std::vector<std::string> LinesNotAboutTheChurnedKey(const std::string& console) {
  std::vector<std::string> lines;
  std::istringstream in(console);
  std::string line, previous;
  for (; std::getline(in, line); previous = line) {
    if (line.empty() || line == "\b " || line.starts_with(" Inacessible path error=")) continue;
    if (previous.starts_with(" Inacessible path error=") && registry_test::InKey("[" + line + "]", kChurned)) continue;
    lines.push_back(line);
  }
  return lines;
}

// Runs `walk` over a registry that `fill` makes: once as it is, counting
// its calls to the registry, then once for each deletion at each of those
// calls. `check` follows each run, told whether it was the first.
void WalkWhileChanged(const std::function<void(platform::MemoryRegistry&)>& fill, const std::function<bool()>& walk,
                      const std::function<void(bool quiet)>& check) {
  int calls = 0;
  auto run = [&](std::size_t d, int at) {
    platform::MemoryRegistry registry;
    fill(registry);
    test::StagedRegistry staged(registry);
    staged.SetHook([&, call = 0](const test::StagedRegistry::Point&) mutable {
      if (++call == at) kDeletions[d](registry);
      if (at == 0) calls = call;
    });
    registry_test::UseRegistry use(staged);
    EXPECT_TRUE(walk());
    check(at == 0);
  };
  run(0, 0);
  for (std::size_t d = 0; d < kDeletions.size(); ++d)
    for (int at = 1; at <= calls && !::testing::Test::HasFailure(); ++at) {  // the first failure tells enough
      SCOPED_TRACE("deletion " + std::to_string(d) + " at call " + std::to_string(at));
      run(d, at);
    }
}

// Whatever goes from the key, at whatever call of the walk: the capture goes
// on, every key it wrote leads to a block, the rest of the registry is
// stored as it is, and of the key only what it held.
TEST(CaptureWhileChangedTest, WhatGoesDuringTheWalkIsLeftOutAndTheRestIsWhole) {
  registry_test::WorkFolder work;
  registry_test::Console console;
  std::vector<std::string> quietRest, quietKey;
  WalkWhileChanged(FillAround, [&] { return CaptureRegistry("", work.Path("reg.bin")); }, [&](bool quiet) {
    std::vector<std::string> stored = registry_test::StoredEntries(work.Path("reg.bin"));
    if (quiet) {
      quietRest = Part(stored, kChurned, false);
      quietKey = Part(stored, kChurned, true);
      EXPECT_EQ(console.Text(), "");
      EXPECT_EQ(quietKey.size(), 12u);
      return;
    }
    EXPECT_EQ(LinesNotAboutTheChurnedKey(console.Text()), std::vector<std::string>{});
    EXPECT_EQ(Part(stored, kChurned, false), quietRest);
    for (const std::string& line : Part(stored, kChurned, true))
      EXPECT_NE(std::find(quietKey.begin(), quietKey.end(), line), quietKey.end()) << line;
  });
}

// An installation elsewhere, which the reports show whatever happens to the key.
void FillAndInstallAround(platform::MemoryRegistry& r) {
  FillAround(r);
  r.SetString("HKEY_CURRENT_USER\\Software\\Before", "b", "2");
  r.DeleteValue("HKEY_CURRENT_USER\\Software\\Zafter", "z");
  r.SetString("HKEY_LOCAL_MACHINE\\Software\\Vendor\\Tool", "t", "1");
  r.DeleteKey("HKEY_USERS\\.Default\\Other");
}

// The reports of a comparison in EntryLines' form, the change scripts among them.
std::map<std::string, std::vector<std::string>> Reports(const registry_test::WorkFolder& work) {
  std::map<std::string, std::vector<std::string>> reports;
  for (const char* name : {"new.reg", "mod.reg", "modo.reg", "rem.reg"})
    reports[name] = registry_test::EntryLines(work.Read(name));
  for (const char* name : {"redo.reg", "undo.reg"})
    reports[name] = registry_test::EntryLines(registry_test::ScriptText(work.Read(name)));
  return reports;
}

// The same for the comparison: it goes on, it reports the installation
// elsewhere as it would have, and of the key only what went: a key gone
// before its turn is told as one that cannot be read, and reported removed
// with what it held.
TEST(CompareWhileChangedTest, WhatGoesDuringTheWalkIsReportedRemovedAndTheRestAsItIs) {
  registry_test::WorkFolder work;
  registry_test::Console console;
  std::vector<std::string> storedKey;
  {
    platform::MemoryRegistry before;
    FillAround(before);
    registry_test::UseRegistry use(before);
    ASSERT_TRUE(CaptureRegistry("", work.Path("reg.bin")));
    storedKey = Part(registry_test::StoredEntries(work.Path("reg.bin")), kChurned, true);
  }
  std::map<std::string, std::vector<std::string>> quietReports;
  auto compare = [&] {
    return CompareRegistry(work.Path("reg.bin"), work.Path("new.reg"), work.Path("mod.reg"), work.Path("modo.reg"),
                           work.Path("rem.reg"), work.Path("redo.reg"), work.Path("undo.reg"));
  };
  WalkWhileChanged(FillAndInstallAround, compare, [&](bool quiet) {
    std::map<std::string, std::vector<std::string>> reports = Reports(work);
    if (quiet) {
      quietReports = reports;
      EXPECT_EQ(console.Text(), "");
      EXPECT_EQ(reports["mod.reg"].size(), 2u);
      EXPECT_EQ(reports["rem.reg"].size(), 4u);
      return;
    }
    EXPECT_EQ(LinesNotAboutTheChurnedKey(console.Text()), std::vector<std::string>{});
    for (auto& [name, lines] : reports)
      EXPECT_EQ(Part(lines, kChurned, false), Part(quietReports[name], kChurned, false)) << name;
    for (const char* name : {"new.reg", "mod.reg", "modo.reg"})
      EXPECT_EQ(Part(reports[name], kChurned, true), std::vector<std::string>{}) << name;
    for (const std::string& line : Part(reports["rem.reg"], kChurned, true))
      EXPECT_NE(std::find(storedKey.begin(), storedKey.end(), line), storedKey.end()) << line;
  });
}

}  // namespace
