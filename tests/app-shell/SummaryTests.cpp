#include "ImageEngine/Model/ConversionWarning.h"
#include "app/shell/BandSummary.h"
#include "app/shell/BatchCommands.h"
#include "app/shell/ByteUnit.h"
#include "app/shell/CardBadge.h"
#include "app/shell/CardChrome.h"
#include "app/shell/ExportButton.h"
#include "app/shell/SizeChange.h"

#include <gtest/gtest.h>

namespace {

using namespace pictavo;
using Figure = BandSummary::Figure;

ExportPhase running(std::int64_t finished, std::optional<std::int64_t> total = std::nullopt) {
    return ExportPhase{ExportPhase::Running{finished, total}};
}
ExportPhase finished(std::int64_t saved, std::int64_t failed) { return ExportPhase{ExportPhase::Finished{saved, failed}}; }

TEST(SizeChange, PercentsTruncateAndTheBadgeUsesTheMinusSign) {
    EXPECT_EQ(percentSaved(0, 0), (PercentSaved{0, true}));
    EXPECT_EQ(percentSaved(100, 100), (PercentSaved{0, true}));
    EXPECT_EQ(percentSaved(100, 0), (PercentSaved{100, false}));
    EXPECT_EQ(percentSaved(1000, 661), (PercentSaved{33, false}));
    EXPECT_EQ(percentSaved(1000, 995), (PercentSaved{0, true}));
    EXPECT_EQ(percentSaved(1000, 1001), (PercentSaved{0, true}));

    EXPECT_EQ(SizeChange::between(100, 150), (SizeChange{SizeChange::Kind::grew, 50, 0, false}));
    // The texts of a growth and a saving are read on the card badges below.
    EXPECT_EQ(sizeChangeText(SizeChange{SizeChange::Kind::saved, 10, 0, true}), std::nullopt);
    EXPECT_EQ(sizeChangeText(SizeChange::between(7, 7)), std::nullopt);
}

TEST(ByteUnit, ForcedUnitsKeepTheirPrecision) {
    EXPECT_EQ(byteCountText(12'345, ByteUnit::bytes), QStringLiteral("12,345 bytes"));
    EXPECT_EQ(byteCountText(1, ByteUnit::bytes), QStringLiteral("1 byte"));
    EXPECT_EQ(byteCountText(12'345, ByteUnit::kilobytes), QStringLiteral("12 kB"));
    EXPECT_EQ(byteCountText(12'345'678, ByteUnit::kilobytes), QStringLiteral("12,346 kB"));
    EXPECT_EQ(byteCountText(1'250'000, ByteUnit::megabytes), QStringLiteral("1.3 MB"));
    EXPECT_EQ(byteCountText(12'345, ByteUnit::megabytes), QStringLiteral("0 MB"));
    EXPECT_EQ(byteCountText(2'345'000'000, ByteUnit::gigabytes), QStringLiteral("2.35 GB"));
    EXPECT_EQ(byteCountText(0, ByteUnit::megabytes), QStringLiteral("Zero MB"));
}

TEST(BandSummary, CountLabelAndActionFollowTheSelectionAndTheRun) {
    const auto summary = [](std::int64_t count, std::int64_t selected, ExportPhase phase = {}) {
        return BandSummary::make(count, selected, 1000, std::nullopt, phase, QStringLiteral("beside each original"));
    };
    const Figure source = BandSummary::Bytes{"1 kB", std::nullopt, std::nullopt};
    EXPECT_EQ(summary(0, 0), (BandSummary{"0 IMAGES", std::nullopt, false, BandSummary::Idle{}}));
    EXPECT_EQ(summary(1, 0), (BandSummary{"1 IMAGE", BandSummary::ClearAll{}, false, source}));
    EXPECT_EQ(summary(1000, 0).countLabel, QStringLiteral("1000 IMAGES"));
    EXPECT_EQ(summary(5, 2), (BandSummary{"2 SELECTED", BandSummary::Remove{2}, true, source}));
    EXPECT_EQ(summary(5, 2, running(0)).action, std::nullopt);
}

TEST(BandSummary, FiguresForEveryPhaseWithTextsThatReadAlikeWrittenInSmallerUnits) {
    using B = BandSummary;
    const auto figure = [](std::int64_t count, std::int64_t source, std::optional<std::int64_t> output,
                           const ExportPhase& phase = {}) {
        return B::makeFigure(count, source, output, phase, QStringLiteral("beside each original"));
    };
    EXPECT_EQ(figure(5, 1000, 500, finished(5, 0)), Figure(B::Done{"5 saved beside each original", false}));
    EXPECT_EQ(figure(5, 1000, 500, finished(4, 1)), Figure(B::Done{"4 saved, 1 failed", true}));
    EXPECT_EQ(figure(3, 1000, 500, finished(0, 3)), Figure(B::Done{"0 saved, 3 failed", true}));
    // Not estimated yet: the source alone.
    EXPECT_EQ(figure(2, 2'000'000, std::nullopt), Figure(B::Bytes{"2 MB", std::nullopt, std::nullopt}));
    // A saving: the pill, texts as they are.
    EXPECT_EQ(figure(2, 2'000'000, 1'000'000),
              Figure(B::Bytes{"2 MB", "1 MB", B::Pill{"saving 50%", B::Tone::accent, std::nullopt}}));
    EXPECT_EQ(figure(1, 1'000'000, 1'500'000),
              Figure(B::Bytes{"1 MB", "1.5 MB", B::Pill{"adds 500 kB", B::Tone::caution, "arrow.up"}}));
    // Running: progress replaces the pill; the run-start total stands in for a missing estimate.
    EXPECT_EQ(figure(10, 2'000'000, std::nullopt, running(3, 1'000'000)),
              Figure(B::Bytes{"2 MB", "1 MB", B::Progress{0.3, "3 of 10"}}));
    EXPECT_EQ(figure(10, 2'000'000, std::nullopt, running(0)),
              Figure(B::Bytes{"2 MB", std::nullopt, B::Progress{0.0, "0 of 10"}}));
    // The same size, or a saving under one percent: no pill and no rewriting of the texts.
    EXPECT_EQ(figure(1, 1000, 995), Figure(B::Bytes{"1 kB", "995 bytes", std::nullopt}));

    // Texts that read alike are written in smaller units until they differ.
    using Texts = std::pair<QString, std::optional<QString>>;
    EXPECT_EQ(B::byteTexts(12'345, 12'100, true), Texts("12,345 bytes", "12,100 bytes"));
    EXPECT_EQ(B::byteTexts(5'430'000, 5'380'000, true), Texts("5,430 kB", "5,380 kB"));
    EXPECT_EQ(B::byteTexts(12'345, 12'100, false).second, QStringLiteral("12 kB"));
    EXPECT_EQ(std::get<B::Bytes>(figure(1, 12'345, 12'100)).trailing,
              B::Trailing(B::Pill{"saving 1%", B::Tone::accent, std::nullopt}));
}

TEST(CardBadge, GrowthFirstThenWarningsThenSavings) {
    const std::vector<ConversionWarning> none;
    const std::vector<ConversionWarning> reencoded{ConversionWarning::reencoded()};
    const std::vector<ConversionWarning> flattened{ConversionWarning::reencoded(),
                                                   ConversionWarning::TransparencyFlattened{}};
    const SizeChange grew = SizeChange::between(100, 200);
    const SizeChange saved = SizeChange::between(100, 88);
    const SizeChange same = SizeChange::between(100, 100);
    EXPECT_EQ(cardBadge(grew, flattened), (CardBadge{CardBadge::Kind::grew, QStringLiteral("+100 bytes")}));
    EXPECT_EQ(cardBadge(saved, reencoded), (CardBadge{CardBadge::Kind::saved, QStringLiteral("\u221212%")}));
    EXPECT_EQ(cardBadge(saved, flattened), (CardBadge{CardBadge::Kind::warning, QStringLiteral("Alpha")}));
    EXPECT_EQ(cardBadge(same, none), (CardBadge{CardBadge::Kind::plain, {}}));
    EXPECT_EQ(cardBadge(same, reencoded), (CardBadge{CardBadge::Kind::warning, QStringLiteral("Re-encoded")}));
    EXPECT_EQ(cardBadge(std::nullopt, none), std::nullopt);
    EXPECT_EQ(cardBadge(std::nullopt, reencoded), (CardBadge{CardBadge::Kind::warning, QStringLiteral("Re-encoded")}));
}

// The keyboard ring shows in every appearance: a strong tint alone is 1.5:1 against a white card.
TEST(CardChrome, RingsAndTintsForSelectionAndFocus) {
    using C = CardChrome::Colour;
    EXPECT_EQ(CardChrome::of(true, true), (CardChrome{C::accent, C::keyboardRing, C::accentTintStrong, true}));
    EXPECT_EQ(CardChrome::of(true, false), (CardChrome{C::accent, C::clear, C::accentTint, true}));
    EXPECT_EQ(CardChrome::of(false, true), (CardChrome{C::keyboardRing, C::clear, C::accentTintStrong, true}));
    EXPECT_EQ(CardChrome::of(false, false), (CardChrome{C::clear, C::clear, C::clear, false}));
}

TEST(BatchCommands, TitlesCountTheImagesAndCommandsAreWithheldDuringAnExportExceptReveal) {
    EXPECT_EQ(removeTitle(0), QStringLiteral("Remove"));
    EXPECT_EQ(removeTitle(1), QStringLiteral("Remove"));
    EXPECT_EQ(removeTitle(2), QStringLiteral("Remove 2 Images"));
    EXPECT_EQ(removeTitle(1000), QStringLiteral("Remove 1000 Images"));
    EXPECT_EQ(ExportButton::title(0, true, false), QStringLiteral("Export"));
    EXPECT_EQ(ExportButton::title(3, false, false), QStringLiteral("Export"));
    EXPECT_EQ(ExportButton::title(1, true, false), QStringLiteral("Replace 1 Image"));
    EXPECT_EQ(ExportButton::title(3, true, false), QStringLiteral("Replace 3 Images"));
    EXPECT_EQ(ExportButton::title(3, true, true), QStringLiteral("Exporting\u2026"));

    EXPECT_EQ(BatchCommands::of(3, false, 2, 0), (BatchCommands{true, true, true, false, 2}));
    EXPECT_EQ(BatchCommands::of(3, true, 2, 1), (BatchCommands{false, false, false, true, 2}));
    EXPECT_FALSE(BatchCommands::of(0, false, 0, 0).canExport);
}

// Delete, the Edit menu and a card's own menu share one rule, and the row names what it takes.
TEST(BatchCommands, RemoveTakesTheSelectionItIsAskedOnElseTheOneCardAndItsRowNamesThem) {
    const QUuid p1 = QUuid::createUuid(), p2 = QUuid::createUuid(), p3 = QUuid::createUuid();
    const QSet<QUuid> selected{p1, p2};
    EXPECT_EQ(cardsRemovedFrom(selected, p3), QSet<QUuid>{p3}) << "a card outside the selection goes alone";
    EXPECT_EQ(cardsRemovedFrom(selected, p2), selected);
    EXPECT_EQ(cardsRemovedFrom(selected, std::nullopt), selected) << "asked from the band or the toolbar";
    EXPECT_EQ(cardsRemovedFrom({}, p3), QSet<QUuid>{p3}) << "nothing selected, the keyboard on a card";
    EXPECT_TRUE(cardsRemovedFrom({}, std::nullopt).isEmpty());

    EXPECT_EQ(removeTitle(QStringList{QStringLiteral("p3.jpg")}), QStringLiteral("Remove p3.jpg"));
    EXPECT_EQ(removeTitle(QStringList{QStringLiteral("p1.jpg"), QStringLiteral("p2.jpg")}), QStringLiteral("Remove 2 Images"));
    EXPECT_EQ(removeTitle(QStringList{}), QStringLiteral("Remove"));
}

} // namespace
