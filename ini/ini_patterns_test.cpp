// The three patterns that classify INI lines: what they compile to and what
// they take out of a line.

#include "ini/ini_patterns.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Node = PatternNode;

// The stretch between marks 1 and 2, or "<no match>".
std::string Take(Pattern& pattern, const char* line) {
  return pattern.Match(line) ? pattern.Capture(line, 1, 2) : "<no match>";
}

TEST(IniPatternsTest, CompileToTheirNodes) {
  const auto& value = ValuePattern.sequence().nodes();
  ASSERT_EQ(value.size(), 3u);
  EXPECT_TRUE(value[0].markAfter);
  EXPECT_TRUE(value[1].anyChar && value[1].markAfter);
  EXPECT_EQ(value[1].repeat, Node::ZeroOrMore);
  EXPECT_TRUE(value[2].endOfLine);

  const auto& key = KeyPattern.sequence().nodes();
  ASSERT_EQ(key.size(), 4u);
  EXPECT_TRUE(key[0].startOfLine);
  EXPECT_EQ(std::string(key[1].members.begin(), key[1].members.end()), "\t ");
  EXPECT_TRUE(key[1].markAfter);
  EXPECT_TRUE(key[2].negated && key[2].markAfter);
  EXPECT_EQ(key[2].repeat, Node::OneOrMore);

  const auto& section = SectionPattern.sequence().nodes();
  ASSERT_EQ(section.size(), 5u);
  EXPECT_EQ(section[2].members, std::vector<unsigned char>{'['});
  EXPECT_TRUE(section[2].markAfter);
  EXPECT_TRUE(section[3].negated && section[3].markAfter);
  EXPECT_EQ(section[4].members, std::vector<unsigned char>{']'});
  for (const Node& node : section) EXPECT_FALSE(node.ignoreCase);
}

TEST(IniPatternsTest, KeyAndValue) {
  EXPECT_EQ(Take(KeyPattern, "  key = value"), "key ");
  EXPECT_EQ(Take(ValuePattern, "  key = value"), " value");
  EXPECT_EQ(Take(KeyPattern, "\tk=v"), "k");
  EXPECT_EQ(Take(ValuePattern, "a=b=c"), "b=c");
  EXPECT_EQ(Take(ValuePattern, "a="), "");
  EXPECT_EQ(Take(KeyPattern, "[x]=1"), "[x]");
  for (const char* line : {"=value", "   =value", "no equals sign", ""})
    EXPECT_EQ(Take(KeyPattern, line), "<no match>") << line;
  EXPECT_EQ(Take(ValuePattern, "no equals sign"), "<no match>");
}

TEST(IniPatternsTest, Section) {
  for (const char* line : {"[Sec]", "  [Sec]", "\t[Sec] trailing text", "[Sec]=1"})
    EXPECT_EQ(Take(SectionPattern, line), "Sec") << line;
  EXPECT_EQ(Take(SectionPattern, "[a=b]"), "a=b");
  for (const char* line : {"[]", "[Sec", "x[Sec]", ""})
    EXPECT_EQ(Take(SectionPattern, line), "<no match>") << line;
}

}  // namespace
