// Walks the registry as vastrel.exe sees it, through the Windows build's own
// registry service, and writes the walk to the file named by the first
// argument. Built with mingw-w64 and run under Wine, it shows what the Linux
// build must see in the same prefix's files.

#include <cstdio>

#include "test/wine/registry_walk.h"

namespace platform {
Registry& SystemRegistry();  // platform/win32/registry.cpp
}

int main(int argc, char** argv) {
  std::string walk = registry_walk::WalkAll(platform::SystemRegistry());
  std::FILE* out = argc == 2 ? std::fopen(argv[1], "wb") : nullptr;
  if (!out) return 1;
  std::fwrite(walk.data(), 1, walk.size(), out);
  return std::fclose(out) == 0 ? 0 : 1;
}
