#include "platform/text.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(TextTest, Utf16AndUtf8ConvertWithoutLossAndInvalidUtf8BecomesReplacementCharacters) {
  std::u16string text = u"caf\u00e9 \u4e2d \U0001F600";
  EXPECT_EQ(Utf16ToUtf8(text), "caf\xc3\xa9 \xe4\xb8\xad \xf0\x9f\x98\x80");
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
  // A lone surrogate survives the round trip too.
  std::u16string lone = {u'a', 0xD800, u'b'};
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(lone)), lone);
  // Invalid UTF-8 becomes replacement characters.
  EXPECT_EQ(Utf8ToUtf16("a\xff" "b"), u"a\uFFFDb");
  EXPECT_EQ(Utf8ToUtf16("\xc3"), u"\uFFFD");          // cut short
  EXPECT_EQ(Utf8ToUtf16("\xc0\xaf"), u"\uFFFD\uFFFD");  // overlong
}

TEST(TextTest, NamesCompareWithoutRegardToCaseInRegistryOrder) {
  EXPECT_TRUE(EqualNoCase("Program Files", "PROGRAM files"));
  EXPECT_TRUE(EqualNoCase("\xc3\xa9t\xc3\xa9", "\xc3\x89T\xc3\x89"));  // été, ÉTÉ
  EXPECT_FALSE(EqualNoCase("a", "ab"));
  EXPECT_FALSE(EqualNoCase("ab", "a\xc3\xa9"));
  // A long s is two bytes and upper-cases to S: equal names of other byte lengths.
  EXPECT_TRUE(EqualNoCase("\xc5\xbfoftware", "SOFTWARE"));
  EXPECT_FALSE(EqualNoCase("[", "{"));
  EXPECT_EQ(ToLower(u'\u00c9'), u'\u00e9');
  EXPECT_EQ(ToUpper(u'_'), u'_');
  // Lower-casing puts [ \ ] ^ _ and the backquote before letters.
  EXPECT_LT(CompareNoCase("_u", "A"), 0);
  EXPECT_LT(CompareNoCase("Z", "{w"), 0);
  EXPECT_EQ(CompareNoCase("Software", "SOFTWARE"), 0);
  EXPECT_LT(CompareNoCase("Soft", "software"), 0);  // a prefix comes first
  EXPECT_EQ(CompareNoCase("\xc3\xa9t\xc3\xa9", "\xc3\x89T\xc3\x89"), 0);
  // UTF-16 order, not UTF-8 byte order: a surrogate pair (U+1F600) sorts
  // before U+FF21, although its UTF-8 form is the larger.
  EXPECT_LT(CompareNoCase("\xf0\x9f\x98\x80", "\xef\xbc\xa1"), 0);
  EXPECT_EQ(Utf16Length("a\xc3\xa9\xf0\x9f\x98\x80"), 4u);
}

}  // namespace
}  // namespace platform
