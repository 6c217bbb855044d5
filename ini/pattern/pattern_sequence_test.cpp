// Compiling pattern texts into node lists.

#include "ini/pattern/pattern_sequence.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/error.h"

namespace {

struct Compiled {
  PatternSequence sequence;
  std::size_t stop = 99;
  bool result = false;
};

Compiled CompileText(const std::string& text) {
  Compiled compiled;
  compiled.result = compiled.sequence.Compile(text.c_str(), compiled.stop, false);
  return compiled;
}

// The characters of every atom, one string per node.
std::string Members(const std::string& text) {
  Compiled compiled = CompileText(text);
  std::string all;
  for (const PatternNode& node : compiled.sequence.nodes())
    all += std::string(node.members.begin(), node.members.end()) + "|";
  return all;
}

TEST(PatternCompileTest, SetsRangesAndEscapes) {
  EXPECT_EQ(Members("[a-c-e]"), "abcde|");  // the second range runs on from d
  EXPECT_EQ(Members("[z-a][-a][a\\-z]"), "z|-a|a-z|");
  EXPECT_EQ(Members("[.*(^[][\\]][\\c]"), ".*(^[|]|c|");  // no capture mark inside a set
  EXPECT_EQ(Members("[\\t ]"), Members("[\t ]"));
  // The character after "-" is the upper end even when it is "]": the range
  // from b to "]" is empty, and the second "]" closes the set.
  EXPECT_EQ(Members("[a-]x]y"), "ax|y|");
  EXPECT_EQ(Members("[\\255-\\1]"), std::string("\xff\x00\x01|", 4));  // codes wrap around
  EXPECT_EQ(Members("\\65\\66\\0651\\999\\b\\f\\n\\r\\t\\.\\\\"), "A|B|A|1|\xe7|\b|\f|\n|\r|\t|.|\\|");
}

TEST(PatternCompileTest, WhereCompilingStops) {
  // A bar or parenthesis outside a group ends the pattern.
  Compiled bar = CompileText("ab|cd");
  EXPECT_TRUE(bar.result);
  EXPECT_EQ(bar.stop, 2u);
  EXPECT_EQ(bar.sequence.nodes().size(), 2u);
  // Unterminated sets and groups fail where the text ends; what came before
  // the set stays.
  Compiled set = CompileText("x[abc");
  EXPECT_FALSE(set.result);
  EXPECT_EQ(set.stop, 5u);
  EXPECT_EQ(set.sequence.nodes().size(), 1u);
  EXPECT_EQ(CompileText("[a-").stop, 3u);
  Compiled group = CompileText("(ab");
  EXPECT_FALSE(group.result);
  EXPECT_EQ(group.stop, 3u);
  EXPECT_EQ(CompileText("(a|[b)c").stop, 7u);
}

TEST(PatternCompileTest, MalformedPatternsAreInvalidArguments) {
  // Nothing to repeat, a repeated group, an anchor repeated without end, a
  // lone trailing backslash, groups nested beyond the stack's comfort.
  const std::vector<std::string> texts = {"*a", "(a|+)", "(a)*", "(a|b)+", "^*", "^+", "$+", "a$*", "[$]*",
                                          "a\\", "[a\\", "[a-\\", std::string(100000, '(')};
  for (const std::string& text : texts) {
    PatternSequence sequence;
    std::size_t stop = 0;
    EXPECT_THROW(sequence.Compile(text.c_str(), stop, false), InvalidArgumentError) << text.substr(0, 10);
  }
  EXPECT_TRUE(CompileText("^?a$?[^$]*").result);  // these end
}

}  // namespace
