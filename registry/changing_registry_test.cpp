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
#include "platform/text.h"
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

// Whatever goes from the key, at whatever call of the walk: the capture goes
// on, every key it wrote leads to a block, the rest of the registry is
// stored as it is, and of the key only what it held.
TEST(CaptureWhileChangedTest, WhatGoesDuringTheWalkIsLeftOutAndTheRestIsWhole) {
  registry_test::WorkFolder work;
  const std::string snapshot = work.Path("reg.bin");
  registry_test::Console console;
  std::vector<std::string> quiet;
  int calls = 0;
  {
    platform::MemoryRegistry registry;
    FillAround(registry);
    test::StagedRegistry staged(registry);
    staged.SetHook([&](const test::StagedRegistry::Point&) { ++calls; });
    registry_test::UseRegistry use(staged);
    ASSERT_TRUE(CaptureRegistry("", snapshot));
    quiet = registry_test::StoredEntries(snapshot);
  }
  ASSERT_EQ(console.Text(), "");
  const std::vector<std::string> quietRest = Part(quiet, kChurned, false);
  const std::vector<std::string> quietKey = Part(quiet, kChurned, true);
  ASSERT_EQ(quietKey.size(), 12u);

  for (std::size_t d = 0; d < kDeletions.size(); ++d)
    for (int at = 1; at <= calls; ++at) {
      SCOPED_TRACE("deletion " + std::to_string(d) + " at call " + std::to_string(at));
      platform::MemoryRegistry registry;
      FillAround(registry);
      test::StagedRegistry staged(registry);
      staged.SetHook([&, call = 0](const test::StagedRegistry::Point&) mutable {
        if (++call == at) kDeletions[d](registry);
      });
      registry_test::UseRegistry use(staged);
      EXPECT_TRUE(CaptureRegistry("", snapshot));
      EXPECT_EQ(LinesNotAboutTheChurnedKey(console.Text()), std::vector<std::string>{});
      std::vector<std::string> stored = registry_test::StoredEntries(snapshot);
      EXPECT_EQ(Part(stored, kChurned, false), quietRest);
      for (const std::string& line : Part(stored, kChurned, true))
        EXPECT_NE(std::find(quietKey.begin(), quietKey.end(), line), quietKey.end()) << line;
      if (HasFailure()) return;  // the first point that fails tells enough
    }
}

// An installation elsewhere, which the reports show whatever happens to the key.
void InstallAround(platform::MemoryRegistry& r) {
  r.SetString("HKEY_CURRENT_USER\\Software\\Before", "b", "2");
  r.DeleteValue("HKEY_CURRENT_USER\\Software\\Zafter", "z");
  r.SetString("HKEY_LOCAL_MACHINE\\Software\\Vendor\\Tool", "t", "1");
  r.DeleteKey("HKEY_USERS\\.Default\\Other");
}

// The reports of a comparison in EntryLines' form; the change scripts as UTF-8.
std::map<std::string, std::vector<std::string>> Reports(const registry_test::WorkFolder& work) {
  std::map<std::string, std::vector<std::string>> reports;
  for (const char* name : {"new.reg", "mod.reg", "modo.reg", "rem.reg"})
    reports[name] = registry_test::EntryLines(work.Read(name));
  for (const char* name : {"redo.reg", "undo.reg"}) {
    std::string bytes = work.Read(name);
    std::u16string units;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
      units += static_cast<char16_t>(static_cast<std::uint8_t>(bytes[i]) | static_cast<std::uint8_t>(bytes[i + 1]) << 8);
    reports[name] = registry_test::EntryLines(platform::Utf16ToUtf8(units));
  }
  return reports;
}

bool Compare() {
  using registry_test::WorkFolder;
  return CompareRegistry(WorkFolder::Path("reg.bin"), WorkFolder::Path("new.reg"), WorkFolder::Path("mod.reg"),
                         WorkFolder::Path("modo.reg"), WorkFolder::Path("rem.reg"), WorkFolder::Path("redo.reg"),
                         WorkFolder::Path("undo.reg"));
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
  std::map<std::string, std::vector<std::string>> quiet;
  int calls = 0;
  {
    platform::MemoryRegistry after;
    FillAround(after);
    InstallAround(after);
    test::StagedRegistry staged(after);
    staged.SetHook([&](const test::StagedRegistry::Point&) { ++calls; });
    registry_test::UseRegistry use(staged);
    ASSERT_TRUE(Compare());
    quiet = Reports(work);
  }
  ASSERT_EQ(console.Text(), "");
  ASSERT_EQ(quiet["mod.reg"].size(), 2u);
  ASSERT_EQ(quiet["rem.reg"].size(), 4u);

  for (std::size_t d = 0; d < kDeletions.size(); ++d)
    for (int at = 1; at <= calls; ++at) {
      SCOPED_TRACE("deletion " + std::to_string(d) + " at call " + std::to_string(at));
      platform::MemoryRegistry after;
      FillAround(after);
      InstallAround(after);
      test::StagedRegistry staged(after);
      staged.SetHook([&, call = 0](const test::StagedRegistry::Point&) mutable {
        if (++call == at) kDeletions[d](after);
      });
      registry_test::UseRegistry use(staged);
      EXPECT_TRUE(Compare());
      EXPECT_EQ(LinesNotAboutTheChurnedKey(console.Text()), std::vector<std::string>{});
      std::map<std::string, std::vector<std::string>> reports = Reports(work);
      for (auto& [name, lines] : reports) EXPECT_EQ(Part(lines, kChurned, false), Part(quiet[name], kChurned, false)) << name;
      for (const char* name : {"new.reg", "mod.reg", "modo.reg"})
        EXPECT_EQ(Part(reports[name], kChurned, true), std::vector<std::string>{}) << name;
      for (const std::string& line : Part(reports["rem.reg"], kChurned, true))
        EXPECT_NE(std::find(storedKey.begin(), storedKey.end(), line), storedKey.end()) << line;
      if (HasFailure()) return;
    }
}

}  // namespace
