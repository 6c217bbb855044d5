#include "ini/pattern/decode_escape.h"

#include "io/error.h"

namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

unsigned char DecodeEscape(const char* text, std::size_t& index) {
  char c = text[index];
  switch (c) {
    case '\0': throw InvalidArgumentError("the pattern ends in a lone backslash");
    case 'b': return 8;
    case 'f': return 12;
    case 'n': return 10;
    case 'r': return 13;
    case 't': return 9;
    default: break;
  }
  if (!IsDigit(c)) return static_cast<unsigned char>(c);
  unsigned value = static_cast<unsigned>(c - '0');
  for (int digits = 1; digits < 3 && IsDigit(text[index + 1]); ++digits) {
    ++index;
    value = value * 10 + static_cast<unsigned>(text[index] - '0');
  }
  return static_cast<unsigned char>(value & 0xFF);
}
