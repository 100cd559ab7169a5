#include "app/design/DSMenuAnnouncement.h"
#include "app/design/DSMenuContent.h"
#include "app/design/DSMenuHighlight.h"
#include "app/design/DSMenuKeyboard.h"
#include "app/design/DSTypeSelect.h"
#include "app/design/MenuChoice.h"
#include "app-design/MenuSamples.h"

#include <gtest/gtest.h>

#include <unordered_set>

namespace pictavo {
namespace {

using Content = DSMenuContent<int>;

DSKeyEvent key(int code, const QString& text = {}, double at = 0, Qt::KeyboardModifiers modifiers = {}) {
    return {code, modifiers, text, at, nullptr};
}

TEST(MenuModel, RowsAreCountedAcrossGroupsAndLookedUpByFirstTag) {
    Content content = formats();
    content.groups.push_back({QStringLiteral("Empty"), {}});
    content.groups.push_back({std::nullopt, {row(2, "Duplicate")}});
    EXPECT_EQ(content.allRows().size(), 6u);
    EXPECT_EQ(content.position(2), 1u);
    EXPECT_EQ(content.position(9), std::nullopt);
    EXPECT_EQ(moveHighlight(content, DSMenuMove::next, std::optional(2)).tag, 3);
}

// Where a menu's highlight starts, and the wrapping and end moves of its keys, are checked through a
// real menu in the presenter's tests.
TEST(MenuModel, WhatIsSaidAfterARowsLabelTellsTheSelectionAndThePlace) {
    EXPECT_EQ(spokenDetail(false, 3, 5), QStringLiteral("4 of 5"));
    EXPECT_EQ(spokenDetail(true, 0, 5), QStringLiteral("selected, 1 of 5"));
}

TEST(MenuModel, MenuChoiceKeepsValuesApartFromSaving) {
    using Choice = MenuChoice<int>;
    const std::unordered_set<Choice> set{Choice::value(0), Choice::value(1), Choice::saveAsDefault()};
    EXPECT_EQ(set.size(), 3u);
}

TEST(MenuHighlightMoves, WrapBackwardsAndStartFromTheEnds) {
    const Content content = formats();
    EXPECT_EQ(moveHighlight(content, DSMenuMove::previous, std::optional(1)).tag, 5);
    EXPECT_EQ(moveHighlight<int>(content, DSMenuMove::next, std::nullopt).tag, 1);
    EXPECT_EQ(moveHighlight<int>(content, DSMenuMove::previous, std::nullopt).tag, 5);
    EXPECT_EQ(moveHighlight(content, DSMenuMove::next, std::optional(42)).tag, 1);
    EXPECT_EQ(moveHighlight(Content{}, DSMenuMove::last, std::optional(3)), DSMenuHighlight<int>{});
}

TEST(MenuTypeSelect, MatchesTitleStartsIgnoringCaseAndAccentsFromAfterTheStart) {
    const Content content = formats();
    EXPECT_EQ(typeSelectMatch<int>(content, QStringLiteral("p"), std::nullopt), 1);
    EXPECT_EQ(typeSelectMatch(content, QStringLiteral("p"), std::optional(1)), 3);
    // Past the last match it wraps round; the start row itself is tried last.
    EXPECT_EQ(typeSelectMatch(content, QStringLiteral("p"), std::optional(5)), 1);
    EXPECT_EQ(typeSelectMatch(content, QStringLiteral("PN"), std::optional(1)), 1);
    EXPECT_EQ(typeSelectMatch<int>(content, QStringLiteral("ecl"), std::nullopt), 4);
    EXPECT_EQ(typeSelectMatch<int>(content, QStringLiteral("lossless"), std::nullopt), std::nullopt)
        << "subtitles are not searched";
    EXPECT_EQ(typeSelectMatch<int>(content, QString(), std::nullopt), std::nullopt);
}

// Down, End and Home through a real menu are in the presenter's tests.
TEST(MenuKeys, ArrowsMoveAndAreConsumedEvenWithoutRows) {
    DSTypeSelect typing;
    EXPECT_EQ(menuKeyOutcome(formats(), std::optional(2), typing, key(Qt::Key_Up)).highlight, (DSMenuHighlight<int>{1, 1}));
    const auto outcome = menuKeyOutcome(Content{}, std::optional(2), typing, key(Qt::Key_Down));
    EXPECT_TRUE(outcome.consumed);
    EXPECT_EQ(outcome.highlight, DSMenuHighlight<int>{});
}

TEST(MenuKeys, ReturnEnterAndSpaceChooseWhileKeysWithoutLettersAndShortcutsPassOn) {
    DSTypeSelect typing;
    for (const int code : {int(Qt::Key_Return), int(Qt::Key_Enter), int(Qt::Key_Space)}) {
        const auto outcome = menuKeyOutcome<int>(formats(), std::nullopt, typing, key(code, QStringLiteral(" ")));
        EXPECT_TRUE(outcome.consumed);
        EXPECT_TRUE(outcome.choose);
    }
    for (const int code : {int(Qt::Key_Escape), int(Qt::Key_Left), int(Qt::Key_Tab), int(Qt::Key_PageDown)}) {
        EXPECT_FALSE(menuKeyOutcome(formats(), std::optional(1), typing, key(code)).consumed);
    }
    EXPECT_FALSE(menuKeyOutcome(formats(), std::optional(1), typing, key(Qt::Key_Escape, QStringLiteral("\x1b"))).consumed);
    EXPECT_FALSE(
        menuKeyOutcome(formats(), std::optional(1), typing, key(Qt::Key_Q, QStringLiteral("q"), 0, Qt::ControlModifier))
            .consumed);
    EXPECT_TRUE(typing.buffer.isEmpty());
}

TEST(MenuKeys, TypingRunsOnWithinThreeQuartersOfASecondAndASpaceWithinARunIsTyped) {
    const Content content = formats();
    DSTypeSelect typing;
    // P then N within the window: "PN" tries the highlighted row first.
    auto outcome = menuKeyOutcome(content, std::optional(1), typing, key(Qt::Key_P, QStringLiteral("p"), 10.0));
    EXPECT_EQ(outcome.highlight->tag, 3) << "one letter moves on from the highlighted row";
    outcome = menuKeyOutcome(content, std::optional(3), typing, key(Qt::Key_N, QStringLiteral("n"), 10.5));
    EXPECT_EQ(typing.buffer, QStringLiteral("pn"));
    EXPECT_EQ(outcome.highlight->tag, 1);

    // A pause of 0.75 s starts a new run: P again moves to the next P after the highlight.
    outcome = menuKeyOutcome(content, std::optional(1), typing, key(Qt::Key_P, QStringLiteral("p"), 11.25));
    EXPECT_EQ(typing.buffer, QStringLiteral("p"));
    EXPECT_EQ(outcome.highlight->tag, 3);

    // No match: consumed, highlight unchanged.
    outcome = menuKeyOutcome(content, std::optional(3), typing, key(Qt::Key_Z, QStringLiteral("z"), 20.0));
    EXPECT_TRUE(outcome.consumed);
    EXPECT_FALSE(outcome.highlight);

    // A space within a run is typed; after a pause it chooses.
    std::optional<int> highlighted;
    double at = 30.0;
    for (const QChar letter : QStringLiteral("pear")) {
        highlighted = menuKeyOutcome(content, highlighted, typing, key(Qt::Key_A, letter, at += 0.1)).highlight->tag;
    }
    EXPECT_EQ(highlighted, 5);
    outcome = menuKeyOutcome(content, highlighted, typing, key(Qt::Key_Space, QStringLiteral(" "), at += 0.1));
    EXPECT_TRUE(outcome.consumed);
    EXPECT_FALSE(outcome.choose);
    EXPECT_EQ(typing.buffer, QStringLiteral("pear "));
    outcome = menuKeyOutcome(content, highlighted, typing, key(Qt::Key_T, QStringLiteral("t"), at += 0.1));
    EXPECT_EQ(outcome.highlight->tag, 5);
    EXPECT_EQ(typing.buffer, QStringLiteral("pear t"));

    outcome = menuKeyOutcome(content, std::optional(5), typing, key(Qt::Key_Space, QStringLiteral(" "), at + 1.0));
    EXPECT_TRUE(outcome.choose);
}

} // namespace
} // namespace pictavo
