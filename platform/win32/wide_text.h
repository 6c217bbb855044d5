#pragma once
// Text at the edge of Win32. Inside, vastrel keeps text in UTF-8, as the
// Linux build does; the wide (W) functions take and give UTF-16. Both
// directions go through the conversion that the Linux build uses for Wine's
// files, so that both builds make the same bytes of the same name.

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace platform::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide characters are UTF-16 units");

/// A UTF-16 string as the wide functions take it.
inline const wchar_t* Wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
inline wchar_t* Wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }

/// `length` UTF-16 units that a wide function gave, in UTF-8, into `out`
/// (whose room is kept from call to call).
inline void ToUtf8(const wchar_t* text, std::size_t length, std::string& out) {
  out.clear();
  AppendUtf8(out, std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
}

}  // namespace platform::win32
