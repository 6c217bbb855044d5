#pragma once
// A compiled pattern of the INI reader's small language: literals, ".", sets,
// "^", "$", "*", "+", "?", groups of alternatives, and capture marks "\c"
// that say which stretch of a matched line the caller wants back. Matching
// never backtracks. A pattern remembers where its latest match lay, so it is
// not a constant, and Capture reads what the latest Match left.

#include <cstddef>
#include <string>

#include "ini/pattern/pattern_sequence.h"

class Pattern {
 public:
  /// Compiles `text`. An unterminated set or group leaves the nodes that came
  /// before it; a malformed repetition or escape raises InvalidArgumentError.
  explicit Pattern(const char* text, bool ignoreCase = false);

  /// True when the pattern matches `text` (zero-terminated) at or after
  /// `start`, which must lie within it; `end` receives the index after the
  /// match. A pattern that begins with "^" is tried at `start` only.
  bool Match(const char* text, std::ptrdiff_t start = 0, std::ptrdiff_t* end = nullptr);
  /// The stretch of `text` (the text of the latest Match) between capture
  /// marks `firstMark` and `secondMark`, counted from 1 in pattern order;
  /// empty when either has no position.
  std::string Capture(const char* text, int firstMark, int secondMark) const;

 private:
  PatternSequence sequence_;
};
