#include "platform/text/CanonicalText.h"

#include <gtest/gtest.h>

using platform::canonicallyComposed;
using platform::canonicallyEquivalent;

TEST(CanonicalText, ComposesEquivalentSpellingsAndKeepsBrokenBytes) {
    EXPECT_EQ(canonicallyComposed("cafe\u0301"), "caf\u00e9");
    EXPECT_EQ(canonicallyComposed("Hangul \u1100\u1161"), "Hangul \uac00");
    EXPECT_EQ(canonicallyComposed("plain {name}"), "plain {name}");
    EXPECT_EQ(canonicallyComposed(std::string("a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(canonicallyComposed("bad \xC3 byte \xFF"), "bad \xC3 byte \xFF");
    EXPECT_TRUE(canonicallyEquivalent("\u212B", "\u00C5")); // the Ångström sign is a letter Å
    EXPECT_FALSE(canonicallyEquivalent("\uFB01", "fi"));    // a ligature is only compatible
    EXPECT_FALSE(canonicallyEquivalent("e", "\u00e9"));
}
