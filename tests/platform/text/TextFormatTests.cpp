#include "platform/text/TextFormat.h"
#include "support/EnglishNumbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace platform;

using testing_support::EnglishNumbers;

TEST_F(EnglishNumbers, IntegersArePlainOrGroupedInThreesWithTheApplicationsMarks) {
    EXPECT_EQ(plainInteger(12000), "12000");
    EXPECT_EQ(plainInteger(-7), "-7");
    const std::pair<std::int64_t, const char*> grouped[] = {
        {0, "0"}, {999, "999"}, {1000, "1,000"}, {1000000, "1,000,000"}, {-1234567, "-1,234,567"},
        {std::numeric_limits<std::int64_t>::min(), "-9,223,372,036,854,775,808"},
        {std::numeric_limits<std::int64_t>::max(), "9,223,372,036,854,775,807"}};
    for (const auto& [value, text] : grouped) EXPECT_EQ(groupedInteger(value), text) << value;

    setNumberSeparators({".", ","});
    EXPECT_EQ(groupedInteger(12000), "12.000");
    EXPECT_EQ(byteCount(1'500'000), "1,5 MB");
    setNumberSeparators({"\u202F", "."});
    EXPECT_EQ(groupedInteger(1234567), "1\u202F234\u202F567");
}

TEST_F(EnglishNumbers, ByteCountsUseDecimalUnitsSpellZeroAndMoveUpAUnitWhenRoundedToAThousand) {
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "Zero kB"}, {1, "1 byte"}, {2, "2 bytes"}, {999, "999 bytes"}, {1000, "1 kB"}, {1499, "1 kB"},
        {1500, "2 kB"}, {12'345, "12 kB"}, {-1500, "-2 kB"}, {1'500'000, "1.5 MB"}, {1'549'999, "1.5 MB"},
        {1'550'000, "1.6 MB"}, {2'000'000'000, "2 GB"}, {2'250'000'000, "2.25 GB"}, {2'205'000'000, "2.21 GB"},
        {3'100'000'000'000, "3.1 TB"},
        // Rounded to a thousand of one unit is one of the next.
        {999'499, "999 kB"}, {999'500, "1 MB"}, {999'949'999, "999.9 MB"}, {999'950'000, "1 GB"},
        {std::numeric_limits<std::int64_t>::max(), "9.22 EB"}, {std::numeric_limits<std::int64_t>::min(), "-9.22 EB"},
    };
    for (const auto& [bytes, text] : cases) EXPECT_EQ(byteCount(bytes), text) << bytes;
}

TEST(DoubleText, ShortestRoundTripWithAFractionOnWholeNumbersAndExponentsOutsideTheFixedRange) {
    const double infinity = std::numeric_limits<double>::infinity();
    const std::pair<double, const char*> cases[] = {
        {12000, "12000.0"}, {0, "0.0"}, {-0.0, "-0.0"}, {0.1, "0.1"}, {1.0 / 3.0, "0.3333333333333333"},
        {-2.5, "-2.5"}, {1000000.4, "1000000.4"}, {100000000, "100000000.0"}, {0.0001, "0.0001"},
        {9007199254740992.0, "9007199254740992.0"}, {1e16, "1e+16"}, {1.5e300, "1.5e+300"}, {0.00001, "1e-05"},
        {-2.5e-7, "-2.5e-07"}, {infinity, "inf"}, {-infinity, "-inf"}, {std::nan(""), "nan"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(doubleText(value), text);
}
