#include "app-options/OptionsTesting.h"
#include "app/options/SizeChoice.h"
#include "app/options/FitBox.h"

#include <gtest/gtest.h>

namespace {

using namespace pictavo;

std::optional<SizeChoice> none() { return std::nullopt; }

TEST(SizeChoice, PresetsStandForTheirSizingsInMenuOrderAndBack) {
    const std::vector<std::pair<SizeChoice, ResizeSpec>> table{
        {SizeChoice::original, ResizeSpec::original()},       {SizeChoice::half, ResizeSpec::percentage(0.5)},
        {SizeChoice::quarter, ResizeSpec::percentage(0.25)},  {SizeChoice::scale2, ResizeSpec::scale(2.0)},
        {SizeChoice::scale3, ResizeSpec::scale(3.0)},         {SizeChoice::scale4, ResizeSpec::scale(4.0)},
        {SizeChoice::longest2048, ResizeSpec::longestEdge(2048)}, {SizeChoice::longest1024, ResizeSpec::longestEdge(1024)},
        {SizeChoice::custom, ResizeSpec::original()}};
    ASSERT_EQ(SizeChoice::allCases().size(), table.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(SizeChoice::allCases()[i], table[i].first) << "declaration order";
        EXPECT_EQ(table[i].first.resize(), table[i].second) << i;
        // From a sizing: the original first, then the preset; custom stands for every other.
        if (table[i].first != SizeChoice::custom) {
            EXPECT_EQ(SizeChoice(table[i].second), table[i].first) << i;
        }
    }
    EXPECT_EQ(SizeChoice(ResizeSpec::percentage(0.3)), SizeChoice::custom);
    // A scale of one half is not the 50% preset: the two kinds of factor are different sizings.
    EXPECT_EQ(SizeChoice(ResizeSpec::scale(0.5)), SizeChoice::custom);
    EXPECT_EQ(SizeChoice(ResizeSpec::fit(std::nullopt, std::nullopt)), SizeChoice::custom);
}

TEST(SizeChoice, ResolvingKeepsAPresetOnlyWhileItDescribesTheSizing) {
    using R = SizeChoice::Resolution;
    EXPECT_EQ(SizeChoice::resolve(none(), ResizeSpec::fit(800, 600)), (R{std::nullopt, SizeChoice::custom, "800 × 600"}));
    EXPECT_EQ(SizeChoice::resolve(SizeChoice::custom, ResizeSpec::fit(std::nullopt, 600)),
              (R{SizeChoice::custom, SizeChoice::custom, "auto × 600"}));
    EXPECT_EQ(SizeChoice::resolve(SizeChoice::custom, ResizeSpec::fit(1200, std::nullopt)).label, "1200 × auto");
    EXPECT_EQ(SizeChoice::resolve(SizeChoice::half, ResizeSpec::scale(2.0)), (R{std::nullopt, SizeChoice::scale2, "@2x"}));
    EXPECT_EQ(SizeChoice::resolve(SizeChoice::half, ResizeSpec::percentage(0.5)),
              (R{SizeChoice::half, SizeChoice::half, "50%"}));
    // An empty custom box is the original size, told apart only by the remembered choice.
    EXPECT_EQ(SizeChoice::resolve(SizeChoice::custom, ResizeSpec::original()),
              (R{SizeChoice::custom, SizeChoice::custom, "auto × auto"}));
    EXPECT_EQ(SizeChoice::resolve(none(), ResizeSpec::original()),
              (R{std::nullopt, SizeChoice::original, "Original size"}));
    // A remembered custom box gives way to a preset sizing.
    EXPECT_EQ(SizeChoice::resolve(SizeChoice::custom, ResizeSpec::longestEdge(2048)),
              (R{std::nullopt, SizeChoice::longest2048, "Longest edge 2048"}));
    EXPECT_EQ(SizeChoice::resolve(SizeChoice::original, ResizeSpec::fit(10, 10)).kept, std::nullopt);

    // Sizings no preset names read as what they do. Only a stored specification holds these; reading "auto × auto" would claim the original size.
    EXPECT_EQ(SizeChoice::resolve(none(), ResizeSpec::percentage(0.3)).label, "30%");
    EXPECT_EQ(SizeChoice::resolve(none(), ResizeSpec::percentage(0.125)).label, "12.5%");
    EXPECT_EQ(SizeChoice::resolve(none(), ResizeSpec::scale(0.5)).label, "@0.5x");
    EXPECT_EQ(SizeChoice::resolve(none(), ResizeSpec::scale(1.25)).label, "@1.25x");
    EXPECT_EQ(SizeChoice::resolve(none(), ResizeSpec::longestEdge(1500)).label, "Longest edge 1500");
    EXPECT_EQ(SizeChoice::resolve(none(), ResizeSpec::longestEdge(1500)).shown, SizeChoice::custom);
    EXPECT_EQ(SizeChoice::resolve(none(), ResizeSpec::fit(std::nullopt, std::nullopt)).label, "auto × auto");
}

TEST(SizeChoice, TheSelectionBindingRemembersTheChoiceBeforeWritingTheSizing) {
    std::optional<SizeChoice> remembered;
    ResizeSpec sizing = ResizeSpec::fit(800, 600);
    std::vector<std::string> order;
    const Binding<std::optional<SizeChoice>> choice{[&] { return remembered; },
                                                    [&](const std::optional<SizeChoice>& value) {
                                                        order.push_back("choice");
                                                        remembered = value;
                                                    }};
    const Binding<ResizeSpec> size{[&] { return sizing; }, [&](const ResizeSpec& value) {
                                       order.push_back("sizing");
                                       sizing = value;
                                   }};
    const Binding<SizeChoice> selection = SizeChoice::selectionBinding(choice, size);
    EXPECT_EQ(selection.get(), SizeChoice::custom);
    selection.set(SizeChoice::custom);
    EXPECT_EQ(order, (std::vector<std::string>{"choice", "sizing"}));
    EXPECT_EQ(sizing, ResizeSpec::original());
    EXPECT_EQ(selection.get(), SizeChoice::custom);
    selection.set(SizeChoice::scale4);
    EXPECT_EQ(sizing, ResizeSpec::scale(4.0));
    EXPECT_EQ(selection.get(), SizeChoice::scale4);
}

// Typing one side into an empty box and clearing it again is in the size chip's tests.
TEST(FitBox, EachSideEditsTheBoxAndClearingBothLeavesTheOriginalSize) {
    EXPECT_EQ(FitBox::height(ResizeSpec::fit(800, std::nullopt)), std::nullopt);
    EXPECT_EQ(FitBox::width(ResizeSpec::percentage(0.5)), std::nullopt);
    EXPECT_EQ(FitBox::withHeight(ResizeSpec::fit(800, std::nullopt), 600), ResizeSpec::fit(800, 600));
    EXPECT_EQ(FitBox::withWidth(ResizeSpec::fit(800, 600), std::nullopt), ResizeSpec::fit(std::nullopt, 600));
    // A sizing that is no box becomes a box of the side just typed.
    EXPECT_EQ(FitBox::withHeight(ResizeSpec::scale(2.0), 300), ResizeSpec::fit(std::nullopt, 300));
    EXPECT_EQ(FitBox::withHeight(ResizeSpec::longestEdge(10), std::nullopt), ResizeSpec::original());
}

} // namespace
