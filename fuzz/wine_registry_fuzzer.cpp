// Wine's registry file parser on any text, then a walk of what it built, as
// the capture walks it: every key opened, queried and listed.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/memory_registry.h"
#include "platform/posix/wine_registry_reader.h"

namespace {

using platform::MemoryRegistry;

// Lists `key` and walks its subkeys, no deeper than a registry path could be
// followed through links; what it sees goes to `seen`.
void Walk(MemoryRegistry& registry, platform::RegistryKey key, int depth, int& budget, std::string& seen) {
  char className[260];
  std::uint32_t classLength = sizeof className;
  platform::RegistryKeyInfo info;
  if (registry.QueryInfoKey(key, className, &classLength, &info) != platform::kErrorSuccess) return;
  seen.append(className, classLength) += '\n';
  std::vector<std::uint8_t> data(static_cast<std::size_t>(info.maxValueLength) * 2 + 2);
  char name[2048];
  for (std::uint32_t i = 0; i < info.values; ++i) {
    std::uint32_t nameLength = sizeof name, type = 0, dataLength = static_cast<std::uint32_t>(data.size());
    if (registry.EnumValue(key, i, name, &nameLength, &type, data.data(), &dataLength) != platform::kErrorSuccess)
      break;
    if (dataLength > data.size() || nameLength >= sizeof name) __builtin_trap();
    seen.append(name, nameLength).append(std::to_string(type)).append(data.begin(), data.begin() + dataLength) += '\n';
  }
  for (std::uint32_t i = 0; i < info.subKeys && --budget > 0; ++i) {
    if (registry.EnumKey(key, i, name, sizeof name) != platform::kErrorSuccess) break;
    seen.append(name) += '\n';
    platform::RegistryKey subkey;
    if (depth < 24 && registry.OpenKey(key, name, &subkey) == platform::kErrorSuccess) {
      Walk(registry, subkey, depth + 1, budget, seen);
      registry.CloseKey(subkey);
    }
  }
}

// Reads `text` as system.reg and walks it.
std::string ReadAndWalk(std::string_view text) {
  MemoryRegistry registry;
  platform::posix::WineRegistryReader reader(registry);
  reader.ReadText(text, "system.reg", registry.RootKey(platform::kLocalMachine));
  reader.Finish();
  std::string seen = std::to_string(reader.badLines()) + '\n';
  int budget = 10000;
  for (platform::RegistryKey root : {platform::kLocalMachine, platform::kClassesRoot}) {
    platform::RegistryKey key;
    if (registry.OpenKey(root, "", &key) != platform::kErrorSuccess) continue;
    Walk(registry, key, 0, budget, seen);
    registry.CloseKey(key);
  }
  return seen;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The reader reports unreadable lines on the console; the fuzzer needs no copy.
  if (!std::freopen("/dev/null", "w", stdout)) return 1;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  ReadAndWalk(text);
  return 0;
}
