#pragma once
// A run of pattern nodes matched one after the other: a whole pattern, or one
// alternative of a group. The sequence owns its groups' alternatives.

#include <cstddef>
#include <vector>

#include "ini/pattern/pattern_node.h"

class PatternSequence {
 public:
  /// Compiles `text` into this sequence, replacing what it held. `stop`
  /// receives the index where compiling ended: the terminating zero, or the
  /// ")" or "|" that ended this sequence, or the place of a failure. False
  /// for an unterminated set or group; InvalidArgumentError for a repetition
  /// with nothing (or a group, or an anchor) before it, and for a lone
  /// trailing backslash.
  bool Compile(const char* text, std::size_t& stop, bool ignoreCase);
  /// Matches the nodes in order starting exactly at `pos`, without going back
  /// on any node's choice. An empty sequence matches the empty stretch.
  bool MatchAt(const char* text, std::ptrdiff_t pos, std::ptrdiff_t& end);
  void ResetPositions();
  std::ptrdiff_t FindMark(int n, int& counter) const;

  void Clear() { nodes_.clear(); }
  const std::vector<PatternNode>& nodes() const { return nodes_; }

 private:
  bool Compile(const char* text, std::size_t& stop, bool ignoreCase, int depth);

  std::vector<PatternNode> nodes_;
};
