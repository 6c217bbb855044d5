#include "ini/pattern/pattern.h"

#include "io/error.h"

Pattern::Pattern(const char* text, bool ignoreCase) {
  std::size_t stop = 0;
  sequence_.Compile(text, stop, ignoreCase);
}

bool Pattern::Match(const char* text, std::ptrdiff_t start, std::ptrdiff_t* end) {
  std::ptrdiff_t localEnd = start;
  if (!end) end = &localEnd;
  sequence_.ResetPositions();
  if (sequence_.nodes().empty()) throw InvalidArgumentError("an empty pattern cannot be matched");
  if (sequence_.nodes().front().startOfLine) return sequence_.MatchAt(text, start, *end);
  // No attempt at the terminating zero: an unanchored pattern never matches
  // the empty text.
  for (std::ptrdiff_t pos = start; text[pos] != '\0'; ++pos) {
    sequence_.ResetPositions();
    if (sequence_.MatchAt(text, pos, *end)) return true;
  }
  return false;
}

std::string Pattern::Capture(const char* text, int firstMark, int secondMark) const {
  int counter = 0;
  std::ptrdiff_t first = sequence_.FindMark(firstMark, counter);
  counter = 0;
  std::ptrdiff_t second = sequence_.FindMark(secondMark, counter);
  // Marks numbered out of text order can lie the wrong way round.
  if (first < 0 || second < first) return {};
  return std::string(text + first, static_cast<std::size_t>(second - first));
}
