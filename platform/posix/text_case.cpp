#include "platform/text.h"

#include <cwctype>
#include <locale.h>

namespace platform {
namespace {

// Case mapping must not depend on the locale the user runs in.
locale_t Utf8Locale() {
  static locale_t locale = [] {
    locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return l ? l : newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(0));
  }();
  return locale;
}

}  // namespace

char16_t ToUpper(char16_t unit) {
  if (unit < 0x80) return unit >= 'a' && unit <= 'z' ? unit - 32 : unit;
  if (unit >= 0xD800 && unit < 0xE000) return unit;
  wint_t mapped = towupper_l(unit, Utf8Locale());
  return mapped < 0x10000 ? static_cast<char16_t>(mapped) : unit;
}

char16_t ToLower(char16_t unit) {
  if (unit < 0x80) return unit >= 'A' && unit <= 'Z' ? unit + 32 : unit;
  if (unit >= 0xD800 && unit < 0xE000) return unit;
  wint_t mapped = towlower_l(unit, Utf8Locale());
  return mapped < 0x10000 ? static_cast<char16_t>(mapped) : unit;
}

}  // namespace platform
