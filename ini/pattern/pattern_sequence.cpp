#include "ini/pattern/pattern_sequence.h"

#include <memory>
#include <utility>

#include "io/error.h"
#include "ini/pattern/decode_escape.h"

namespace {

// Groups are compiled and matched recursively; a bound keeps a pathological
// pattern from exhausting the stack.
constexpr int kMaxGroupDepth = 100;

void AddMember(PatternNode& node, unsigned char c) {
  node.members.push_back(c);
  node.kind = PatternNode::kAtom;
}

// Reads the set whose "[" stands at text[i] into `node`. On success `i` is
// left on the closing "]"; when the text ends first, on the terminating zero
// and the result is false.
bool ReadSet(const char* text, std::size_t& i, PatternNode& node) {
  std::size_t k = i + 1;
  if (text[k] == '^') {
    node.negated = true;
    ++k;
  }
  for (;; ++k) {
    char c = text[k];
    if (c == '\0') break;
    if (c == ']') {
      i = k;
      return true;
    }
    if (c == '$') {
      node.endOfLine = true;
      node.kind = PatternNode::kAtom;
    } else if (c == '\\') {
      AddMember(node, DecodeEscape(text, ++k));
    } else if (c == '-' && !node.members.empty()) {
      // A range from the character after the last member up to the next one
      // (even a "]"); ranges chain, "[a-c-e]" runs on from "d".
      ++k;
      if (text[k] == '\0') break;
      unsigned upper = text[k] == '\\' ? DecodeEscape(text, ++k) : static_cast<unsigned char>(text[k]);
      unsigned lower = (node.members.back() + 1u) & 0xFF;
      for (unsigned code = lower; code <= upper; ++code) AddMember(node, static_cast<unsigned char>(code));
    } else {
      AddMember(node, static_cast<unsigned char>(c));
    }
  }
  i = k;
  return false;
}

}  // namespace

bool PatternSequence::Compile(const char* text, std::size_t& stop, bool ignoreCase) {
  return Compile(text, stop, ignoreCase, 0);
}

bool PatternSequence::Compile(const char* text, std::size_t& stop, bool ignoreCase, int depth) {
  Clear();
  stop = 0;
  bool pendingMark = false;  // a "\c" at the start of the sequence marks the next node's start
  PatternNode node;
  std::size_t i = 0;
  for (; text[i] != '\0'; ++i) {
    node.Reset();
    node.ignoreCase = ignoreCase;
    if (pendingMark) {
      node.markBefore = true;
      pendingMark = false;
    }
    switch (text[i]) {
      case '(': {
        if (depth >= kMaxGroupDepth) throw InvalidArgumentError("the pattern nests groups too deeply");
        node.kind = PatternNode::kGroup;
        bool compiled = false;
        std::size_t j = i;
        for (;;) {
          auto& alternative = node.alternatives.emplace_back(std::make_unique<PatternSequence>());
          std::size_t s = 0;
          compiled = alternative->Compile(text + i + 1, s, ignoreCase, depth + 1);
          j = i + 1 + s;
          if (!compiled || text[j] != '|') break;
          i = j;
        }
        nodes_.push_back(std::move(node));
        if (!compiled || text[j] != ')') {
          stop = j;
          return false;
        }
        i = j;
        break;
      }
      case ')':
      case '|':
        stop = i;
        return true;
      case '*':
      case '+':
      case '?': {
        if (nodes_.empty()) throw InvalidArgumentError("a repetition sign in the pattern follows nothing");
        PatternNode& last = nodes_.back();
        // The matcher never repeats a group; "^*" or "$+" would repeat forever.
        if (last.kind == PatternNode::kGroup) throw InvalidArgumentError("a group in the pattern cannot be repeated");
        PatternNode::Repeat repeat = text[i] == '*'   ? PatternNode::kZeroOrMore
                                     : text[i] == '+' ? PatternNode::kOneOrMore
                                                      : PatternNode::kZeroOrOne;
        if (repeat != PatternNode::kZeroOrOne && last.IsZeroWidth())
          throw InvalidArgumentError("an anchor in the pattern cannot be repeated");
        last.kind = PatternNode::kAtom;
        last.repeat = repeat;
        break;
      }
      case '.':
      case '$':
      case '^':
        node.kind = PatternNode::kAtom;
        (text[i] == '.' ? node.anyChar : text[i] == '$' ? node.endOfLine : node.startOfLine) = true;
        nodes_.push_back(std::move(node));
        break;
      case '[':
        if (!ReadSet(text, i, node)) {
          stop = i;
          return false;
        }
        nodes_.push_back(std::move(node));
        break;
      case '\\':
        if (text[i + 1] == 'c') {
          if (nodes_.empty()) pendingMark = true;
          else nodes_.back().markAfter = true;
          ++i;
          break;
        }
        ++i;
        AddMember(node, DecodeEscape(text, i));
        nodes_.push_back(std::move(node));
        break;
      default:
        AddMember(node, static_cast<unsigned char>(text[i]));
        nodes_.push_back(std::move(node));
        break;
    }
  }
  stop = i;
  return true;
}

bool PatternSequence::MatchAt(const char* text, std::ptrdiff_t pos, std::ptrdiff_t& end) {
  end = pos;
  for (PatternNode& node : nodes_) {
    if (!node.MatchNode(text, end, end)) return false;
  }
  return true;
}

void PatternSequence::ResetPositions() {
  for (PatternNode& node : nodes_) node.ResetPositions();
}

std::ptrdiff_t PatternSequence::FindMark(int n, int& counter) const {
  for (const PatternNode& node : nodes_) {
    std::ptrdiff_t position = node.FindMark(n, counter);
    if (position != -1) return position;
  }
  return -1;
}
