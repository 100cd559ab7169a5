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

TEST(BatchItem, StatesAreEqualOnlyWithEqualPayloads) {
    EXPECT_EQ(BatchItem::State(BatchItem::Estimated{1000}), BatchItem::State(BatchItem::Estimated{1000}));
    EXPECT_NE(BatchItem::State(BatchItem::Estimated{1000}), BatchItem::State(BatchItem::Estimated{1001}));
    EXPECT_NE(BatchItem::State(BatchItem::Failed{"a"}), BatchItem::State(BatchItem::Failed{"b"}));
    EXPECT_NE(BatchItem::State(BatchItem::Exported{"/x/a.png"}), BatchItem::State(BatchItem::Exported{"/x/b.png"}));
    EXPECT_EQ(BatchItem::State(BatchItem::Pending{}), BatchItem::State(BatchItem::Pending{}));
    EXPECT_NE(BatchItem::State(BatchItem::Pending{}), BatchItem::State(BatchItem::Estimating{}));
}

TEST(BatchItem, StampsWithAndWithoutADateDifferAndHashApart) {
    const BatchItem::SourceStamp dated{10, 5}, undated{10, std::nullopt};
    EXPECT_NE(dated, undated);
    EXPECT_EQ(undated, (BatchItem::SourceStamp{10, std::nullopt}));
    EXPECT_NE(hashValue(dated), hashValue(undated));
    EXPECT_EQ(hashValue(dated), hashValue(BatchItem::SourceStamp{10, 5}));
}

TEST(BatchItem, StampIsReadAfreshAndIsEmptyForAMissingFile) {
    testing_support::TemporaryFolder folder;
    const auto path = folder.file("a.png");
    EXPECT_EQ(readSourceStamp(path), (BatchItem::SourceStamp{0, std::nullopt}));
    std::ofstream(path) << "12345";
    const BatchItem::SourceStamp first = readSourceStamp(path);
    EXPECT_EQ(first.byteCount, 5);
    EXPECT_TRUE(first.modifiedNanoseconds.has_value());
    std::ofstream(path, std::ios::app) << "678";
    EXPECT_EQ(readSourceStamp(path).byteCount, 8);
}

TEST(BatchItem, WarningLabels) {
    EXPECT_EQ(warningLabel(ConversionWarning::animationLost(3)), "Frames");
    EXPECT_EQ(warningLabel(ConversionWarning::targetSizeMissed(10)), "Target missed");
    EXPECT_EQ(warningLabel(ConversionWarning::iconLadderTrimmed(2, 5)), "Fewer sizes");
    EXPECT_EQ(warningLabel(ConversionWarning::formatFellBack(OutputFormat::png(), "HEIC")), "as PNG");
    EXPECT_EQ(warningLabel(ConversionWarning::vectorRasterised(10, 10)), "Rasterised");
    EXPECT_EQ(warningLabel(ConversionWarning::transparencyFlattened()), "Alpha");
    EXPECT_EQ(warningLabel(ConversionWarning::upscaleClamped()), "Not enlarged");
    EXPECT_EQ(warningLabel(ConversionWarning::reencoded()), "Re-encoded");
}

TEST(BatchItem, SpokenSummarySaysSizeStateAndOnlyTheFirstWarningOfAnAnswer) {
    const QString size = byteCountText(2'400'000);
    EXPECT_EQ(card(BatchItem::Pending{}).accessibilityDescription(), size + ", waiting");
    EXPECT_EQ(card(BatchItem::Estimating{}).accessibilityDescription(), size + ", estimating");
    EXPECT_EQ(card(BatchItem::Exporting{}).accessibilityDescription(), size + ", saving");
    EXPECT_EQ(card(BatchItem::Exported{"/a"}).accessibilityDescription(), size + ", saved");

    BatchItem estimated = card(BatchItem::Estimated{500'000});
    estimated.warningsAboutTheAnswer = {ConversionWarning::upscaleClamped(), ConversionWarning::reencoded(),
                                        ConversionWarning::transparencyFlattened()};
    EXPECT_EQ(estimated.accessibilityDescription(), size + ", estimated " + byteCountText(500'000) + ", Not enlarged");

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

QSet<QString> ids(std::initializer_list<const char*> letters) {
    QSet<QString> set;
    for (const char* letter : letters) set.insert(letter);
    return set;
}

TEST(BatchSelection, FocusMovesToTheFirstSurvivorAfterItElseTheNearestBefore) {
    LetterBatch batch("ABCDE");
    Selection selection{ids({"B", "C", "D"}), QString("B"), QString("C")};
    Selection::removeSelected(selection.ids, batch, selection);
    EXPECT_EQ(batch.cards, (QList<QString>{"A", "E"}));
    EXPECT_EQ(selection, (Selection{{}, std::nullopt, QString("E")}));

    LetterBatch tail("ABC");
    Selection atEnd{ids({"B", "C"}), std::nullopt, QString("C")};
    Selection::removeSelected(atEnd.ids, tail, atEnd);
    EXPECT_EQ(atEnd.focus, QString("A"));

    LetterBatch all("ABC");
    Selection everything{ids({"A", "B", "C"}), QString("A"), QString("B")};
    Selection::removeSelected(everything.ids, all, everything);
    EXPECT_EQ(everything, Selection{});
    EXPECT_TRUE(all.cards.isEmpty());
}

TEST(BatchSelection, UnremovedFocusAndAnchorStay) {
    LetterBatch batch("ABCD");
    Selection selection{ids({"B", "C"}), QString("A"), QString("D")};
    Selection::removeSelected(selection.ids, batch, selection);
    EXPECT_EQ(selection.anchor, QString("A"));
    EXPECT_EQ(selection.focus, QString("D"));

    // A focus that is no longer in the batch moves to the first survivor in order.
    LetterBatch gone("ABC");
    Selection stale{ids({"Z", "A"}), std::nullopt, QString("Z")};
    Selection::removeSelected(stale.ids, gone, stale);
    EXPECT_EQ(stale.focus, QString("B"));
}

TEST(BatchSelection, NothingIsRemovedDuringARunOrForNoIds) {
    LetterBatch running("ABC", true);
    const Selection selected{ids({"A"}), QString("A"), QString("A")};
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
