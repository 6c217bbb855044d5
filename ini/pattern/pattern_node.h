#pragma once
// One element of a compiled pattern: a character position (a literal, ".",
// a set), an anchor ("^", "$"), or a group of alternatives. Matching leaves
// in each node where it matched last; capture marks read those positions.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class PatternSequence;

class PatternNode {
 public:
  enum Kind : std::int32_t { kEmpty = 0, kAtom = 1, kGroup = 2 };
  enum Repeat : std::int32_t { kOnce = 0, kOneOrMore = 1, kZeroOrMore = 2, kZeroOrOne = 3 };

  PatternNode();
  PatternNode(PatternNode&&) noexcept;
  PatternNode& operator=(PatternNode&&) noexcept;
  ~PatternNode();

  /// Back to a fresh node: kEmpty, kOnce, no flags, no members, no positions.
  void Reset();
  /// True for an atom that can succeed without consuming a character; such
  /// an atom must not be repeated, or the repetition would never end.
  bool IsZeroWidth() const;

  /// Matches this node, with its repetition, from `pos`; `end` receives the
  /// index after what it consumed.
  bool MatchNode(const char* text, std::ptrdiff_t pos, std::ptrdiff_t& end);
  /// One step of an atom at `pos`.
  bool MatchOne(const char* text, std::ptrdiff_t pos, std::ptrdiff_t& end) const;
  /// The first alternative that matches at `pos`; never revisited.
  bool MatchGroup(const char* text, std::ptrdiff_t pos, std::ptrdiff_t& end);
  void ResetPositions();
  /// Position of capture mark `n`, counting marks from `counter` on; -1 when
  /// the mark is not here or its node has not matched.
  std::ptrdiff_t FindMark(int n, int& counter) const;

  std::vector<unsigned char> members;  // an atom's characters, in the order added
  std::vector<std::unique_ptr<PatternSequence>> alternatives;  // a group's, as written
  Kind kind = kEmpty;
  Repeat repeat = kOnce;
  bool negated = false;
  bool anyChar = false;
  bool endOfLine = false;
  bool startOfLine = false;
  bool markAfter = false;
  bool markBefore = false;
  bool ignoreCase = false;
  std::ptrdiff_t matchStart = -1;  // where the latest match began, -1 when none
  std::ptrdiff_t matchEnd = -1;    // where it ended (exclusive)

 private:
  bool MatchRepeated(const char* text, std::ptrdiff_t pos, std::ptrdiff_t& end);
  bool IsMember(unsigned char c) const;
};
