#include "platform/posix/text.h"

#include <gtest/gtest.h>

namespace platform::posix {
namespace {

TEST(TextTest, Utf16AndUtf8ConvertWithoutLoss) {
  std::u16string text = u"caf\u00e9 \u4e2d \U0001F600";
  EXPECT_EQ(Utf16ToUtf8(text), "caf\xc3\xa9 \xe4\xb8\xad \xf0\x9f\x98\x80");
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
  // A lone surrogate survives the round trip too.
  std::u16string lone = {u'a', 0xD800, u'b'};
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(lone)), lone);
}

TEST(TextTest, InvalidUtf8BecomesReplacementCharacters) {
  EXPECT_EQ(Utf8ToUtf16("a\xff" "b"), u"a\uFFFDb");
  EXPECT_EQ(Utf8ToUtf16("\xc3"), u"\uFFFD");          // cut short
  EXPECT_EQ(Utf8ToUtf16("\xc0\xaf"), u"\uFFFD\uFFFD");  // overlong
}

TEST(TextTest, NamesCompareWithoutRegardToCase) {
  EXPECT_TRUE(EqualNoCase("Program Files", "PROGRAM files"));
  EXPECT_TRUE(EqualNoCase("\xc3\xa9t\xc3\xa9", "\xc3\x89T\xc3\x89"));  // été, ÉTÉ
  EXPECT_FALSE(EqualNoCase("a", "ab"));
  EXPECT_FALSE(EqualNoCase("[", "{"));
  EXPECT_EQ(ToLower(u'\u00c9'), u'\u00e9');
  EXPECT_EQ(ToUpper(u'_'), u'_');
}

}  // namespace
}  // namespace platform::posix
