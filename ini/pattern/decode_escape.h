#pragma once
// The character that a backslash escape of the pattern language stands for.

#include <cstddef>

/// Decodes the escape whose first character (the one after the backslash) is
/// text[index]; leaves `index` on the escape's last character. "\n", "\r",
/// "\t", "\f", "\b" are the control characters, one to three decimal digits
/// a character code (low 8 bits), anything else the character itself.
/// Raises InvalidArgumentError when the text ends right after the backslash.
unsigned char DecodeEscape(const char* text, std::size_t& index);
