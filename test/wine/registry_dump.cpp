// Walks the registry as a 64-bit Windows program sees it and writes the walk
// to the file named by the first argument. Built with mingw-w64 and run under
// Wine, it shows what the Linux build must see in the same prefix's files.

#include <windows.h>

#include <cstdio>

#include "test/wine/registry_walk.h"

namespace {

// The registry service over the ANSI registry calls, and nothing else.
struct Win32Registry : platform::Registry {
  static HKEY Key(platform::RegistryKey key) { return reinterpret_cast<HKEY>(key); }
  std::uint32_t OpenKey(platform::RegistryKey parent, const char* subKey, platform::RegistryKey* result) override {
    HKEY key = nullptr;
    LONG error = RegOpenKeyExA(Key(parent), subKey, 0, KEY_READ, &key);
    *result = reinterpret_cast<platform::RegistryKey>(key);
    return error;
  }
  std::uint32_t QueryInfoKey(platform::RegistryKey key, char* className, std::uint32_t* classLength,
                             platform::RegistryKeyInfo* info) override {
    DWORD length = *classLength, subKeys = 0, values = 0, maxValueLength = 0;
    LONG error = RegQueryInfoKeyA(Key(key), className, &length, nullptr, &subKeys, nullptr, nullptr, &values,
                                  nullptr, &maxValueLength, nullptr, nullptr);
    *classLength = length, info->subKeys = subKeys, info->values = values, info->maxValueLength = maxValueLength;
    return error;
  }
  std::uint32_t EnumValue(platform::RegistryKey key, std::uint32_t index, char* name, std::uint32_t* nameLength,
                          std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataLength) override {
    DWORD n = *nameLength, t = 0, d = *dataLength;
    LONG error = RegEnumValueA(Key(key), index, name, &n, nullptr, &t, data, &d);
    *nameLength = n, *type = t, *dataLength = d;
    return error;
  }
  std::uint32_t EnumKey(platform::RegistryKey key, std::uint32_t index, char* name, std::uint32_t size) override {
    return RegEnumKeyA(Key(key), index, name, size);
  }
  std::uint32_t CloseKey(platform::RegistryKey key) override { return RegCloseKey(Key(key)); }
};

}  // namespace

int main(int argc, char** argv) {
  Win32Registry registry;
  std::string walk = registry_walk::WalkAll(registry);
  std::FILE* out = argc == 2 ? std::fopen(argv[1], "wb") : nullptr;
  if (!out) return 1;
  std::fwrite(walk.data(), 1, walk.size(), out);
  return std::fclose(out) == 0 ? 0 : 1;
}
