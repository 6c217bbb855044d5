// Walks the registry as a 64-bit Windows program sees it and writes the walk
// to the file named by the first argument. Built with mingw-w64 and run under
// Wine, it shows what the Linux build must see in the same prefix's files.

#include <windows.h>

#include <cstdio>

#include "registry_walk.h"

namespace {

struct Win32Api {
  using Key = HKEY;
  std::uint32_t Open(std::uintptr_t root, const char* subPath, HKEY* key) {
    return RegOpenKeyExA(reinterpret_cast<HKEY>(root), subPath, 0, KEY_READ, key);
  }
  std::uint32_t Query(HKEY key, std::uint32_t* subkeys, std::uint32_t* values, std::uint32_t* maxValueLength) {
    char className[260];
    DWORD classLength = sizeof className, s = 0, v = 0, m = 0;
    LONG error = RegQueryInfoKeyA(key, className, &classLength, nullptr, &s, nullptr, nullptr, &v, nullptr, &m,
                                  nullptr, nullptr);
    *subkeys = s, *values = v, *maxValueLength = m;
    return error;
  }
  std::uint32_t EnumValue(HKEY key, std::uint32_t index, char* name, std::uint32_t* nameLength,
                          std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataLength) {
    DWORD n = *nameLength, t = 0, d = *dataLength;
    LONG error = RegEnumValueA(key, index, name, &n, nullptr, &t, data, &d);
    *nameLength = n, *type = t, *dataLength = d;
    return error;
  }
  std::uint32_t EnumKey(HKEY key, std::uint32_t index, char* name, std::uint32_t size) {
    return RegEnumKeyA(key, index, name, size);
  }
  void Close(HKEY key) { RegCloseKey(key); }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::printf("usage: registry_dump <output file>\n");
    return 2;
  }
  Win32Api api;
  std::string walk = registry_walk::WalkAll(api);
  std::FILE* out = std::fopen(argv[1], "wb");
  if (!out) return 1;
  std::fwrite(walk.data(), 1, walk.size(), out);
  std::fclose(out);
  return 0;
}
