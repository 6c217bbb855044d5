// Compiling pattern texts into node lists.

#include "ini/pattern/pattern_sequence.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/error.h"

namespace {

// The characters of every atom, one string per node.
std::string Members(const std::string& text) {
  PatternSequence sequence;
  std::size_t stop = 0;
  sequence.Compile(text.c_str(), stop, false);
  std::string all;
  for (const PatternNode& node : sequence.nodes()) all += std::string(node.members.begin(), node.members.end()) + "|";
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

TEST(PatternCompileTest, MalformedPatternsAreInvalidArguments) {
  // Nothing to repeat, a repeated group, an anchor repeated without end, a
  // lone trailing backslash, groups nested beyond the stack's comfort.
  const std::vector<std::string> texts = {"*a", "(a|+)", "(a)*", "(a|b)+", "^*", "^+", "$+", "a$*", "[$]*",
                                          "a\\", "[a\\", "[a-\\", std::string(100000, '(')};
  std::size_t stop = 0;
  for (const std::string& text : texts)
    EXPECT_THROW(PatternSequence().Compile(text.c_str(), stop, false), InvalidArgumentError) << text.substr(0, 10);
  EXPECT_TRUE(PatternSequence().Compile("^?a$?[^$]*", stop, false));  // these end
}

}  // namespace
