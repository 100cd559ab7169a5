#include "platform/files/ReplacementRecord.h"

#include <gtest/gtest.h>

namespace {

using platform::ReplacementRecord;

TEST(ReplacementRecords, ReadBackAsWrittenAndNothingElseIsOne) {
    for (const ReplacementRecord& record :
         {ReplacementRecord{"IMG_0007.JPG", {1234, 1'700'000'000'123'456'789}}, ReplacementRecord{"a\nb %.png", {0, {}}}}) {
        EXPECT_EQ(platform::parseReplacementRecord(platform::replacementRecordText(record)), record);
    }
    const std::string good = platform::replacementRecordText({"photo.png", {10, 20}});
    // Cut short while written, a name that leaves its folder, and numbers that are not.
    for (const std::string& text : {good.substr(0, good.size() - 9), good.substr(0, 25), good + "/../x",
                                    std::string("Pictavo replacement\n-1\n20\nphoto.png"),
                                    std::string("Pictavo replacement\n10\n2x\nphoto.png"),
                                    std::string("Pictavo replacement\n10\n20\n.."), std::string()}) {
        EXPECT_FALSE(platform::parseReplacementRecord(text)) << text;
    }
}

} // namespace
