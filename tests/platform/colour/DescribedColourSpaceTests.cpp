#include "platform/colour/ColourTransformCache.h"
#include "platform/colour/DescribedColourSpace.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cstdint>

using namespace platform;

namespace {

// The sRGB value a viewer shows for a grey coded value of the description's curve.
int shownGrey(const ColourDescription& description, std::uint16_t coded) {
    const auto space = describedColourSpace(description);
    if (!space) return -1;
    const auto transform = ColourTransformCache::shared().transform(space, TYPE_RGB_16, ColourSpace::sRGB(), TYPE_RGB_8);
    const std::uint16_t in[3] = {coded, coded, coded};
    std::uint8_t out[3] = {};
    transform->apply(in, out, 1);
    return out[1];
}

std::uint16_t coded(double value) { return static_cast<std::uint16_t>(value * 65535 + 0.5); }

} // namespace

TEST(DescribedColourSpace, BT709PrimariesWithTheSRGBCurveAreSRGBAndTheProfileHasAFixedDateAndItsName) {
    const auto space = describedColourSpace({sRGBChromaticities(), {TransferCurve::sRGB, 1.0}, "Tagged"});
    ASSERT_TRUE(space);
    EXPECT_TRUE(space->isSRGB());
    EXPECT_EQ(space->description().value_or(""), "Tagged");
    const Bytes date{0x07, 0xCE, 0, 2, 0, 9, 0, 6, 0, 49, 0, 0};
    EXPECT_EQ(Bytes(space->iccData().begin() + 24, space->iccData().begin() + 36), date);
    const auto grey = describedColourSpace({sRGBChromaticities(), {TransferCurve::power, 1.0}, "Linear grey"}, false);
    ASSERT_TRUE(grey);
    EXPECT_EQ(grey->model(), ColourModel::monochrome);
}

TEST(DescribedColourSpace, HighDynamicRangeCurvesPutTheirReferenceWhiteAtWhiteAndVideoCurvesFollowTheirStandard) {
    const auto with = [](TransferCurve curve) { return ColourDescription{sRGBChromaticities(), {curve}, "HDR"}; };
    // 203 cd/m² is PQ's 0.5807 and HLG's 0.75; half of it is darker, and brighter light is clipped.
    EXPECT_GE(shownGrey(with(TransferCurve::pq), coded(0.5807)), 254);
    EXPECT_GE(shownGrey(with(TransferCurve::hlg), coded(0.75)), 254);
    EXPECT_EQ(shownGrey(with(TransferCurve::pq), coded(1.0)), 255);
    EXPECT_LT(shownGrey(with(TransferCurve::pq), coded(0.5)), 235);
    EXPECT_LT(shownGrey(with(TransferCurve::hlg), coded(0.6)), 235);
    // BT.709's camera curve: coded 0.5 is light ((0.5 + 0.099) / 1.099) ^ (1 / 0.45) = 0.2597, sRGB 139.
    EXPECT_NEAR(shownGrey(with(TransferCurve::bt709), coded(0.5)), 139, 1);
    // Below the knee the curve is straight: coded 0.04 is light 0.04 / 4.5 = 0.0089, sRGB 24.
    EXPECT_NEAR(shownGrey(with(TransferCurve::bt709), coded(0.04)), 24, 1);
}

TEST(DescribedColourSpace, ChromaticitiesThatDescribeNoColourSpaceGiveNone) {
    const Chromaticity white{0.3127, 0.3290};
    EXPECT_FALSE(describedColourSpace({{white, {0.3, 0.6}, {0.3, 0.6}, {0.15, 0.06}}, {}, "two alike"}));
    EXPECT_FALSE(describedColourSpace({{white, {0.6, 0.3}, {0.4, 0.2}, {0.2, 0.1}}, {}, "in a line"}));
    EXPECT_FALSE(describedColourSpace({{{0.3, 0}, {0.64, 0.33}, {0.3, 0.6}, {0.15, 0.06}}, {}, "white of no light"}));
    EXPECT_FALSE(describedColourSpace({{white, {0.9, 0.9}, {0.3, 0.6}, {0.15, 0.06}}, {}, "outside"}));
}
