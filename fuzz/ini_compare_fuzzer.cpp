// The INI reader and comparison on any saved copy and any live file. The
// reports of changed entries, as they are and as they were, must pair up.
//
// Input: the saved copy, the line "#live#", the live file.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "ini/compare_ini_file.h"
#include "test/memory_files.h"

namespace {
const std::string kSeparator = "\n#live#\n";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  std::size_t split = input.find(kSeparator);
  std::string saved = input.substr(0, split);
  std::string live = split == std::string::npos ? std::string() : input.substr(split + kSeparator.size());

  test::MemoryFiles files;
  files.AddFolder("c:\\vastrel");
  files.Put("C:\\windows\\win.ini", live);
  files.Put("c:\\vastrel\\cpy_win.ini", saved);
  CompareIniFile("C:\\windows\\win.ini", "c:\\vastrel\\cpy_win.ini", "c:\\vastrel\\win_new.ini",
                 "c:\\vastrel\\win_modo.ini", "c:\\vastrel\\win_mod.ini", "c:\\vastrel\\win_rem.ini");

  std::string mod = files.Get("c:\\vastrel\\win_mod.ini").value();
  std::string modo = files.Get("c:\\vastrel\\win_modo.ini").value();
  if (std::count(mod.begin(), mod.end(), '\n') != std::count(modo.begin(), modo.end(), '\n')) __builtin_trap();
  return 0;
}
