#include "app/batch/BatchItem.h"
#include "app/batch/BatchSelection.h"
#include "support/TemporaryFolder.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <fstream>

namespace {

using namespace pictavo;
using Selection = BatchSelection<QString>;

BatchItem card(BatchItem::State state, std::int64_t bytes = 2'400'000) {
    BatchItem item;
    item.stamp = {bytes, 1};
    item.state = std::move(state);
    return item;
}

TEST(BatchItem, StampHoldsSizeAndTimeAndIsUndatedForAMissingFile) {
    testing_support::TemporaryFolder folder;
    const auto path = folder.file("a.png");
    const BatchItem::SourceStamp missing = readSourceStamp(path);
    EXPECT_EQ(missing, (BatchItem::SourceStamp{0, std::nullopt}));
    std::ofstream(path) << "12345";
    const BatchItem::SourceStamp first = readSourceStamp(path);
    EXPECT_EQ(first.byteCount, 5);
    EXPECT_TRUE(first.modifiedNanoseconds.has_value());
    // A dated and an undated stamp of one size are different cache keys.
    EXPECT_NE(hashValue(BatchItem::SourceStamp{0, 5}), hashValue(missing));
}

TEST(BatchItem, SpokenSummarySaysSizeStateAndOnlyTheFirstWarningOfAnAnswer) {
    const QString size = byteCountText(2'400'000);
    EXPECT_EQ(card(BatchItem::Pending{}).accessibilityDescription(), size + ", waiting");
    EXPECT_EQ(card(BatchItem::Estimating{}).accessibilityDescription(), size + ", estimating");
    EXPECT_EQ(card(BatchItem::Exporting{}).accessibilityDescription(), size + ", saving");
    EXPECT_EQ(card(BatchItem::Exported{"/a", {}}).accessibilityDescription(), size + ", saved");

    BatchItem estimated = card(BatchItem::Estimated{500'000});
    estimated.warningsAboutTheAnswer = {ConversionWarning::formatFellBack(OutputFormat::png(), "HEIC"),
                                        ConversionWarning::reencoded(), ConversionWarning::transparencyFlattened()};
    EXPECT_EQ(estimated.accessibilityDescription(), size + ", estimated " + byteCountText(500'000) + ", as PNG");

    // Warnings left over from an earlier answer are not spoken while waiting.
    BatchItem waiting = estimated;
    waiting.state = BatchItem::Pending{};
    EXPECT_EQ(waiting.accessibilityDescription(), size + ", waiting");

    BatchItem failed = estimated;
    failed.state = BatchItem::Failed{"This file is damaged."};
    EXPECT_EQ(failed.accessibilityDescription(), "This file is damaged.");
}

// A batch of letters standing for card ids.
class LetterBatch : public Selection::Batch {
public:
    explicit LetterBatch(QString letters, bool exporting = false) : exporting_(exporting) {
        for (QChar letter : letters) cards.push_back(QString(letter));
    }
    bool isExporting() const override { return exporting_; }
    QList<QString> itemIds() const override { return cards; }
    void remove(const QSet<QString>& ids) override {
        ++removeCalls;
        cards.removeIf([&](const QString& id) { return ids.contains(id); });
    }
    QList<QString> cards;
    int removeCalls = 0;

private:
    bool exporting_;
};

QSet<QString> ids(const QString& letters) {
    QSet<QString> set;
    for (QChar letter : letters) set.insert(QString(letter));
    return set;
}

std::optional<QString> letter(const char* id) { return id ? std::optional(QString(id)) : std::nullopt; }

// The selection's own ids are removed, as the window passes them.
TEST(BatchSelection, RemovedCardsLeaveTheBatchAndTheSelectionAndAFocusMovesToTheNearestSurvivorWhichIsSelected) {
    struct Case {
        const char *batch, *selected, *anchor, *focus;
        const char *left, *selectedAfter, *anchorAfter, *focusAfter;
    };
    const Case cases[] = {
        // The first survivor after the focus, else the nearest before it; it takes the
        // selection, so that a second Delete removes it.
        {"ABCDE", "BCD", "B", "C", "AE", "E", "E", "E"},
        {"ABC", "BC", nullptr, "C", "A", "A", "A", "A"},
        {"ABC", "ABC", "A", "B", "", "", nullptr, nullptr},
        // A focus and an anchor that are not removed stay.
        {"ABCD", "BC", "A", "D", "AD", "", "A", "D"},
        // A focus no longer in the batch moves to the first survivor in order.
        {"ABC", "ZA", nullptr, "Z", "BC", "B", "B", "B"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(std::string(test.batch) + " without " + test.selected);
        LetterBatch batch(test.batch);
        Selection selection{ids(test.selected), letter(test.anchor), letter(test.focus)};
        Selection::removeSelected(selection.ids, batch, selection);
        EXPECT_EQ(QStringList(batch.cards).join(""), test.left);
        EXPECT_EQ(selection, (Selection{ids(test.selectedAfter), letter(test.anchorAfter), letter(test.focusAfter)}));
    }

    // A removal that leaves other cards selected leaves them alone.
    LetterBatch four("ABCD");
    Selection kept{ids("AC"), QString("A"), QString("C")};
    Selection::removeSelected(ids("C"), four, kept);
    EXPECT_EQ(kept, (Selection{ids("A"), QString("A"), QString("D")}));

    // Nothing is removed during a run, or for no ids.
    LetterBatch running("ABC", true);
    const Selection selected{ids("A"), QString("A"), QString("A")};
    Selection selection = selected;
    Selection::removeSelected(selection.ids, running, selection);
    EXPECT_EQ(selection, selected);
    EXPECT_EQ(running.removeCalls, 0);

    LetterBatch idle("ABC");
    Selection empty{{}, std::nullopt, QString("A")};
    Selection::removeSelected(empty.ids, idle, empty);
    EXPECT_EQ(idle.removeCalls, 0);
    EXPECT_EQ(Selection::indexOf("C", idle.cards), 2);
    EXPECT_FALSE(Selection::indexOf("Z", idle.cards).has_value());
}

} // namespace
