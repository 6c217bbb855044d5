#include "platform/text.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace platform {
namespace {

// The invariant locale maps case the same whatever the user's language.
char16_t Map(char16_t unit, DWORD how) {
  if (unit >= 0xD800 && unit < 0xE000) return unit;
  wchar_t in = static_cast<wchar_t>(unit), out = in;
  if (LCMapStringEx(LOCALE_NAME_INVARIANT, how, &in, 1, &out, 1, nullptr, nullptr, 0) != 1) return unit;
  return static_cast<char16_t>(out);
}

}  // namespace

char16_t ToUpper(char16_t unit) {
  if (unit < 0x80) return unit >= 'a' && unit <= 'z' ? unit - 32 : unit;
  return Map(unit, LCMAP_UPPERCASE);
}

char16_t ToLower(char16_t unit) {
  if (unit < 0x80) return unit >= 'A' && unit <= 'Z' ? unit + 32 : unit;
  return Map(unit, LCMAP_LOWERCASE);
}

}  // namespace platform
