#include "platform/pixels/BitmapContext.h"
#include "platform/pixels/BandRunner.h"

#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <tuple>

using namespace platform;
using namespace testing_support;

namespace {

Rect whole(const BitmapContext& context) {
    return {{0, 0}, {static_cast<double>(context.width()), static_cast<double>(context.height())}};
}

ImageRef drawn(const ImageRef& image, std::int64_t width, std::int64_t height, BitmapLayout layout,
               ColourSpaceRef space = ColourSpace::sRGB()) {
    auto context = BitmapContext::create(width, height, std::move(space), layout);
    EXPECT_TRUE(context);
    EXPECT_TRUE(context->draw(image, whole(*context)));
    return context->makeImage();
}

void expectNear(const std::vector<int>& actual, const std::vector<int>& expected, int tolerance) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], tolerance) << "component " << i;
}

} // namespace

TEST(BitmapContext, RefusesSpacesThatDoNotSuitTheLayoutSizesItCannotHoldAndMislabelledImages) {
    EXPECT_FALSE(BitmapContext::create(4, 4, ColourSpace::deviceGray(), BitmapLayout::premultipliedLast));
    EXPECT_FALSE(BitmapContext::create(4, 4, ColourSpace::sRGB(), BitmapLayout::greyNone));
    EXPECT_FALSE(BitmapContext::create(4, 4, nullptr, BitmapLayout::noneSkipLast));
    EXPECT_FALSE(BitmapContext::create(0, 4, ColourSpace::sRGB(), BitmapLayout::noneSkipLast));
    EXPECT_FALSE(BitmapContext::create(INT64_MAX / 2, INT64_MAX / 2, ColourSpace::sRGB(), BitmapLayout::noneSkipLast));
    EXPECT_TRUE(BitmapContext::create(4, 4, nullptr, BitmapLayout::alphaOnly));

    auto context = BitmapContext::create(3, 2, ColourSpace::sRGB(), BitmapLayout::premultipliedLast);
    auto image = context->makeImage();
    EXPECT_EQ(image->alphaInfo(), AlphaInfo::premultipliedLast);
    EXPECT_EQ(pixelAt(*image, 2, 1), (std::vector<int>{0, 0, 0, 0}));
    // An opaque context starts black in every pixel, far past its first few rows too.
    auto opaque = BitmapContext::create(150, 123, ColourSpace::sRGB(), BitmapLayout::noneSkipLast)->makeImage();
    ASSERT_EQ(opaque->buffer()->size(), 150u * 123 * 4);
    for (std::int64_t y = 0; y < 123; ++y)
        for (std::int64_t x = 0; x < 150; ++x) ASSERT_EQ(pixelAt(*opaque, x, y), (std::vector<int>{0, 0, 0, 255}));
    // Images whose pixels do not match their colour space are not drawn.
    EXPECT_FALSE(context->draw(filled8(2, 2, AlphaInfo::none, ColourSpace::deviceGray(), {1, 2, 3}), whole(*context)));
    EXPECT_FALSE(context->draw(nullptr, whole(*context)));
}

TEST(BitmapContext, FillsWithSRGBColoursMatchedIntoItsSpaceAndCoversFractionalEdgesPartly) {
    auto context = BitmapContext::create(4, 4, ColourSpace::sRGB(), BitmapLayout::premultipliedLast);
    context->fill({{0, 0}, {4, 4}}, {1, 0, 0, 1});
    context->fill({{1, 0}, {1.5, 4}}, {0, 0, 1, 0.5});
    auto image = context->makeImage();
    expectNear(pixelAt(*image, 0, 0), {255, 0, 0, 255}, 0);
    expectNear(pixelAt(*image, 1, 3), {128, 0, 128, 255}, 1);
    expectNear(pixelAt(*image, 2, 3), {191, 0, 64, 255}, 1); // half covered by the half-opaque blue

    // Drawing after an image was taken leaves that image alone.
    context->fill(whole(*context), {0, 1, 0, 1});
    expectNear(pixelAt(*image, 0, 0), {255, 0, 0, 255}, 0);
    expectNear(pixelAt(*context->makeImage(), 0, 0), {0, 255, 0, 255}, 0);

    const auto filled = [](ColourSpaceRef space, BitmapLayout layout, const SRGBColour& colour) {
        auto one = BitmapContext::create(1, 1, std::move(space), layout);
        one->fill(whole(*one), colour);
        return pixelAt(*one->makeImage(), 0, 0);
    };
    // sRGB red lies inside Display P3: it becomes a less saturated P3 red.
    expectNear(filled(displayP3(), BitmapLayout::noneSkipLast, {1, 0, 0, 1}), {234, 51, 35, 255}, 2);
    expectNear(filled(ColourSpace::deviceGray(), BitmapLayout::greyNone, {0.5, 0.5, 0.5, 1}), {128}, 1);
}

TEST(BitmapContext, ConvertsEveryDepthLayoutAndColourSpaceToItsOwn) {
    struct Case {
        const char* what;
        ImageRef image;
        BitmapLayout layout;
        ColourSpaceRef space;
        std::vector<int> expected;
        int tolerance;
    };
    const auto srgb = ColourSpace::sRGB();
    const auto premultiplied = BitmapLayout::premultipliedLast;
    const auto opaque = BitmapLayout::noneSkipLast;
    const Case cases[] = {
        {"straight RGBA", image8(1, 1, 4, AlphaInfo::last, srgb, {200, 100, 50, 128}), premultiplied, srgb, {100, 50, 25, 128}, 0},
        {"premultiplied ARGB", image8(1, 1, 4, AlphaInfo::premultipliedFirst, srgb, {128, 100, 50, 25}), premultiplied, srgb, {100, 50, 25, 128}, 0},
        {"XRGB", image8(1, 1, 4, AlphaInfo::noneSkipFirst, srgb, {0, 10, 20, 30}), opaque, srgb, {10, 20, 30, 255}, 0},
        // An alpha of 65534 is opaque at 8 bits.
        {"16-bit RGBA", image16(1, 1, 4, AlphaInfo::last, srgb, {65535, 32896, 0, 65534}), premultiplied, srgb, {255, 128, 0, 255}, 0},
        {"float RGB, clipped", imageFloat(1, 1, 3, AlphaInfo::none, srgb, {1.5f, 0.5f, -0.2f}), opaque, srgb, {255, 128, 0, 255}, 0},
        // Untagged grey shares sRGB's curve; untagged CMYK takes the textbook formula.
        {"untagged grey", image8(1, 1, 2, AlphaInfo::last, nullptr, {90, 255}), premultiplied, srgb, {90, 90, 90, 255}, 0},
        {"untagged CMYK", image8(1, 1, 4, AlphaInfo::none, nullptr, {255, 0, 0, 0}), opaque, srgb, {0, 255, 255, 255}, 0},
        {"16-bit CMYK", image16(1, 1, 4, AlphaInfo::none, nullptr, {0, 0, 65535, 32768}), opaque, srgb, {127, 127, 0, 255}, 1},
        {"sRGB into grey", image8(1, 1, 3, AlphaInfo::none, srgb, {77, 77, 77}), BitmapLayout::greyNone, ColourSpace::deviceGray(), {77}, 1},
        // Expected values from the published Display P3 and Adobe RGB (1998) to sRGB matrices;
        // premultiplied wide-gamut pixels are matched on their straight colour.
        {"Display P3", image8(1, 1, 3, AlphaInfo::none, displayP3(), {200, 100, 50}), opaque, srgb, {216, 93, 31, 255}, 2},
        {"P3 grey", image8(1, 1, 3, AlphaInfo::none, displayP3(), {128, 128, 128}), opaque, srgb, {128, 128, 128, 255}, 1},
        {"Adobe RGB", image16(1, 1, 3, AlphaInfo::none, adobeRGB(), {100 * 257, 150 * 257, 200 * 257}), opaque, srgb, {66, 151, 203, 255}, 2},
        {"premultiplied P3", image8(1, 1, 4, AlphaInfo::premultipliedLast, displayP3(), {100, 50, 25, 128}), premultiplied, srgb, {108, 47, 16, 128}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        expectNear(pixelAt(*drawn(c.image, 1, 1, c.layout, c.space), 0, 0), c.expected, c.tolerance);
    }
    // The alpha of RGBA into an alpha-only context.
    auto alpha = drawn(image8(2, 1, 4, AlphaInfo::last, srgb, {9, 9, 9, 254, 9, 9, 9, 3}), 2, 1, BitmapLayout::alphaOnly, nullptr);
    EXPECT_EQ(std::tuple(alpha->alphaInfo(), pixelAt(*alpha, 0, 0), pixelAt(*alpha, 1, 0)),
              std::tuple(AlphaInfo::alphaOnly, std::vector<int>{254}, std::vector<int>{3}));
}

TEST(BitmapContext, ResizesToTheExactSizeWithoutFringes) {
    // A flat colour stays exactly that colour to the last edge pixel, shrunk or enlarged.
    const auto flat = filled8(601, 401, AlphaInfo::none, ColourSpace::sRGB(), {30, 160, 220});
    for (auto [w, h] : {std::pair<std::int64_t, std::int64_t>{301, 203}, {1, 1}, {1500, 7}}) {
        auto resized = drawn(flat, w, h, BitmapLayout::noneSkipLast);
        ASSERT_EQ(std::tuple(resized->width(), resized->height()), std::tuple(w, h));
        for (auto [x, y] : {std::pair<std::int64_t, std::int64_t>{0, 0}, {w - 1, h - 1}, {w / 2, h / 2}, {0, h - 1}})
            expectNear(pixelAt(*resized, x, y), {30, 160, 220, 255}, 1);
    }

    // Large enough to be drawn in bands on several threads: the bands meet seamlessly.
    std::vector<std::uint8_t> ramp;
    for (int y = 0; y < 2048; ++y)
        for (int x = 0; x < 2048; ++x) ramp.push_back(static_cast<std::uint8_t>(y / 8));
    auto bands = drawn(image8(2048, 2048, 1, AlphaInfo::none, ColourSpace::deviceGray(), ramp), 1000, 1000,
                       BitmapLayout::greyNone, ColourSpace::deviceGray());
    for (std::int64_t y = 1; y < 999; ++y) {
        const double sourceRow = (y + 0.5) * 2.048 - 0.5;
        EXPECT_NEAR(pixelAt(*bands, 0, y)[0], (sourceRow - 3.5) / 8, 1.0) << y;
        EXPECT_NEAR(pixelAt(*bands, 999, y)[0], pixelAt(*bands, 0, y)[0], 1);
    }

    // A red disc on transparency: every pixel that shows anything is red, never darkened.
    std::vector<std::uint8_t> disc;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x) {
            const bool inside = (x - 100) * (x - 100) + (y - 100) * (y - 100) < 60 * 60;
            disc.insert(disc.end(), {std::uint8_t(inside ? 255 : 0), 0, 0, std::uint8_t(inside ? 255 : 0)});
        }
    auto shrunk = drawn(image8(200, 200, 4, AlphaInfo::last, ColourSpace::sRGB(), disc), 37, 37,
                        BitmapLayout::premultipliedLast);
    int partial = 0;
    for (std::int64_t y = 0; y < 37; ++y)
        for (std::int64_t x = 0; x < 37; ++x) {
            const auto p = pixelAt(*shrunk, x, y);
            if (p[3] == 0) continue;
            if (p[3] < 255) ++partial;
            EXPECT_GE(p[0] * 255, (p[3] - 2) * 255) << x << "," << y;
            EXPECT_LE(p[1], 1);
        }
    EXPECT_GT(partial, 10);
    EXPECT_EQ(pixelAt(*shrunk, 0, 0)[3], 0);
    EXPECT_EQ(pixelAt(*shrunk, 18, 18), (std::vector<int>{255, 0, 0, 255}));
}

TEST(BitmapContext, DrawsAtFractionalOffsetsFromTheLowerLeft) {
    // A 16 x 1 line at a vertical offset of 7.5 covers rows 7 and 8 half each.
    auto line = filled8(16, 1, AlphaInfo::none, ColourSpace::sRGB(), {0, 0, 255});
    auto context = BitmapContext::create(16, 16, ColourSpace::sRGB(), BitmapLayout::premultipliedLast);
    ASSERT_TRUE(context->draw(line, {{0, 7.5}, {16, 1}}));
    auto rung = context->makeImage();
    for (std::int64_t y = 0; y < 16; ++y) {
        const int alpha = pixelAt(*rung, 5, y)[3];
        if (y == 7 || y == 8) EXPECT_NEAR(alpha, 128, 1) << y;
        else EXPECT_EQ(alpha, 0) << y;
    }

    // The origin is the lower left: a square drawn at y = 0 lands in the bottom rows.
    auto low = BitmapContext::create(4, 4, ColourSpace::sRGB(), BitmapLayout::premultipliedLast);
    low->draw(filled8(2, 2, AlphaInfo::none, ColourSpace::sRGB(), {255, 255, 255}), {{1, 0}, {2, 2}});
    auto placed = low->makeImage();
    EXPECT_EQ(std::tuple(pixelAt(*placed, 1, 3)[3], pixelAt(*placed, 2, 2)[3], pixelAt(*placed, 1, 1)[3], pixelAt(*placed, 0, 3)[3]),
              std::tuple(255, 255, 0, 0));
}

TEST(BitmapContext, NoInterpolationRepeatsPixelsAndCopyReplacesWhatIsThere) {
    auto twoPixels = image8(2, 1, 3, AlphaInfo::none, ColourSpace::sRGB(), {255, 0, 0, 0, 0, 255});
    auto context = BitmapContext::create(4, 1, ColourSpace::sRGB(), BitmapLayout::premultipliedLast);
    context->setInterpolation(Interpolation::none);
    context->draw(twoPixels, whole(*context));
    auto nearest = context->makeImage();
    EXPECT_EQ(std::tuple(pixelAt(*nearest, 1, 0), pixelAt(*nearest, 2, 0)),
              std::tuple(std::vector<int>{255, 0, 0, 255}, std::vector<int>{0, 0, 255, 255}));

    auto halfGreen = filled8(4, 1, AlphaInfo::last, ColourSpace::sRGB(), {0, 255, 0, 128});
    context->draw(halfGreen, whole(*context));
    expectNear(pixelAt(*context->makeImage(), 0, 0), {127, 128, 0, 255}, 1);
    context->setBlendMode(BlendMode::copy);
    context->draw(halfGreen, whole(*context));
    expectNear(pixelAt(*context->makeImage(), 0, 0), {0, 128, 0, 128}, 0);
}

TEST(BitmapContext, LargeImagesAreRedrawnPixelForPixelAndBandsGiveTheSamePixelsWhateverRunsThem) {
    std::vector<std::uint8_t> values(2400 * 1800 * 4);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<std::uint8_t>(i % 4 == 3 ? 255 : (i * 7) ^ (i >> 11));
    auto image = image8(2400, 1800, 4, AlphaInfo::noneSkipLast, ColourSpace::sRGB(), values);
    BandRunner::install(nullptr);
    EXPECT_EQ(*drawn(image, 2400, 1800, BitmapLayout::noneSkipLast)->buffer(), *image->buffer());
    // A resize cut into bands, drawn with each band on its own thread and again with the
    // bands run one after another, last first, as a starved runner might.
    const auto threaded = drawn(image, 1000, 700, BitmapLayout::noneSkipLast);
    static std::atomic<int> bandsRun{0};
    BandRunner::install([](const BandRunner::Tasks& tasks) {
        for (auto task = tasks.rbegin(); task != tasks.rend(); ++task) {
            (*task)();
            ++bandsRun;
        }
    });
    const auto oneByOne = drawn(image, 1000, 700, BitmapLayout::noneSkipLast);
    BandRunner::install(nullptr);
    EXPECT_GT(bandsRun.load(), 1);
    EXPECT_EQ(*oneByOne->buffer(), *threaded->buffer());
}

TEST(BitmapContext, CopiesEightBitRGBRowsOfEveryWidthAndLayoutExactly) {
    // Rows are copied several bytes at a time: every width, the last pixel of the buffer,
    // a skipped byte on either side and runs of opaque pixels broken by translucent ones
    // must come out as the per-pixel arithmetic says.
    const std::uint8_t alphas[] = {255, 255, 0, 128, 255, 255, 255, 1, 255};
    const auto srgb = ColourSpace::sRGB();
    for (std::int64_t width = 1; width <= 9; ++width) {
        std::vector<std::uint8_t> rgb, rgbx, xrgb, rgba;
        std::vector<int> colours, premultiplied;
        for (std::int64_t y = 0; y < 2; ++y)
            for (std::int64_t x = 0; x < width; ++x) {
                const auto r = static_cast<std::uint8_t>(17 * x + 5 * y + 1);
                const auto g = static_cast<std::uint8_t>(250 - 23 * x);
                const auto b = static_cast<std::uint8_t>(90 + 41 * x + y);
                const std::uint8_t a = alphas[(x + y) % 9];
                const auto junk = static_cast<std::uint8_t>(x * 7 + 3);
                rgb.insert(rgb.end(), {r, g, b});
                rgbx.insert(rgbx.end(), {r, g, b, junk});
                xrgb.insert(xrgb.end(), {junk, r, g, b});
                rgba.insert(rgba.end(), {r, g, b, a});
                colours.insert(colours.end(), {r, g, b, 255});
                for (int v : {int(r), int(g), int(b)}) premultiplied.push_back(int(std::lround(v * a / 255.0)));
                premultiplied.push_back(a);
            }
        const auto everyPixel = [&](const ImageRef& image) {
            std::vector<int> values;
            for (std::int64_t y = 0; y < 2; ++y)
                for (std::int64_t x = 0; x < width; ++x)
                    for (int v : pixelAt(*image, x, y)) values.push_back(v);
            return values;
        };
        SCOPED_TRACE(width);
        for (auto layout : {BitmapLayout::noneSkipLast, BitmapLayout::premultipliedLast})
            for (const auto& [components, alpha, values] : {std::tuple{3, AlphaInfo::none, &rgb},
                                                            std::tuple{4, AlphaInfo::noneSkipLast, &rgbx},
                                                            std::tuple{4, AlphaInfo::noneSkipFirst, &xrgb}})
                EXPECT_EQ(everyPixel(drawn(image8(width, 2, components, alpha, srgb, *values), width, 2, layout)), colours);
        const auto straight = image8(width, 2, 4, AlphaInfo::last, srgb, rgba);
        EXPECT_EQ(everyPixel(drawn(straight, width, 2, BitmapLayout::premultipliedLast)), premultiplied);
        // Without alpha in the context, translucent pixels show as drawn on black.
        for (std::size_t i = 3; i < premultiplied.size(); i += 4) premultiplied[i] = 255;
        EXPECT_EQ(everyPixel(drawn(straight, width, 2, BitmapLayout::noneSkipLast)), premultiplied);
    }
}

TEST(BitmapContext, SurvivesRectanglesOfExtremeProportions) {
    auto image = filled8(1000, 1000, AlphaInfo::none, ColourSpace::sRGB(), {255, 255, 255});
    auto context = BitmapContext::create(8, 8, ColourSpace::sRGB(), BitmapLayout::premultipliedLast);
    EXPECT_TRUE(context->draw(image, {{2, 2}, {1e-20, 1e-20}}));
    EXPECT_TRUE(context->draw(image, {{-1e300, 0}, {1e300 + 4, 8}}));
    EXPECT_TRUE(context->draw(image, {{0, 0}, {std::nan(""), 8}}));
    context->fill({{0, 0}, {INFINITY, 8}}, {1, 1, 1, 1});
    // None of them covers a visible share of any pixel.
    EXPECT_EQ(std::tuple(pixelAt(*context->makeImage(), 7, 7)[3], pixelAt(*context->makeImage(), 2, 5)[3]), std::tuple(0, 0));
}

TEST(BitmapContext, LanczosOvershootNeverLeavesColourAboveAlpha) {
    // Half-transparent white beside opaque black: near the edge the colour lobes overshoot
    // upwards where alpha dips, which premultiplied pixels cannot hold.
    std::vector<std::uint8_t> edge;
    for (int x = 0; x < 8; ++x) edge.insert(edge.end(), {255, 255, 255, 128});
    for (int x = 0; x < 8; ++x) edge.insert(edge.end(), {0, 0, 0, 255});
    for (auto [width, height] : {std::pair<std::int64_t, std::int64_t>{61, 3}, {9, 1}}) {
        auto resized = drawn(image8(16, 1, 4, AlphaInfo::last, ColourSpace::sRGB(), edge), width, height,
                             BitmapLayout::premultipliedLast);
        for (std::int64_t x = 0; x < width; ++x) {
            const auto p = pixelAt(*resized, x, height - 1);
            for (int c = 0; c < 3; ++c) EXPECT_LE(p[c], p[3]) << x;
        }
        expectNear(pixelAt(*resized, 0, 0), {128, 128, 128, 128}, 1);
        expectNear(pixelAt(*resized, width - 1, 0), {0, 0, 0, 255}, 0);
    }
}
