#include "platform/text/RegularExpression.h"

#include <gtest/gtest.h>

using platform::RegularExpression;

namespace {

TEST(RegularExpression, ICUConstructsWorkOverUTF8AndGroupsAreViewsIntoTheText) {
    const auto pattern = RegularExpression::compile(R"re((?<![\w-])(fill|stroke)\s*+=\s*"([^"]*)"|(x))re");
    ASSERT_TRUE(pattern);
    const std::string text = R"~(<é fill="ré d" data-fill="no" stroke ="b">)~";
    const auto matches = pattern->allMatches(text);
    ASSERT_EQ(matches.size(), 2u);
    EXPECT_EQ(matches[0][1], "fill");
    EXPECT_EQ(matches[0][2], "ré d");
    EXPECT_EQ(matches[0][3], std::nullopt);
    EXPECT_EQ(matches[1][1], "stroke");
    EXPECT_EQ(matches[1][0]->data(), text.data() + text.find("stroke"));
    EXPECT_FALSE(RegularExpression::compile("(unclosed"));
}

TEST(RegularExpression, DotsCrossLinesOnlyWhenAskedAndReplacementIsLiteral) {
    const std::string css = "a /* one\ntwo */ b /* three */";
    EXPECT_EQ(RegularExpression::compile(R"~(/\*.*?\*/)~", true)->replacingAll(css, " $0 "), "a  $0  b  $0 ");
    EXPECT_EQ(RegularExpression::compile(R"~(/\*.*?\*/)~")->replacingAll(css, ""), "a /* one\ntwo */ b ");
    EXPECT_TRUE(RegularExpression::compile("^url\\([^)]*\\)$")->foundIn("url(#a)"));
    EXPECT_FALSE(RegularExpression::compile("^url\\([^)]*\\)$")->foundIn("url(#a) url(#b)"));
}

} // namespace
