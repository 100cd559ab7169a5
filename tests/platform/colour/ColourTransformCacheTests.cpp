#include "platform/colour/ColourTransformCache.h"

#include "support/TemporaryFolder.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <array>
#include <thread>
#include <vector>

using namespace platform;
using namespace testing_support;

TEST(ColourTransformCache, SharesOneTransformPerPairOfProfilesAndFormats) {
    auto& cache = ColourTransformCache::shared();
    auto first = cache.transform(displayP3(), TYPE_RGB_8, ColourSpace::sRGB(), TYPE_RGB_8);
    ASSERT_TRUE(first);
    // Another object holding the same profile finds the same transform.
    auto again = ColourSpace::fromICC(displayP3()->iccData());
    EXPECT_EQ(cache.transform(again, TYPE_RGB_8, ColourSpace::sRGB(), TYPE_RGB_8), first);
    EXPECT_NE(cache.transform(displayP3(), TYPE_RGBA_8, ColourSpace::sRGB(), TYPE_RGBA_8), first);
    EXPECT_NE(cache.transform(adobeRGB(), TYPE_RGB_8, ColourSpace::sRGB(), TYPE_RGB_8), first);
    // Formats that do not fit the profiles give nothing.
    EXPECT_FALSE(cache.transform(displayP3(), TYPE_CMYK_8, ColourSpace::sRGB(), TYPE_RGB_8));
    EXPECT_FALSE(cache.transform(nullptr, TYPE_RGB_8, ColourSpace::sRGB(), TYPE_RGB_8));
}

TEST(ColourTransformCache, GivesTheSameColoursToManyThreadsAtOnce) {
    std::vector<std::thread> threads;
    std::array<std::array<std::uint8_t, 3>, 8> results{};
    for (std::size_t t = 0; t < results.size(); ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 200; ++round) {
                auto transform = ColourTransformCache::shared().transform(
                    t % 2 ? displayP3() : adobeRGB(), TYPE_RGB_8, ColourSpace::sRGB(), TYPE_RGB_8);
                const std::uint8_t input[3] = {200, 100, 50};
                transform->apply(input, results[t].data(), 1);
            }
        });
    for (auto& thread : threads) thread.join();
    for (std::size_t t = 2; t < results.size(); ++t) EXPECT_EQ(results[t], results[t % 2]);
    EXPECT_NE(results[0], results[1]);
}

TEST(ColourTransformCache, RendersPrintColoursByTheIntentTheirProfileNames) {
    auto press = readFile("/usr/share/color/icc/ghostscript/default_cmyk.icc");
    // Deep ink, where the press's black and the screen's lie furthest apart.
    const std::uint8_t ink[4] = {200, 180, 160, 220};
    const auto rendered = [&](const Bytes& profile, cmsUInt32Number intent, cmsUInt32Number flags) {
        cmsHPROFILE source = cmsOpenProfileFromMem(profile.data(), static_cast<cmsUInt32Number>(profile.size()));
        cmsHPROFILE sRGB = cmsCreate_sRGBProfile();
        cmsHTRANSFORM transform = cmsCreateTransform(source, TYPE_CMYK_8, sRGB, TYPE_RGB_8, intent, flags);
        std::array<std::uint8_t, 3> colour{};
        cmsDoTransform(transform, ink, colour.data(), 1);
        cmsDeleteTransform(transform);
        cmsCloseProfile(source);
        cmsCloseProfile(sRGB);
        return colour;
    };
    const auto ours = [&](const Bytes& profile) {
        std::array<std::uint8_t, 3> colour{};
        ColourTransformCache::shared()
            .transform(ColourSpace::fromICC(profile), TYPE_CMYK_8, ColourSpace::sRGB(), TYPE_RGB_8)
            ->apply(ink, colour.data(), 1);
        return colour;
    };
    // The header's intent field, bytes 64 to 67.
    ASSERT_EQ(press[67], INTENT_PERCEPTUAL);
    const auto perceptual = rendered(press, INTENT_PERCEPTUAL, 0);
    EXPECT_EQ(ours(press), perceptual);
    press[67] = INTENT_RELATIVE_COLORIMETRIC;
    const auto relative = rendered(press, INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_BLACKPOINTCOMPENSATION);
    ASSERT_NE(relative, perceptual);
    EXPECT_EQ(ours(press), relative);
}

TEST(ColourTransformCache, RendersAPrintProfileWithoutATableForItsNamedIntentColorimetrically) {
    // A press profile holding only its colorimetric table, whose header still names perceptual.
    const auto press = readFile("/usr/share/color/icc/ghostscript/default_cmyk.icc");
    cmsHPROFILE full = cmsOpenProfileFromMem(press.data(), static_cast<cmsUInt32Number>(press.size()));
    cmsHPROFILE partial = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(partial, 2.1);
    cmsSetDeviceClass(partial, cmsSigOutputClass);
    cmsSetColorSpace(partial, cmsSigCmykData);
    cmsSetPCS(partial, cmsGetPCS(full));
    cmsSetHeaderRenderingIntent(partial, INTENT_PERCEPTUAL);
    ASSERT_TRUE(cmsWriteTag(partial, cmsSigAToB1Tag, cmsReadTag(full, cmsSigAToB1Tag)));
    cmsWriteTag(partial, cmsSigMediaWhitePointTag, cmsReadTag(full, cmsSigMediaWhitePointTag));
    cmsCloseProfile(full);
    const Bytes icc = profileBytes(partial);

    const std::uint8_t ink[4] = {20, 140, 200, 10};
    std::array<std::uint8_t, 3> expected{};
    cmsHPROFILE source = cmsOpenProfileFromMem(icc.data(), static_cast<cmsUInt32Number>(icc.size()));
    cmsHPROFILE sRGB = cmsCreate_sRGBProfile();
    ASSERT_FALSE(cmsCreateTransform(source, TYPE_CMYK_8, sRGB, TYPE_RGB_8, INTENT_PERCEPTUAL, 0));
    cmsHTRANSFORM colorimetric = cmsCreateTransform(source, TYPE_CMYK_8, sRGB, TYPE_RGB_8,
                                                    INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_BLACKPOINTCOMPENSATION);
    ASSERT_TRUE(colorimetric);
    cmsDoTransform(colorimetric, ink, expected.data(), 1);
    cmsDeleteTransform(colorimetric);
    cmsCloseProfile(source);
    cmsCloseProfile(sRGB);

    const auto transform =
        ColourTransformCache::shared().transform(ColourSpace::fromICC(icc), TYPE_CMYK_8, ColourSpace::sRGB(), TYPE_RGB_8);
    ASSERT_TRUE(transform);
    std::array<std::uint8_t, 3> ours{};
    transform->apply(ink, ours.data(), 1);
    EXPECT_EQ(ours, expected);
}
