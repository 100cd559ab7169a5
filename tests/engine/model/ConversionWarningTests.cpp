#include "ImageEngine/Model/ConversionWarning.h"

#include "support/EnglishNumbers.h"

#include <gtest/gtest.h>

#include <unordered_set>

using namespace pictavo;

namespace {
class EnglishWarnings : public testing_support::EnglishNumbers {};
} // namespace

// Only the messages that carry a payload: the fixed ones are copies of one table.
TEST_F(EnglishWarnings, EveryCaseWithAPayloadHasItsMessageAndEqualityAndHashFollowCaseAndPayload) {
    const std::vector<std::pair<ConversionWarning, std::string>> cases = {
        {ConversionWarning::animationLost(24), "Only the first of 24 frames will be converted."},
        {ConversionWarning::targetSizeMissed(1'530'000), "Can't get below the target. The smallest is 1.5 MB."},
        {ConversionWarning::targetSizeMissed(48'213), "Can't get below the target. The smallest is 48 kB."},
        {ConversionWarning::targetSizeMissed(0), "Can't get below the target. The smallest is Zero kB."},
        {ConversionWarning::iconLadderTrimmed(1, 10),
         "This image is too small for the full icon, so it has 1 size instead of 10."},
        {ConversionWarning::iconLadderTrimmed(4, 10),
         "This image is too small for the full icon, so it has 4 sizes instead of 10."},
        {ConversionWarning::formatFellBack(OutputFormat::png(), "PSD"),
         "PSD can't be written, so this will be written as PNG."},
        {ConversionWarning::vectorRasterised(12000, 800),
         "This vector will be redrawn as 12000 \u00D7 800 pixels, so it won't scale any more."},
    };
    for (const auto& [warning, message] : cases) EXPECT_EQ(warning.message(), message);
    // The badge names the format written, by the name the format menu shows.
    EXPECT_EQ(ConversionWarning::formatFellBack(OutputFormat::png(), "PSD").label(), "as PNG");

    std::unordered_set<ConversionWarning> seen{
        ConversionWarning::reencoded(), ConversionWarning::reencoded(),
        ConversionWarning::transparencyFlattened(), ConversionWarning::formatFellBack(OutputFormat::png(), "PSD"),
        ConversionWarning::formatFellBack(OutputFormat::png(), "PSD"),
        ConversionWarning::formatFellBack(OutputFormat::jpeg(), "PSD"),
        ConversionWarning::formatFellBack(OutputFormat::png(), "EXR"), ConversionWarning::iconLadderTrimmed(1, 10),
        ConversionWarning::iconLadderTrimmed(10, 1),
    };
    EXPECT_EQ(seen.size(), 7u);
    EXPECT_NE(ConversionWarning::animationLost(2), ConversionWarning::targetSizeMissed(2));
}
