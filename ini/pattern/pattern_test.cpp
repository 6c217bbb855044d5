// Matching compiled patterns against lines and capturing between marks.

#include "ini/pattern/pattern.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/error.h"

namespace {

TEST(PatternMatchTest, MatchesWithoutBacktracking) {
  struct Case {
    const char* pattern;
    const char* text;
    bool matches;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"bc", "abcd", true}, {"a.c", "xabc", true}, {"ab.", "ab", false},  // "." is no end of text
           {"x[0-9]+y", "x2024y", true}, {"x[0-9]+y", "xy", false}, {"x[^0-9]y", "x5y", false},
           {"a[^b]", "a", false}, {"a[]", "ab", false}, {"a[^]", "ab", false}, {"\\[x\\]", "[x]", true},
           {"abc", "xABCx", false}, {"\\233", "\xe9", true},
           // Repetitions take all they can and give nothing back; a group
           // keeps the first alternative that matches.
           {"a*a", "aaaa", false}, {".*x", "abx", false}, {"ba?c", "bc", true}, {"ab+c", "ac", false},
           {"(a|ab)c", "abc", false}, {"(a|ab)c", "ac", true}, {"(ab|a)c", "abc", true},
           // An empty alternative matches the empty stretch, at the start too.
           {"x(a|)y", "xy", true}, {"(|a)b", "b", true},
           // "^" is tried at the start only; "$" consumes LF, CR LF or CR.
           {"^ab", "abc", true}, {"^b", "a\nb", false}, {"a\\n^b", "xa\nb", true}, {"b$", "abc", false},
           {"b$c", "ab\r\nc", true}, {"b$c", "ab\rc", true}, {"b$\\nc", "ab\r\nc", false},
           {"a[^$]", "a\rb", false}, {"a[^$]+$", "axyb", true},
           // No attempt at the end of an empty text, unless anchored.
           {"a*", "", false}, {"$", "", false}, {"^", "", true}}) {
    Pattern pattern(c.pattern);
    EXPECT_EQ(pattern.Match(c.text), c.matches) << c.pattern << " on " << c.text;
  }
  // Ignore-case folds a to z only, on both sides.
  EXPECT_TRUE(Pattern("abc", true).Match("xABCx"));
  EXPECT_TRUE(Pattern("[A-C]+d", true).Match("abcD"));
  EXPECT_FALSE(Pattern("\\233", true).Match("\xc9"));
}

TEST(PatternMatchTest, MalformedPatternsAreInvalidArguments) {
  // Nothing to match, nothing to repeat, a repeated group, an anchor repeated
  // without end, a lone trailing backslash, groups nested beyond the stack's
  // comfort.
  const std::vector<std::string> texts = {"",   "|a",   "*a",  "(a|+)", "(a)*", "^*",
                                          "$+", "a$*", "[$]*", "a\\",  "[a\\", std::string(100000, '(')};
  for (const std::string& text : texts)
    EXPECT_THROW(Pattern(text.c_str()).Match("a"), InvalidArgumentError) << text.substr(0, 10);
  EXPECT_TRUE(Pattern("^?a$?[^$]*").Match("a"));  // these end
}

TEST(PatternMatchTest, CaptureReturnsTheStretchBetweenMarks) {
  Pattern value("=\\c.*\\c$");
  ASSERT_TRUE(value.Match("a=b=c"));
  EXPECT_EQ(value.Capture("a=b=c", 1, 2), "b=c");
  EXPECT_EQ(value.Capture("a=b=c", 2, 1), "");  // the wrong way round
  EXPECT_EQ(value.Capture("a=b=c", 1, 3), "");  // no third mark
  EXPECT_FALSE(value.Match("no sign"));
  EXPECT_EQ(value.Capture("no sign", 1, 2), "");  // a failed match leaves nothing

  Pattern word("\\c[a-z]+\\c");
  ASSERT_TRUE(word.Match("12abc34"));
  EXPECT_EQ(word.Capture("12abc34", 1, 2), "abc");
  ASSERT_TRUE(word.Match("x"));
  EXPECT_EQ(word.Capture("x", 1, 2), "x");
}

}  // namespace
