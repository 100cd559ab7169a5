#include "BatchStoreHarness.h"

#include "ImageEngine/Model/ConversionError.h"
#include "app/batch/LongRead.h"
#include "support/EncodedSamples.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <set>

namespace {

using namespace pictavo;
using namespace batch_testing;

OutputSpec withQuality(std::int64_t quality) {
    OutputSpec spec = BatchStore::startingSpec();
    spec.quality = QualityMode::quality(quality);
    return spec;
}

class Estimates : public testing::Test, protected BatchScene {};

TEST_F(Estimates, AtMostWidthRunAtOnceAndEachOutcomeIsAppliedBeforeTheNextStarts) {
    addPhotos(5);
    ASSERT_TRUE(eventually([&] { return engine_.callCount() == 2; }));
    EXPECT_TRUE(std::holds_alternative<BatchItem::Estimating>(card(4).state));

    // The second finishes first; its card is estimated and one more conversion starts.
    engine_.finish(1);
    ASSERT_TRUE(eventually([&] { return engine_.callCount() == 3; }));
    EXPECT_EQ(card(1).state, BatchItem::State(BatchItem::Estimated{1001}));
    EXPECT_TRUE(std::holds_alternative<BatchItem::Estimating>(card(0).state));

    for (std::size_t next = 0; next < 5; ++next) {
        ASSERT_TRUE(eventually([&] { return engine_.callCount() > next; }));
        engine_.finish(next);
    }
    ASSERT_TRUE(estimatesSettle());
    EXPECT_EQ(engine_.mostInFlight(), 2);
    EXPECT_EQ(engine_.callCount(), 5u);
    EXPECT_EQ(store_->estimatedBytes(), 5 * 1001);
    EXPECT_EQ(store_->cacheSize(), 5u);
}

// Every wait below ends on something the pass itself changes, never on a pause: on a busy
// machine a pause can end before the pass has even begun.
TEST_F(Estimates, TheCacheKeepsEstimatesAcrossRenamingAndReturningToASpecification) {
    engine_.gated = false;
    engine_.estimateAnswer = [](const GatedEngine::Call& call) {
        return Estimate{call.spec == withQuality(50) ? 500 : 800, {}};
    };
    addPhotos(3);
    ASSERT_TRUE(estimatesSettle());
    ASSERT_EQ(engine_.callCount(), 3u);

    OutputSpec renamed = BatchStore::startingSpec();
    renamed.namePattern = "{name}-small.{format}";
    // A pass tells of every card once it has looked the card up in the cache.
    QSignalSpy cardsLookedUp(store_.get(), &BatchStore::itemChanged);
    store_->setSpec(renamed);
    ASSERT_TRUE(eventually([&] { return cardsLookedUp.count() >= 3; }));
    EXPECT_EQ(engine_.callCount(), 3u) << "the name pattern is not part of an estimate";

    store_->setSpec(withQuality(50));
    ASSERT_TRUE(eventually([&] { return store_->estimatedBytes() == 3 * 500; }));
    EXPECT_EQ(engine_.callCount(), 6u);
    EXPECT_EQ(engine_.call(5).spec, withQuality(50));

    store_->setSpec(renamed);
    ASSERT_TRUE(eventually([&] { return store_->estimatedBytes() == 3 * 800; }));
    EXPECT_EQ(engine_.callCount(), 6u);
}

TEST_F(Estimates, FailuresShowOnTheCardAndAreNeverCachedAndEditedSourcesGetANewStamp) {
    engine_.gated = false;
    engine_.estimateAnswer = [](const GatedEngine::Call& call) -> Estimate {
        if (call.source.filename() == "p1.png") throw ConversionError(ConversionError::DecodeFailed{"p1.png"});
        return Estimate{42, {ConversionWarning::upscaleClamped()}};
    };
    addPhotos(2);
    ASSERT_TRUE(estimatesSettle());
    EXPECT_EQ(failureOf(card(1)), FailureDetails::description(ConversionError(ConversionError::DecodeFailed{"p1.png"})));
    ASSERT_TRUE(card(1).detailsOfTheFailure.has_value());
    EXPECT_TRUE(card(1).detailsOfTheFailure->contains("File: p1.png"));
    EXPECT_EQ(card(0).warningsAboutTheAnswer, std::vector<ConversionWarning>{ConversionWarning::upscaleClamped()});
    // Reviewable cards leave the failed one out.
    EXPECT_EQ(store_->estimatedBytes(), 42);
    EXPECT_EQ(store_->sourceBytes(), card(0).stamp.byteCount);
    EXPECT_EQ(store_->finishedCount(), 1);

    // Asked again, the failed card is estimated again, and an edited one under its new stamp.
    const BatchItem::SourceStamp before = card(0).stamp;
    writePng(card(0).url, 7);
    store_->scheduleEstimates();
    ASSERT_TRUE(eventually([&] { return engine_.callCount() == 4; }));
    ASSERT_TRUE(estimatesSettle());
    EXPECT_EQ((std::set<fs::path>{engine_.call(2).source, engine_.call(3).source}),
              (std::set<fs::path>{card(0).url, card(1).url}));
    EXPECT_NE(card(0).stamp, before);
    EXPECT_EQ(card(0).stamp, readSourceStamp(card(0).url));
    EXPECT_EQ(store_->cacheSize(), 2u) << "the old entry stays under the old stamp";
}

TEST_F(Estimates, WhenEveryCardFailedTheTotalsCountThemAll) {
    engine_.gated = false;
    engine_.estimateAnswer = [](const GatedEngine::Call& call) -> Estimate {
        throw ConversionError(ConversionError::DecodeFailed{call.source.filename().string()});
    };
    addPhotos(2);
    ASSERT_TRUE(estimatesSettle());
    EXPECT_EQ(store_->sourceBytes(), card(0).stamp.byteCount + card(1).stamp.byteCount);
    EXPECT_EQ(store_->estimatedBytes(), std::nullopt);
}

TEST_F(Estimates, OutcomesOfAnOlderSpecificationOrOfRemovedCardsAreDiscarded) {
    addPhotos(3);
    ASSERT_TRUE(eventually([&] { return engine_.callCount() == 2; }));

    // A new specification cancels the pass in flight; its outcomes never reach a card.
    store_->setSpec(withQuality(10));
    ASSERT_TRUE(eventually([&] { return engine_.callCount() == 4; }));
    EXPECT_EQ(engine_.call(2).spec, withQuality(10));
    EXPECT_EQ(engine_.waitingCount(), 2u);

    const fs::path removedUrl = card(0).url;
    store_->remove({card(0).id});
    ASSERT_TRUE(eventually([&] { return engine_.callCount() == 6; }));
    for (std::size_t i = 4; i < engine_.callCount(); ++i) EXPECT_NE(engine_.call(i).source, removedUrl);
    engine_.finishAll();
    ASSERT_TRUE(eventually([&] { return engine_.callCount() == 6 && engine_.waitingCount() == 0; }));
    ASSERT_TRUE(estimatesSettle());
    ASSERT_EQ(store_->items().size(), 2u);
    EXPECT_EQ(store_->cacheSize(), 2u);
    for (const BatchItem& item : store_->items()) EXPECT_EQ(item.state, BatchItem::State(BatchItem::Estimated{1001}));
}

TEST_F(Estimates, SetPageChoosesAnotherPageOnlyWhenItIsOneOfTheCardsPages) {
    engine_.gated = false;
    add({root_.write("photos/scan.tif", testing_support::multiSizeTiff({{12, 10}, {12, 10}, {12, 10}}))});
    ASSERT_TRUE(estimatesSettle());
    ASSERT_EQ(card(0).pageCount, 3);
    const std::size_t calls = engine_.callCount();
    store_->setPage(0, card(0).id);
    store_->setPage(4, card(0).id);
    store_->setPage(1, card(0).id);
    store_->setPage(2, QUuid::createUuid());
    QTest::qWait(30);
    EXPECT_EQ(engine_.callCount(), calls);
    EXPECT_EQ(card(0).page, 1);

    store_->setPage(2, card(0).id);
    ASSERT_TRUE(eventually([&] { return engine_.callCount() == calls + 1; }));
    EXPECT_EQ(engine_.call(calls).page, 2);
    ASSERT_TRUE(estimatesSettle());
    EXPECT_EQ(card(0).state, BatchItem::State(BatchItem::Estimated{1002}));
}

TEST_F(Estimates, ARunSendsEstimatingCardsBackToWaitingAndOwesTheRefresh) {
    engine_.conversionAnswer = [](const GatedEngine::Call& call) -> ConversionResult {
        throw ConversionError(ConversionError::DecodeFailed{call.source.filename().string()});
    };
    addPhotos(3);
    ASSERT_TRUE(eventually([&] { return engine_.callCount() == 2; }));
    exportTo(ExportDestination::folder(output()));
    EXPECT_TRUE(store_->isExporting());
    // The two estimates were cancelled, and the third card never started its own.
    EXPECT_TRUE(std::holds_alternative<BatchItem::Pending>(card(2).state) ||
                std::holds_alternative<BatchItem::Exporting>(card(2).state));

    store_->setSpec(withQuality(20));
    EXPECT_TRUE(store_->refreshOwedAfterRun());
    // Only the run's conversions are made while it runs.
    engine_.gated = false;
    engine_.finishAll();
    ASSERT_TRUE(exportEnds());
    EXPECT_FALSE(store_->refreshOwedAfterRun());
    // The cards that failed to export are estimated again under the new specification.
    ASSERT_TRUE(eventually([&] { return engine_.call(engine_.callCount() - 1).isEstimate; }));
    EXPECT_EQ(engine_.call(engine_.callCount() - 1).spec, withQuality(20));
}

// Photos are estimated before the pictures that read long, whatever their places: a panorama,
// a drawing (of pictures of any size) and a small picture in a long file wait for the photos'.
TEST_F(Estimates, PhotosAreNotQueuedBehindPicturesThatReadLong) {
    testing_support::TemporaryFolder folder;
    const fs::path panorama = writeBlank(folder, "panorama.png", 9'000, 8'000);
    const std::string svg =
        "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='30'><rect width='40' height='30'/></svg>";
    const fs::path drawing = folder.write("drawing.svg", platform::Bytes(svg.begin(), svg.end()));
    const fs::path raw = writePng(folder.path() / "raw.png");
    fs::resize_file(raw, LongRead::largeFileBytes + 1);
    const fs::path photo = writePng(originals() / "photo.png");
    add({panorama, drawing, raw, photo});
    ASSERT_EQ(store_->items().size(), 4u);
    // Each slice of the admission started a pass of its own, which the next one cancelled.
    ASSERT_TRUE(eventually([&] { return engine_.waitingCount() == 2; }));
    const std::size_t first = engine_.callCount() - 2;
    EXPECT_EQ(engine_.call(first).source, photo);
    EXPECT_EQ(engine_.call(first + 1).source, panorama);
    engine_.finish(first);
    ASSERT_TRUE(eventually([&] { return engine_.callCount() == first + 3; }));
    EXPECT_EQ(engine_.call(first + 2).source, drawing);
}

TEST(EstimateDebounce, ABurstOfChangesRunsOnePassWithTheLastSpecification) {
    BatchScene scene(2, std::chrono::milliseconds(150));
    scene.engine_.gated = false;
    scene.add({writePng(scene.originals() / "a.png")});
    ASSERT_TRUE(scene.estimatesSettle());
    ASSERT_EQ(scene.engine_.callCount(), 1u);

    QSignalSpy specChanges(scene.store_.get(), &BatchStore::specChanged);
    scene.store_->setSpec(withQuality(30));
    scene.store_->setSpec(withQuality(31));
    scene.store_->setSpec(withQuality(31));
    EXPECT_EQ(specChanges.count(), 2) << "an equal specification is stored silently";
    ASSERT_TRUE(eventually([&] { return scene.engine_.callCount() == 2; }));
    QTest::qWait(200);
    EXPECT_EQ(scene.engine_.callCount(), 2u);
    EXPECT_EQ(scene.engine_.call(1).spec, withQuality(31));
}

} // namespace
