#include "platform/text/UnicodeText.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(UnicodeText, DecodesEveryLengthOfScalar) {
    EXPECT_EQ(scalars("a\u00E9\u20AC\U0001F600"), (std::vector<char32_t>{U'a', U'\u00E9', U'\u20AC', U'\U0001F600'}));
    std::string text;
    for (char32_t s : {U'a', U'\u00E9', U'\u20AC', U'\U0001F600', U'\0'}) appendScalar(text, s);
    EXPECT_EQ(text, std::string("a\u00E9\u20AC\U0001F600") + '\0');
}

TEST(UnicodeText, MalformedBytesReadAsOneReplacementEachAndAreNoValidUTF8) {
    const char32_t bad = replacementCharacter;
    // A stray continuation byte, an overlong "/", a surrogate, a value past U+10FFFF, a
    // lead byte that cannot start anything, and a sequence cut off at the end.
    const std::pair<std::string, std::vector<char32_t>> cases[] = {
        {"\x80", {bad}}, {"\xC0\xAF", {bad, bad}}, {"\xED\xA0\x80", {bad, bad, bad}},
        {"\xF4\x90\x80\x80", {bad, bad, bad, bad}}, {"\xFFx", {bad, U'x'}}, {"a\xE2\x82", {U'a', bad, bad}}};
    for (const auto& [text, read] : cases) {
        EXPECT_EQ(scalars(text), read) << text;
        EXPECT_FALSE(isValidUTF8(text)) << text;
    }
    EXPECT_EQ(decodeScalar("\xE2\x82", 0).length, 1u);
    EXPECT_TRUE(isValidUTF8("caf\xC3\xA9 \xEF\xBF\xBD \xF0\x9F\x98\x80"));
}

TEST(UnicodeText, TrimsEveryKindOfWhiteSpaceAndLineBreak) {
    EXPECT_EQ(trimmingWhitespaceAndNewlines("  x  "), "x");
    EXPECT_EQ(trimmingWhitespaceAndNewlines("\t\r\n\v\f x y \u0085"), "x y");
    EXPECT_EQ(trimmingWhitespaceAndNewlines("\u00A0\u2003\u3000name\u2028\u2029\u202F\u205F\u1680"), "name");
    EXPECT_EQ(trimmingWhitespaceAndNewlines("   "), "");
    EXPECT_EQ(trimmingWhitespaceAndNewlines(""), "");
    // Zero-width space and a control character that is not a line break are not white space.
    EXPECT_EQ(trimmingWhitespaceAndNewlines("\u200B"), "\u200B");
    EXPECT_EQ(trimmingWhitespaceAndNewlines(std::string(1, '\0')), std::string(1, '\0'));
    EXPECT_EQ(trimmingWhitespaceAndNewlines(" \xFF "), "\xFF");
}

TEST(UnicodeText, ClassifiesControlCharacters) {
    for (char32_t c : {0x00, 0x1F, 0x7F, 0x9F}) EXPECT_TRUE(isControlCharacter(c)) << std::uint32_t(c);
    for (char32_t c : {0x20, 0x7E, 0xA0}) EXPECT_FALSE(isControlCharacter(c)) << std::uint32_t(c);
}

TEST(UnicodeText, ASCIICaseFoldingLeavesOtherLettersAloneAndLowerCaseFollowsUnicode) {
    EXPECT_EQ(asciiLowercased("Holiday.JPG \u00C9"), "holiday.jpg \u00C9");
    EXPECT_TRUE(equalsIgnoringASCIICase("Public.JPEG", "public.jpeg"));
    EXPECT_FALSE(equalsIgnoringASCIICase("public.jpeg", "public.jpe"));
    EXPECT_FALSE(equalsIgnoringASCIICase("\u00C9", "\u00E9"));
    EXPECT_TRUE(hasSuffixIgnoringASCIICase("Holiday.JPG", ".jpg"));
    EXPECT_FALSE(hasSuffixIgnoringASCIICase("jpg", ".jpg"));
    EXPECT_TRUE(hasSuffixIgnoringASCIICase("", ""));
    EXPECT_EQ(unicodeLowercased("<FILTER> \xC3\x89T\xC3\x89 \xCE\xA3"), "<filter> \xC3\xA9t\xC3\xA9 \xCF\x83");
}
