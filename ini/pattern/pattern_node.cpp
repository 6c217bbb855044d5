#include "ini/pattern/pattern_node.h"

#include "ini/pattern/pattern_sequence.h"

namespace {

// Only a to z fold, whatever the locale: reports must not depend on it.
unsigned char Upper(unsigned char c) { return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 32) : c; }

}  // namespace

PatternNode::PatternNode() = default;
PatternNode::PatternNode(PatternNode&&) noexcept = default;
PatternNode& PatternNode::operator=(PatternNode&&) noexcept = default;
PatternNode::~PatternNode() = default;

void PatternNode::Reset() { *this = PatternNode(); }

bool PatternNode::IsZeroWidth() const {
  // "$" consumes a line end where there is one, but none at the end of text.
  return kind == kAtom && (startOfLine || (endOfLine && !negated));
}

bool PatternNode::MatchNode(const char* text, std::ptrdiff_t pos, std::ptrdiff_t& end) {
  switch (kind) {
    case kAtom: return MatchRepeated(text, pos, end);
    case kGroup: return MatchGroup(text, pos, end);
    case kEmpty: break;
  }
  end = pos;
  return false;
}

bool PatternNode::MatchRepeated(const char* text, std::ptrdiff_t pos, std::ptrdiff_t& end) {
  std::ptrdiff_t p = pos;
  std::ptrdiff_t stepEnd = pos;
  int steps = 0;
  if (repeat == kOnce || repeat == kZeroOrOne) {
    if (MatchOne(text, p, stepEnd)) {
      p = stepEnd;
      ++steps;
    }
  } else {
    // As many as match, none given back. A step that consumes nothing ends
    // the loop, which could not end otherwise.
    while (MatchOne(text, p, stepEnd)) {
      ++steps;
      if (stepEnd == p) break;
      p = stepEnd;
    }
  }
  end = p;
  if (steps == 0 && (repeat == kOnce || repeat == kOneOrMore)) {
    matchStart = matchEnd = -1;
    return false;
  }
  matchStart = pos;
  matchEnd = p;
  return true;
}

bool PatternNode::MatchOne(const char* text, std::ptrdiff_t pos, std::ptrdiff_t& end) const {
  end = pos;
  unsigned char c = static_cast<unsigned char>(text[pos]);
  if (startOfLine) return pos == 0 || text[pos - 1] == '\n' || text[pos - 1] == '\r';
  if (endOfLine) {
    // A line ends at the end of the text, or with LF, CR LF or a lone CR,
    // which the match consumes.
    std::ptrdiff_t after = -1;
    if (c == '\0') after = pos;
    else if (c == '\n') after = pos + 1;
    else if (c == '\r') after = text[pos + 1] == '\n' ? pos + 2 : pos + 1;
    bool atEndOfLine = after >= 0;
    if (negated) {
      if (!atEndOfLine) end = pos + 1;
      return !atEndOfLine;
    }
    if (atEndOfLine) end = after;
    return atEndOfLine;
  }
  if (c == '\0') return false;
  bool matches = anyChar || (IsMember(c) != negated);
  if (matches) end = pos + 1;
  return matches;
}

bool PatternNode::IsMember(unsigned char c) const {
  if (ignoreCase) c = Upper(c);
  for (unsigned char member : members) {
    if ((ignoreCase ? Upper(member) : member) == c) return true;
  }
  return false;
}

bool PatternNode::MatchGroup(const char* text, std::ptrdiff_t pos, std::ptrdiff_t& end) {
  for (auto& alternative : alternatives) {
    if (alternative->MatchAt(text, pos, end)) {
      matchStart = pos;
      matchEnd = end;
      return true;
    }
  }
  end = pos;
  return false;
}

void PatternNode::ResetPositions() {
  matchStart = matchEnd = -1;
  for (auto& alternative : alternatives) alternative->ResetPositions();
}

std::ptrdiff_t PatternNode::FindMark(int n, int& counter) const {
  if (markBefore && ++counter == n) return matchStart;
  if (markAfter && ++counter == n) return matchEnd;
  for (const auto& alternative : alternatives) {
    std::ptrdiff_t position = alternative->FindMark(n, counter);
    if (position != -1) return position;
  }
  return -1;
}
