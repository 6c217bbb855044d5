// Compiling pattern texts into node lists.

#include "ini/pattern/pattern_sequence.h"

#include <gtest/gtest.h>

#include <string>

#include "app/error.h"

namespace {

using Node = PatternNode;

std::string Members(const Node& node) { return std::string(node.members.begin(), node.members.end()); }

struct Compiled {
  PatternSequence sequence;
  std::size_t stop = 99;
  bool result = false;
  const std::vector<Node>& nodes() const { return sequence.nodes(); }
};

Compiled CompileText(const std::string& text, bool ignoreCase = false) {
  Compiled compiled;
  compiled.result = compiled.sequence.Compile(text.c_str(), compiled.stop, ignoreCase);
  return compiled;
}

TEST(PatternCompileTest, LiteralsAnchorsAndRepetitions) {
  Compiled c = CompileText("a.^$b*c+d?");
  EXPECT_TRUE(c.result);
  EXPECT_EQ(c.stop, 10u);
  ASSERT_EQ(c.nodes().size(), 7u);
  EXPECT_EQ(Members(c.nodes()[0]), "a");
  EXPECT_EQ(c.nodes()[0].kind, Node::Atom);
  EXPECT_TRUE(c.nodes()[1].anyChar);
  EXPECT_TRUE(c.nodes()[2].startOfLine);
  EXPECT_TRUE(c.nodes()[3].endOfLine);
  EXPECT_EQ(c.nodes()[4].repeat, Node::ZeroOrMore);
  EXPECT_EQ(c.nodes()[5].repeat, Node::OneOrMore);
  EXPECT_EQ(c.nodes()[6].repeat, Node::ZeroOrOne);
  EXPECT_EQ(c.nodes()[0].matchStart, -1);
  EXPECT_EQ(c.nodes()[0].matchEnd, -1);

  // A bar or parenthesis outside a group ends the pattern.
  Compiled bar = CompileText("ab|cd");
  EXPECT_TRUE(bar.result);
  EXPECT_EQ(bar.stop, 2u);
  ASSERT_EQ(bar.nodes().size(), 2u);
  EXPECT_EQ(Members(bar.nodes()[1]), "b");
  EXPECT_EQ(CompileText("a)b").nodes().size(), 1u);

  Compiled empty = CompileText("");
  EXPECT_TRUE(empty.result);
  EXPECT_TRUE(empty.nodes().empty());
}

TEST(PatternCompileTest, SetsAndRanges) {
  EXPECT_EQ(Members(CompileText("[abc]").nodes()[0]), "abc");
  EXPECT_EQ(Members(CompileText("[a-e]").nodes()[0]), "abcde");
  EXPECT_EQ(Members(CompileText("[a-c-e]").nodes()[0]), "abcde");  // the second range runs on from d
  EXPECT_EQ(Members(CompileText("[z-a]").nodes()[0]), "z");        // a range downwards adds nothing
  EXPECT_EQ(Members(CompileText("[-a]").nodes()[0]), "-a");
  EXPECT_EQ(Members(CompileText("[a\\-z]").nodes()[0]), "a-z");
  EXPECT_EQ(Members(CompileText("[.*(^[]").nodes()[0]), ".*(^[");
  EXPECT_EQ(Members(CompileText("[\\]]").nodes()[0]), "]");
  EXPECT_EQ(Members(CompileText("[\\c]").nodes()[0]), "c");  // no capture mark inside a set
  EXPECT_EQ(Members(CompileText("[a-\\n]").nodes()[0]), "a");
  EXPECT_EQ(Members(CompileText("[\\t ]").nodes()[0]), Members(CompileText("[\t ]").nodes()[0]));

  // The character after "-" is always the upper end, even "]": the range
  // from b to "]" is empty, and the second "]" closes the set.
  Compiled range = CompileText("[a-]x]y");
  ASSERT_EQ(range.nodes().size(), 2u);
  EXPECT_EQ(Members(range.nodes()[0]), "ax");

  // Codes wrap around: the range after \255 starts again at 0.
  EXPECT_EQ(Members(CompileText("[\\255-\\1]").nodes()[0]), std::string("\xff\x00\x01", 3));

  Compiled negated = CompileText("[^=]");
  EXPECT_TRUE(negated.nodes()[0].negated);
  EXPECT_EQ(Members(negated.nodes()[0]), "=");

  Compiled endOfLine = CompileText("[a$]");
  EXPECT_TRUE(endOfLine.nodes()[0].endOfLine);
  EXPECT_EQ(endOfLine.nodes()[0].kind, Node::Atom);

  EXPECT_EQ(CompileText("[]").nodes()[0].kind, Node::Empty);
  EXPECT_EQ(CompileText("[^]").nodes()[0].kind, Node::Empty);
}

TEST(PatternCompileTest, EscapesDecodeCharacters) {
  Compiled c = CompileText("\\65\\66\\0651\\999\\b\\f\\n\\r\\t\\.\\\\");
  std::string all;
  for (const Node& node : c.nodes()) all += Members(node);
  EXPECT_EQ(all, std::string("AB") + "A1" + "\xe7" + "\b\f\n\r\t.\\");
}

TEST(PatternCompileTest, CaptureMarksSitBetweenNodes) {
  Compiled before = CompileText("\\cabc");
  EXPECT_TRUE(before.nodes()[0].markBefore);
  EXPECT_FALSE(before.nodes()[0].markAfter);
  ASSERT_EQ(before.nodes().size(), 3u);

  Compiled after = CompileText("abc\\c");
  EXPECT_TRUE(after.nodes()[2].markAfter);

  Compiled inGroup = CompileText("x(\\ca|b)");
  const Node& group = inGroup.nodes()[1];
  EXPECT_TRUE(group.alternatives[0]->nodes()[0].markBefore);
  EXPECT_FALSE(group.markBefore);
}

TEST(PatternCompileTest, GroupsHoldTheirAlternatives) {
  Compiled c = CompileText("(a|bc|)d");
  EXPECT_TRUE(c.result);
  ASSERT_EQ(c.nodes().size(), 2u);
  const Node& group = c.nodes()[0];
  EXPECT_EQ(group.kind, Node::Group);
  ASSERT_EQ(group.alternatives.size(), 3u);
  EXPECT_EQ(group.alternatives[0]->nodes().size(), 1u);
  EXPECT_EQ(group.alternatives[1]->nodes().size(), 2u);
  EXPECT_TRUE(group.alternatives[2]->nodes().empty());
  EXPECT_EQ(Members(c.nodes()[1]), "d");

  Compiled nested = CompileText("((a)b)", true);
  const Node& inner = nested.nodes()[0].alternatives[0]->nodes()[0];
  EXPECT_EQ(inner.kind, Node::Group);
  EXPECT_TRUE(inner.alternatives[0]->nodes()[0].ignoreCase);
}

TEST(PatternCompileTest, UnterminatedSetsAndGroupsFail) {
  Compiled set = CompileText("x[abc");
  EXPECT_FALSE(set.result);
  EXPECT_EQ(set.stop, 5u);
  ASSERT_EQ(set.nodes().size(), 1u);  // what came before the set stays

  Compiled range = CompileText("[a-");
  EXPECT_FALSE(range.result);
  EXPECT_EQ(range.stop, 3u);

  Compiled group = CompileText("(ab");
  EXPECT_FALSE(group.result);
  EXPECT_EQ(group.stop, 3u);
  EXPECT_EQ(group.nodes().size(), 1u);  // the group is kept with what it holds

  Compiled inner = CompileText("(a|[b)c");
  EXPECT_FALSE(inner.result);
  EXPECT_EQ(inner.stop, 7u);
}

TEST(PatternCompileTest, MalformedPatternsAreInvalidArguments) {
  for (const char* text : {"*a", "(a|+)", "(?)", "(a)*", "(a|b)+", "^*", "^+", "$+", "a$*", "[$]*",
                           "a\\", "[a\\", "[a-\\"}) {
    PatternSequence sequence;
    std::size_t stop = 0;
    EXPECT_THROW(sequence.Compile(text, stop, false), InvalidArgumentError) << text;
  }
  // "?" on an anchor repeats nothing forever, so it stays allowed.
  EXPECT_TRUE(CompileText("^?a$?").result);
  EXPECT_TRUE(CompileText("[^$]*").result);

  // Deep nesting is refused rather than exhausting the stack.
  PatternSequence sequence;
  std::size_t stop = 0;
  EXPECT_THROW(sequence.Compile((std::string(100000, '(') + "a").c_str(), stop, false), InvalidArgumentError);
}

}  // namespace
