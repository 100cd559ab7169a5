#include "app-options/OptionsTesting.h"
#include "app/options/ChipFace.h"
#include "app/options/FlowLayout.h"
#include "app/options/OptionsVisibility.h"
#include "app/options/TurnAction.h"

#include <gtest/gtest.h>

namespace {

using namespace pictavo;

Reorientation applied(std::initializer_list<TurnAction> actions, Reorientation start = Reorientation::none()) {
    for (const TurnAction action : actions) start = apply(action, start);
    return start;
}

TEST(TurnAction, StepsTurnClockwiseAndFlipWhatTheTurnsDid) {
    using enum TurnAction;
    // The panel's tests read out the turns its buttons make; these are the rest.
    EXPECT_EQ(applied({left}), Reorientation(3, false));
    EXPECT_EQ(applied({left}).description(), "Turned left");
    EXPECT_EQ(applied({right, right, right, right}), Reorientation::none());
    EXPECT_EQ(applied({flipHorizontally, flipHorizontally}), Reorientation::none());
    EXPECT_EQ(applied({flipVertically}), Reorientation(2, true));
    EXPECT_EQ(applied({flipVertically}).description(), "Flipped vertically");
    // The mirror comes first and the turns after: a flipped image turned right.
    EXPECT_EQ(applied({flipHorizontally, right}), Reorientation(1, true));
    EXPECT_EQ(applied({flipHorizontally, right}).description(), "Flipped and turned right");
    EXPECT_EQ(applied({right, flipHorizontally}), Reorientation(3, true));
    EXPECT_EQ(applied({right, flipVertically}), Reorientation(1, true));
    // Every step can be undone, from every one of the eight orientations.
    for (const Reorientation& start : Reorientation::all()) {
        EXPECT_EQ(applied({left, right}, start), start);
        EXPECT_EQ(applied({flipVertically, flipVertically}, start), start);
        EXPECT_EQ(applied({flipHorizontally, flipVertically}, start), applied({right, right}, start));
    }
}

TEST(OptionsVisibility, CompressionForLossyFormatsBackgroundForFormatsWithoutTransparency) {
    struct Case {
        const OutputFormat& format;
        bool compression;
        bool background;
    };
    for (const Case& each : {Case{OutputFormat::sameAsSource(), true, false}, Case{OutputFormat::png(), false, false},
                             Case{OutputFormat::jpeg(), true, true}, Case{OutputFormat::webp(), true, false},
                             Case{OutputFormat::avif(), true, false}, Case{OutputFormat::heic(), true, false},
                             Case{OutputFormat::jpeg2000(), true, true}, Case{OutputFormat::bmp(), false, true},
                             Case{OutputFormat::icns(), false, false}, Case{OutputFormat::gif(), false, false},
                             Case{OutputFormat::tiff(), false, false}}) {
        EXPECT_EQ(OptionsVisibility::showsCompression(each.format), each.compression) << each.format.id();
        EXPECT_EQ(OptionsVisibility::showsBackground(each.format), each.background) << each.format.id();
    }
}

TEST(ChipFace, ChipsShowTheirValueAndSayWhatTheySet) {
    // The values the format and size chips tell are in the chips' tests.
    EXPECT_EQ(ChipFace::options().accessibleValue, std::nullopt) << "the options chip has no value to tell";
    for (const ChipFace& face : {ChipFace::format(OutputFormat::webp()), ChipFace::size("x"), ChipFace::options()}) {
        EXPECT_FALSE(face.toolTip.isEmpty());
        EXPECT_FALSE(face.toolTip.endsWith('.')) << "help texts have no closing full stop";
    }
}

std::vector<QSizeF> chips(std::initializer_list<QSizeF> sizes) { return sizes; }

TEST(FlowLayout, WrapsWhenTheNextItemWouldPassTheWidthAndCentresItemsInTheirLines) {
    const FlowLayout flow{5, 5};
    const auto three = chips({{40, 16}, {30, 16}, {30, 16}});
    EXPECT_EQ(flow.sizeThatFits(three, 105.0), QSizeF(75, 37));
    EXPECT_EQ(flow.lines(three, 105.0),
              (std::vector<FlowLayout::Line>{{{0, 1}, 75, 16}, {{2}, 30, 16}}));
    // A line exactly as wide as the width fits.
    EXPECT_EQ(flow.sizeThatFits(three, 110.0), QSizeF(110, 16));
    // Without a width everything is on one line.
    const auto uneven = chips({{40, 16}, {30, 20}, {30, 12}});
    EXPECT_EQ(flow.sizeThatFits(uneven, std::nullopt), QSizeF(110, 20));
    EXPECT_EQ(flow.sizeThatFits({}, 100.0), QSizeF(0, 0));
    EXPECT_EQ(flow.sizeThatFits({}, std::nullopt), QSizeF(0, 0));
    // Narrower than the widest item: each on its own line, none cut.
    const auto lines = flow.lines(three, 20.0);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].width, 40);
    EXPECT_EQ(flow.sizeThatFits(three, 20.0), QSizeF(40, 16 * 3 + 10));

    // Lines are placed left-aligned, each item centred in its line.
    const auto frames = flow.placeSubviews(chips({{40, 16}, {30, 10}, {30, 16}}), QRectF(10, 20, 105, 100));
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0], QRectF(10, 20, 40, 16));
    EXPECT_EQ(frames[1], QRectF(55, 23, 30, 10)) << "lower by half the difference";
    EXPECT_EQ(frames[2], QRectF(10, 41, 30, 16));
}

} // namespace
