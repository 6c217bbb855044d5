#pragma once
// Text between the single-byte world of vastrel (UTF-8 on Linux) and the
// UTF-16 of Windows names and registry data, converted without loss, and names
// compared without regard to letter case as Windows and Wine compare them.

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

/// UTF-8 to UTF-16. Bytes that are not valid UTF-8 become U+FFFD each.
std::u16string Utf8ToUtf16(std::string_view text);
/// UTF-16 to UTF-8. A lone surrogate is encoded as it stands (as WTF-8 does),
/// so that every unit sequence survives the round trip.
std::string Utf16ToUtf8(std::u16string_view text);
/// Appends the UTF-8 form of `text` to `out`.
void AppendUtf8(std::string& out, std::u16string_view text);
/// The number of UTF-16 units that Utf8ToUtf16 makes of `text`.
std::size_t Utf16Length(std::string_view text);

/// Simple Unicode case mapping of one UTF-16 unit (surrogates unchanged),
/// the same whatever locale the user runs in.
char16_t ToUpper(char16_t unit);
char16_t ToLower(char16_t unit);

/// True when two UTF-8 names are equal without regard to letter case.
bool EqualNoCase(std::string_view a, std::string_view b);

/// Orders two UTF-8 names as the registry orders keys and values: UTF-16 units
/// after lower-casing, compared as unsigned numbers, a prefix before the
/// longer name. Negative, zero or positive, as strcmp.
int CompareNoCase(std::string_view a, std::string_view b);

}  // namespace platform
