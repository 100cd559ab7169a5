#include "platform/text/EnglishList.h"

#include <gtest/gtest.h>

using platform::englishList;

TEST(EnglishList, ItemsAreJoinedByCommasAndTheLastByAnd) {
    EXPECT_EQ(englishList({}), "");
    EXPECT_EQ(englishList({"EXIF"}), "EXIF");
    EXPECT_EQ(englishList({"EXIF", "GPS"}), "EXIF and GPS");
    EXPECT_EQ(englishList({"EXIF", "GPS", "XMP", "IPTC"}), "EXIF, GPS, XMP and IPTC");
}
