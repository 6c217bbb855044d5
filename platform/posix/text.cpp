#include "platform/posix/text.h"

#include <clocale>
#include <cwctype>
#include <locale.h>

namespace platform::posix {
namespace {

// Case mapping must not depend on the locale the user runs in.
locale_t Utf8Locale() {
  static locale_t locale = [] {
    locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return l ? l : newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(0));
  }();
  return locale;
}

// Decodes one UTF-8 sequence at text[i]; invalid bytes give U+FFFD.
char32_t DecodeOne(std::string_view text, std::size_t& i) {
  unsigned char c = static_cast<unsigned char>(text[i]);
  if (c < 0x80) {
    ++i;
    return c;
  }
  int extra = c >= 0xF5 ? -1 : c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 ? 1 : -1;
  if (extra < 0 || i + extra >= text.size()) {
    ++i;
    return 0xFFFD;
  }
  char32_t cp = c & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    unsigned char d = static_cast<unsigned char>(text[i + k]);
    if ((d & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    cp = (cp << 6) | (d & 0x3F);
  }
  // Overlong forms and values past U+10FFFF are invalid; encoded surrogates
  // are accepted, since Utf16ToUtf8 writes lone ones that way.
  if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF))) {
    ++i;
    return 0xFFFD;
  }
  i += extra + 1;
  return cp;
}

void Append(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    char32_t cp = DecodeOne(text, i);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t unit = text[i];
    if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      char32_t cp = 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      Append(out, cp);
      ++i;
    } else {
      Append(out, unit);
    }
  }
  return out;
}

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

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() == b.size()) {
    bool ascii = true;
    for (std::size_t i = 0; i < a.size(); ++i) {
      unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
      if ((x | y) & 0x80) {
        ascii = false;
        break;
      }
      if (ToUpper(x) != ToUpper(y)) return false;
    }
    if (ascii) return true;
  }
  std::u16string ua = Utf8ToUtf16(a), ub = Utf8ToUtf16(b);
  if (ua.size() != ub.size()) return false;
  for (std::size_t i = 0; i < ua.size(); ++i)
    if (ToUpper(ua[i]) != ToUpper(ub[i])) return false;
  return true;
}

}  // namespace platform::posix
