#include "platform/TextFormat.h"
#include "support/EnglishNumbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace platform;

using testing_support::EnglishNumbers;

TEST_F(EnglishNumbers, IntegersArePlainOrGroupedInThrees) {
    EXPECT_EQ(plainInteger(12000), "12000");
    EXPECT_EQ(plainInteger(-7), "-7");
    EXPECT_EQ(groupedInteger(0), "0");
    EXPECT_EQ(groupedInteger(999), "999");
    EXPECT_EQ(groupedInteger(1000), "1,000");
    EXPECT_EQ(groupedInteger(12000), "12,000");
    EXPECT_EQ(groupedInteger(1000000), "1,000,000");
    EXPECT_EQ(groupedInteger(-1234567), "-1,234,567");
    EXPECT_EQ(groupedInteger(std::numeric_limits<std::int64_t>::min()), "-9,223,372,036,854,775,808");
    EXPECT_EQ(groupedInteger(std::numeric_limits<std::int64_t>::max()), "9,223,372,036,854,775,807");
}

TEST_F(EnglishNumbers, TheApplicationCanSetItsLocaleMarks) {
    setNumberSeparators({".", ","});
    EXPECT_EQ(groupedInteger(12000), "12.000");
    EXPECT_EQ(byteCount(1'500'000), "1,5 MB");
    setNumberSeparators({"\u202F", "."});
    EXPECT_EQ(groupedInteger(1234567), "1\u202F234\u202F567");
}

TEST_F(EnglishNumbers, ByteCountsUseDecimalUnitsAndSpellZero) {
    EXPECT_EQ(byteCount(0), "Zero kB");
    EXPECT_EQ(byteCount(1), "1 byte");
    EXPECT_EQ(byteCount(2), "2 bytes");
    EXPECT_EQ(byteCount(999), "999 bytes");
    EXPECT_EQ(byteCount(1000), "1 kB");
    EXPECT_EQ(byteCount(1499), "1 kB");
    EXPECT_EQ(byteCount(1500), "2 kB");
    EXPECT_EQ(byteCount(12'000), "12 kB");
    EXPECT_EQ(byteCount(12'345), "12 kB");
    EXPECT_EQ(byteCount(1'000'000), "1 MB");
    EXPECT_EQ(byteCount(1'500'000), "1.5 MB");
    EXPECT_EQ(byteCount(1'549'999), "1.5 MB");
    EXPECT_EQ(byteCount(1'550'000), "1.6 MB");
    EXPECT_EQ(byteCount(2'250'000'000), "2.25 GB");
    EXPECT_EQ(byteCount(2'000'000'000), "2 GB");
    EXPECT_EQ(byteCount(2'205'000'000), "2.21 GB");
    EXPECT_EQ(byteCount(3'100'000'000'000), "3.1 TB");
    EXPECT_EQ(byteCount(-1500), "-2 kB");
}

TEST_F(EnglishNumbers, AByteCountThatRoundsToAThousandMovesUpAUnit) {
    EXPECT_EQ(byteCount(999'499), "999 kB");
    EXPECT_EQ(byteCount(999'500), "1 MB");
    EXPECT_EQ(byteCount(999'949'999), "999.9 MB");
    EXPECT_EQ(byteCount(999'950'000), "1 GB");
    EXPECT_EQ(byteCount(std::numeric_limits<std::int64_t>::max()), "9.22 EB");
    EXPECT_EQ(byteCount(std::numeric_limits<std::int64_t>::min()), "-9.22 EB");
}

TEST(DoubleText, ShortestRoundTripWithAFractionOnWholeNumbers) {
    EXPECT_EQ(doubleText(12000), "12000.0");
    EXPECT_EQ(doubleText(9000.4), "9000.4");
    EXPECT_EQ(doubleText(0), "0.0");
    EXPECT_EQ(doubleText(-0.0), "-0.0");
    EXPECT_EQ(doubleText(0.1), "0.1");
    EXPECT_EQ(doubleText(1.0 / 3.0), "0.3333333333333333");
    EXPECT_EQ(doubleText(-2.5), "-2.5");
    EXPECT_EQ(doubleText(100000000), "100000000.0");
    EXPECT_EQ(doubleText(1000000.4), "1000000.4");
}

TEST(DoubleText, ExponentFormOutsideTheFixedRangeAndNamedSpecials) {
    EXPECT_EQ(doubleText(9007199254740992.0), "9007199254740992.0");
    EXPECT_EQ(doubleText(1e16), "1e+16");
    EXPECT_EQ(doubleText(1.5e300), "1.5e+300");
    EXPECT_EQ(doubleText(0.0001), "0.0001");
    EXPECT_EQ(doubleText(0.00001), "1e-05");
    EXPECT_EQ(doubleText(-2.5e-7), "-2.5e-07");
    EXPECT_EQ(doubleText(std::numeric_limits<double>::infinity()), "inf");
    EXPECT_EQ(doubleText(-std::numeric_limits<double>::infinity()), "-inf");
    EXPECT_EQ(doubleText(std::nan("")), "nan");
}
