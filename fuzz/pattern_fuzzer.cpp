// Any pattern text against any line: the compiler and the matcher must never
// read outside the pattern or the line, whatever either holds.
//
// Input: one byte of options (bit 0: ignore case; the rest: where matching
// starts), the pattern text, a zero byte, the line.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "io/error.h"
#include "ini/pattern/pattern.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool ignoreCase = data[0] & 1;
  std::string input(reinterpret_cast<const char*>(data + 1), size - 1);
  std::size_t split = input.find('\0');
  std::string patternText = input.substr(0, split);
  // The line is a zero-terminated text, as the INI reader hands it over.
  std::string line = split == std::string::npos ? std::string() : input.substr(split + 1);
  line.resize(std::strlen(line.c_str()));
  std::ptrdiff_t start = static_cast<std::ptrdiff_t>((data[0] >> 1) % (line.size() + 1));

  try {
    Pattern pattern(patternText.c_str(), ignoreCase);
    std::ptrdiff_t end = -1;
    if (pattern.Match(line.c_str(), start, &end)) {
      if (end < start || end > static_cast<std::ptrdiff_t>(line.size())) __builtin_trap();
      for (int first = 0; first <= 4; ++first)
        for (int second = 0; second <= 4; ++second) {
          std::string captured = pattern.Capture(line.c_str(), first, second);
          if (captured.size() > line.size()) __builtin_trap();
        }
    }
  } catch (const Error&) {
    // A malformed pattern is refused with an error, which is fine.
  }
  return 0;
}
