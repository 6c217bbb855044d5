// Matching compiled patterns against lines and capturing between marks.

#include "ini/pattern/pattern.h"

#include <gtest/gtest.h>

#include <string>

#include "app/error.h"

namespace {

bool Matches(const char* pattern, const std::string& text, bool ignoreCase = false) {
  Pattern compiled(pattern, ignoreCase);
  return compiled.Match(text.c_str());
}

TEST(PatternMatchTest, LiteralsSetsAndRanges) {
  EXPECT_TRUE(Matches("bc", "abcd"));
  EXPECT_FALSE(Matches("bd", "abcd"));
  EXPECT_TRUE(Matches("a.c", "xabc"));
  EXPECT_FALSE(Matches("ab.", "ab"));  // "." never matches the end of the text
  EXPECT_TRUE(Matches("x[0-9]+y", "x2024y"));
  EXPECT_FALSE(Matches("x[0-9]+y", "xy"));
  EXPECT_TRUE(Matches("x[^0-9]y", "x-y"));
  EXPECT_FALSE(Matches("x[^0-9]y", "x5y"));
  EXPECT_FALSE(Matches("a[^b]", "a"));  // a complemented set does not match the end either
  EXPECT_FALSE(Matches("a[]", "ab"));
  EXPECT_FALSE(Matches("a[^]", "ab"));
  EXPECT_TRUE(Matches("\\[x\\]", "[x]"));
  EXPECT_TRUE(Matches("\\233", "\xe9"));  // bytes above 127 compare as themselves

  // Ignore-case folds a to z only, on both sides.
  EXPECT_TRUE(Matches("abc", "xABCx", true));
  EXPECT_TRUE(Matches("[A-C]+d", "abcD", true));
  EXPECT_FALSE(Matches("abc", "xABCx"));
  EXPECT_FALSE(Matches("\\233", "\xc9", true));
}

TEST(PatternMatchTest, RepetitionsNeverGiveBack) {
  EXPECT_FALSE(Matches("a*a", "a"));
  EXPECT_FALSE(Matches("a*a", "aaaa"));
  EXPECT_FALSE(Matches(".*x", "abx"));
  EXPECT_TRUE(Matches("ba?c", "bc"));
  EXPECT_TRUE(Matches("ba?c", "bac"));
  EXPECT_TRUE(Matches("ab*c", "ac"));
  EXPECT_FALSE(Matches("ab+c", "ac"));

  // A group takes the first alternative that matches and keeps it.
  EXPECT_FALSE(Matches("(a|ab)c", "abc"));
  EXPECT_TRUE(Matches("(a|ab)c", "ac"));
  EXPECT_TRUE(Matches("(ab|a)c", "abc"));

  // An empty alternative matches the empty stretch, at the start too.
  EXPECT_TRUE(Matches("x(a|)y", "xy"));
  EXPECT_TRUE(Matches("x(a|)y", "xay"));
  EXPECT_TRUE(Matches("(|a)b", "b"));
}

TEST(PatternMatchTest, AnchorsAndLineEnds) {
  EXPECT_TRUE(Matches("^ab", "abc"));
  EXPECT_FALSE(Matches("^bc", "abc"));
  EXPECT_FALSE(Matches("^b", "a\nb"));  // an anchored pattern is tried at the start only
  EXPECT_FALSE(Matches("a^b", "xa\nb"));
  EXPECT_TRUE(Matches("a\\n^b", "xa\nb"));
  EXPECT_TRUE(Matches("c$", "abc"));
  EXPECT_FALSE(Matches("b$", "abc"));

  // "$" consumes LF, CR LF or a lone CR.
  EXPECT_TRUE(Matches("b$c", "ab\r\nc"));
  EXPECT_TRUE(Matches("b$c", "ab\nc"));
  EXPECT_TRUE(Matches("b$c", "ab\rc"));
  EXPECT_FALSE(Matches("b$\\nc", "ab\r\nc"));
  EXPECT_TRUE(Matches("a[^$]+$", "axyb"));
  EXPECT_FALSE(Matches("a[^$]", "a\nb"));
  EXPECT_FALSE(Matches("a[^$]", "a\rb"));

  Pattern crlf("b$");
  std::ptrdiff_t end = -1;
  EXPECT_TRUE(crlf.Match("ab\r\nc", 0, &end));
  EXPECT_EQ(end, 4);
}

TEST(PatternMatchTest, EmptyTextsAndPatterns) {
  EXPECT_FALSE(Matches("a*", ""));  // no attempt at the terminating zero
  EXPECT_FALSE(Matches("$", ""));
  EXPECT_TRUE(Matches("^", ""));    // an anchored pattern is tried once, even there
  EXPECT_FALSE(Matches("^a", ""));

  Pattern empty("");
  EXPECT_THROW(empty.Match("abc"), InvalidArgumentError);
  Pattern onlyBar("|a");
  EXPECT_THROW(onlyBar.Match("a"), InvalidArgumentError);
}

TEST(PatternMatchTest, StartAndEndOfTheMatch) {
  Pattern pattern("b+");
  std::ptrdiff_t end = -1;
  EXPECT_TRUE(pattern.Match("abbcb", 0, &end));
  EXPECT_EQ(end, 3);
  EXPECT_TRUE(pattern.Match("abbcb", 3, &end));
  EXPECT_EQ(end, 5);
}

TEST(PatternMatchTest, CaptureReturnsTheStretchBetweenMarks) {
  Pattern pattern("=\\c.*\\c$");
  const char* line = "a=b=c";
  ASSERT_TRUE(pattern.Match(line));
  EXPECT_EQ(pattern.Capture(line, 1, 2), "b=c");
  EXPECT_EQ(pattern.Capture(line, 2, 1), "");  // the wrong way round
  EXPECT_EQ(pattern.Capture(line, 1, 3), "");  // no third mark

  // After a failed match nothing is left to capture.
  EXPECT_FALSE(pattern.Match("no sign"));
  EXPECT_EQ(pattern.Capture("no sign", 1, 2), "");

  // A mark before a node stands at its start; marks inside a group count
  // after the group's own.
  Pattern word("\\c[a-z]+\\c");
  ASSERT_TRUE(word.Match("12abc34"));
  EXPECT_EQ(word.Capture("12abc34", 1, 2), "abc");

  Pattern grouped("x(\\cab\\c|\\cc\\c)\\cy");
  const char* text = "xcy";
  ASSERT_TRUE(grouped.Match(text));
  // Mark 1 is the group's markAfter, 2 and 3 those of the failed "ab", 4 and
  // 5 those of "c".
  EXPECT_EQ(grouped.Capture(text, 4, 5), "c");
  EXPECT_EQ(grouped.Capture(text, 4, 1), "c");
  EXPECT_EQ(grouped.Capture(text, 2, 3), "");
}

TEST(PatternMatchTest, RepeatedMatchesForgetEarlierOnes) {
  Pattern pattern("\\c[0-9]+\\c");
  ASSERT_TRUE(pattern.Match("a123"));
  EXPECT_EQ(pattern.Capture("a123", 1, 2), "123");
  ASSERT_TRUE(pattern.Match("45b"));
  EXPECT_EQ(pattern.Capture("45b", 1, 2), "45");
}

}  // namespace
