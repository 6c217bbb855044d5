#include "platform/text.h"

namespace platform {
namespace {

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

// Reads a UTF-8 name as the UTF-16 units it stands for, one at a time.
class UnitReader {
 public:
  explicit UnitReader(std::string_view text) : text_(text) {}
  bool AtEnd() const { return pending_ == 0 && i_ >= text_.size(); }
  char16_t Next() {
    if (pending_) {
      char16_t unit = pending_;
      pending_ = 0;
      return unit;
    }
    char32_t cp = DecodeOne(text_, i_);
    if (cp < 0x10000) return static_cast<char16_t>(cp);
    cp -= 0x10000;
    pending_ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    return static_cast<char16_t>(0xD800 + (cp >> 10));
  }

 private:
  std::string_view text_;
  std::size_t i_ = 0;
  char16_t pending_ = 0;
};

inline unsigned char AsciiLower(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

}  // namespace

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (UnitReader reader(text); !reader.AtEnd();) out += reader.Next();
  return out;
}

void AppendUtf8(std::string& out, std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t unit = text[i];
    if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      Append(out, 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else {
      Append(out, unit);
    }
  }
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendUtf8(out, text);
  return out;
}

std::size_t Utf16Length(std::string_view text) {
  // ASCII text, the usual name, is as many units as bytes.
  std::size_t ascii = 0;
  while (ascii < text.size() && static_cast<unsigned char>(text[ascii]) < 0x80) ++ascii;
  if (ascii == text.size()) return ascii;
  std::size_t length = ascii;
  for (std::size_t i = ascii; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++i;
      ++length;
    } else {
      length += DecodeOne(text, i) >= 0x10000 ? 2 : 1;
    }
  }
  return length;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  // ASCII names are equal only at the same length, byte for byte but for case.
  std::size_t common = a.size() < b.size() ? a.size() : b.size();
  std::size_t i = 0;
  for (; i < common; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if ((x | y) & 0x80) break;
    if (AsciiLower(x) != AsciiLower(y)) return false;
  }
  if (i == common) {
    std::string_view longer = a.size() < b.size() ? b : a;
    bool asciiRest = true;
    for (std::size_t k = common; k < longer.size() && asciiRest; ++k)
      asciiRest = static_cast<unsigned char>(longer[k]) < 0x80;
    if (asciiRest) return a.size() == b.size();
  }
  std::u16string ua = Utf8ToUtf16(a), ub = Utf8ToUtf16(b);
  if (ua.size() != ub.size()) return false;
  for (std::size_t k = 0; k < ua.size(); ++k)
    if (ToUpper(ua[k]) != ToUpper(ub[k])) return false;
  return true;
}

int CompareNoCase(std::string_view a, std::string_view b) {
  // Most names are ASCII, where bytes and units agree.
  std::size_t i = 0, common = a.size() < b.size() ? a.size() : b.size();
  for (; i < common; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if ((x | y) & 0x80) break;
    if (x != y) {
      x = AsciiLower(x);
      y = AsciiLower(y);
      if (x != y) return x < y ? -1 : 1;
    }
  }
  if (i == common) return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
  UnitReader ra(a.substr(i)), rb(b.substr(i));
  while (!ra.AtEnd() && !rb.AtEnd()) {
    char16_t x = ToLower(ra.Next()), y = ToLower(rb.Next());
    if (x != y) return x < y ? -1 : 1;
  }
  return ra.AtEnd() ? (rb.AtEnd() ? 0 : -1) : 1;
}

}  // namespace platform
