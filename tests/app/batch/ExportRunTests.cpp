#include "BatchStoreHarness.h"

#include "app/export/DestinationStore.h"
#include "app/export/PathBookmarks.h"
#include "app/export/ReplaceRefusal.h"
#include "app/settings/MemoryUserDefaults.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <cerrno>

namespace {

using namespace pictavo;
using namespace batch_testing;

// Runs never ask through the destination store's own panels.
class NoPanels : public FolderAsker {
public:
    std::optional<fs::path> ask(PanelPurpose) override {
        ADD_FAILURE() << "a panel was shown while a run asked for a folder";
        return std::nullopt;
    }
};

// A run that needs a folder from the user asks for it and rests until the answer comes,
// however late; nothing else is written meanwhile.
class WaitingRun : public testing::Test, protected BatchScene {
protected:
    void exportBesideRefusingOriginals(std::optional<std::optional<fs::path>> answerAtOnce = std::nullopt) {
        addPhotos(4);
        settleEstimatesThenGate();
        files_.refuseWritesIn = std::make_pair(originals(), EACCES);
        followRequests(answerAtOnce);
        exportTo(ExportDestination::besideOriginal());
    }
    // The first finished conversion makes the run ask for a fallback folder.
    void waitForFallbackFolder() {
        exportBesideRefusingOriginals();
        ASSERT_TRUE(eventually([&] { return engine_.waitingCount() == 2; }));
        first_ = engine_.callCount() - 2;
        engine_.finish(first_);
        ASSERT_TRUE(requestMade());
    }
    // The next conversion started before the refused write, and finishes while the run waits.
    void finishWhatRunsMeanwhile() {
        ASSERT_TRUE(eventually([&] { return engine_.callCount() == first_ + 3; }));
        engine_.finish(first_ + 1);
        engine_.finish(first_ + 2);
        QTest::qWait(30);
    }

    std::size_t first_ = 0;
};

// Answered as soon as it is asked, from within the store's notice of the request.
TEST_F(WaitingRun, AFallbackFolderAnsweredAtOnceIsAskedForOnceForTheWholeRun) {
    exportBesideRefusingOriginals(output());
    engine_.gated = false;
    engine_.finishAll();
    ASSERT_TRUE(exportEnds());
    ASSERT_EQ(requests_.size(), 1u);
    EXPECT_EQ(requests_[0].purpose, PanelPurpose::fallbackFolder);
    EXPECT_EQ(entries(output()), (std::vector<fs::path>{"p0.out", "p1.out", "p2.out", "p3.out"}));
    // The summary tells where they went.
    EXPECT_EQ(store_->exportSummary(), (BatchStore::ExportSummary{4, 0, std::nullopt, output(), 4}));
}

// Export pressed again, an answer to no request and a second answer to the one answered
// change nothing.
TEST_F(WaitingRun, AFallbackFolderAnsweredLaterTakesTheWaitingResultAndThoseThatQueued) {
    waitForFallbackFolder();
    const FolderRequest waiting = *store_->folderRequest();
    EXPECT_EQ(waiting.purpose, PanelPurpose::fallbackFolder);
    EXPECT_EQ(waiting.startFolder, std::nullopt);
    finishWhatRunsMeanwhile();
    EXPECT_EQ(engine_.callCount(), first_ + 3) << "no conversion starts while a result waits for its folder";
    EXPECT_TRUE(entries(output()).empty());
    EXPECT_EQ(store_->finishedCount(), 0);

    QSignalSpy exporting(store_.get(), &BatchStore::isExportingChanged);
    exportTo(ExportDestination::folder(output()));
    store_->answerFolderRequest(QUuid::createUuid(), output());
    QTest::qWait(30);
    EXPECT_EQ(store_->folderRequest(), waiting);
    EXPECT_EQ(engine_.callCount(), first_ + 3);
    EXPECT_EQ(exporting.count(), 0);

    // The card whose result waits leaves the batch while the panel stands open.
    store_->remove({card(0).id});
    answer(output());
    EXPECT_FALSE(store_->folderRequest());
    store_->answerFolderRequest(waiting.id, std::nullopt);
    engine_.gated = false;
    engine_.finishAll();
    ASSERT_TRUE(exportEnds());
    EXPECT_EQ(requests_.size(), 1u);
    EXPECT_EQ(entries(output()), (std::vector<fs::path>{"p1.out", "p2.out", "p3.out"}));
    EXPECT_EQ(store_->exportSummary(), (BatchStore::ExportSummary{3, 0, std::nullopt, output(), 3}));
}

TEST_F(WaitingRun, ACancelledFallbackStopsTheRunAndDiscardsWhatQueuedOrStillConverts) {
    waitForFallbackFolder();
    finishWhatRunsMeanwhile();
    QSignalSpy summaries(store_.get(), &BatchStore::exportSummaryChanged);
    answer(std::nullopt);
    ASSERT_TRUE(exportEnds());
    EXPECT_FALSE(store_->folderRequest());
    EXPECT_FALSE(store_->exportSummary().has_value());
    EXPECT_EQ(summaries.count(), 0);
    EXPECT_EQ(engine_.waitingCount(), 0u) << "the conversions still running were cancelled";
    for (const BatchItem& item : store_->items()) EXPECT_EQ(item.state, BatchItem::State(BatchItem::Estimated{1001}));
    EXPECT_TRUE(entries(output()).empty());
}

TEST_F(WaitingRun, AStoreClosedWhileItsRunWaitsCancelsItAndWritesNothing) {
    waitForFallbackFolder();
    store_.reset();
    EXPECT_EQ(engine_.waitingCount(), 0u);
    QTest::qWait(30);
    EXPECT_TRUE(entries(output()).empty());
}

// Replacing originals in a folder the run may not write to: access comes from a permission
// kept by the destination store, or from the folder the user picks when the run asks.
class ReplacePermission : public WaitingRun {
protected:
    ReplacePermission() {
        engine_.gated = false;
        paths_ = addPhotos(2);
        EXPECT_TRUE(estimatesSettle());
        followRequests();
        // The originals' folder refuses the working file until the user gives access.
        files_.writeExclusiveError = EACCES;
    }

    MemoryUserDefaults defaults_;
    PathBookmarks bookmarks_;
    NoPanels panels_;
    DestinationStore destinations_{defaults_, bookmarks_, panels_};
    void replaceAndWaitForRequest() {
        exportTo(ExportDestination::replaceOriginal(), &destinations_);
        ASSERT_TRUE(requestMade());
    }

    std::vector<fs::path> paths_;
};

TEST_F(ReplacePermission, IsAskedOnceForTheFolderAndARefusalFailsEveryOriginalInIt) {
    const std::string old = textOf(paths_[0]);
    replaceAndWaitForRequest();
    EXPECT_EQ(requests_.at(0).purpose, PanelPurpose::replacePermission);
    EXPECT_EQ(requests_.at(0).startFolder, originals());

    // A folder beside the needed one is no permission for it.
    fs::create_directories(root_.path() / "elsewhere");
    answer(root_.path() / "elsewhere");
    ASSERT_TRUE(exportEnds());
    EXPECT_EQ(requests_.size(), 1u);
    const QString notOpened = QString::fromStdString(ReplaceRefusal::folderNotOpened().description());
    EXPECT_EQ(failureOf(card(0)), notOpened);
    EXPECT_EQ(failureOf(card(1)), notOpened);
    EXPECT_EQ(textOf(paths_[0]), old);
    EXPECT_TRUE(trashed().empty());
    EXPECT_FALSE(temporaryFilesLeft());
    EXPECT_EQ(store_->exportSummary(), (BatchStore::ExportSummary{0, 2, std::nullopt}));
}

TEST_F(ReplacePermission, AGrantedFolderIsWrittenAndKeptForTheNextRun) {
    replaceAndWaitForRequest();
    files_.writeExclusiveError.reset();
    answer(root_.path());
    ASSERT_TRUE(exportEnds());
    EXPECT_EQ(requests_.size(), 1u);
    EXPECT_EQ(store_->exportSummary(), (BatchStore::ExportSummary{2, 0, std::nullopt}));
    EXPECT_EQ(trashed().size(), 2u);
    ASSERT_TRUE(destinations_.openKeptReplaceFolder(originals()));
    EXPECT_EQ(destinations_.openKeptReplaceFolder(originals())->path(), root_.path());
}

TEST_F(ReplacePermission, AStoreClosedWhileItsRunWaitsLeavesTheOriginalsAndNoWorkingFiles) {
    const std::string old = textOf(paths_[0]);
    replaceAndWaitForRequest();
    EXPECT_TRUE(temporaryFilesLeft()) << "the run's snapshots are there while it waits";
    store_.reset();
    QTest::qWait(30);
    EXPECT_EQ(textOf(paths_[0]), old);
    EXPECT_TRUE(trashed().empty());
    EXPECT_FALSE(temporaryFilesLeft());
}

} // namespace
