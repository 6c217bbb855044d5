#pragma once
// Text on Linux: UTF-8, the encoding of Linux file names, converted to and
// from the UTF-16 of the Windows world without loss, and compared without
// regard to letter case as Wine compares names.

#include <cstdint>
#include <string>
#include <string_view>

namespace platform::posix {

/// UTF-8 to UTF-16. Bytes that are not valid UTF-8 become U+FFFD each.
std::u16string Utf8ToUtf16(std::string_view text);
/// UTF-16 to UTF-8. A lone surrogate is encoded as it stands (as WTF-8 does),
/// so that every unit sequence survives the round trip.
std::string Utf16ToUtf8(std::u16string_view text);

/// Simple Unicode case mapping of one UTF-16 unit (surrogates unchanged).
char16_t ToUpper(char16_t unit);
char16_t ToLower(char16_t unit);

/// True when two UTF-8 names are equal without regard to letter case.
bool EqualNoCase(std::string_view a, std::string_view b);

}  // namespace platform::posix
