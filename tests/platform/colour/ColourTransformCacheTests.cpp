#include "platform/colour/ColourTransformCache.h"

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
