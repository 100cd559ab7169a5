#include "BatchStoreHarness.h"

#include "ImageEngine/Model/ConversionError.h"
#include "app/export/ExportWriterError.h"
#include "app/export/ReplaceRefusal.h"
#include "support/EncodedSamples.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <memory>
#include <thread>

namespace {

using namespace pictavo;
using namespace batch_testing;

std::optional<fs::path> exportedTo(const BatchItem& item) {
    const auto* exported = std::get_if<BatchItem::Exported>(&item.state);
    return exported ? std::optional(exported->url) : std::nullopt;
}

class Export : public testing::Test, protected BatchScene {};

TEST_F(Export, AtMostWidthConvertAtOnceAndResultsAreWrittenInTheOrderTheyFinish) {
    // Two sources in different folders suggest the same name, which the output folder holds already.
    writePng(originals() / "a" / "photo.png", 1);
    writePng(originals() / "b" / "photo.png", 2);
    std::ofstream(output() / "photo.out") << "someone else's";
    add({originals() / "a" / "photo.png", originals() / "b" / "photo.png"});
    addPhotos(3);
    settleEstimatesThenGate();
    const std::size_t before = engine_.callCount();

    exportTo(ExportDestination::folder(output()));
    ASSERT_TRUE(eventually([&] { return engine_.callCount() == before + 2; }));
    EXPECT_TRUE(std::holds_alternative<BatchItem::Exporting>(card(1).state));
    EXPECT_FALSE(std::holds_alternative<BatchItem::Exporting>(card(2).state));

    // A second export during the run does nothing.
    exportTo(ExportDestination::folder(output()));
    engine_.finish(before + 1);
    ASSERT_TRUE(eventually([&] { return engine_.callCount() == before + 3; }));
    EXPECT_EQ(exportedTo(card(1)), output() / "photo-1.out");
    EXPECT_EQ(textOf(output() / "photo.out"), "someone else's");

    for (std::size_t call = before; call < before + 5; ++call) {
        ASSERT_TRUE(eventually([&] { return engine_.callCount() > call; }));
        engine_.finish(call);
    }
    ASSERT_TRUE(exportEnds());
    EXPECT_EQ(exportedTo(card(0)), output() / "photo-2.out");
    EXPECT_EQ(textOf(output() / "photo-2.out"), "converted:" + textOf(originals() / "a" / "photo.png"));
    EXPECT_EQ(engine_.mostInFlight(), 2);
    EXPECT_EQ(store_->exportSummary(), (BatchStore::ExportSummary{5, 0, output()}));
    EXPECT_EQ(store_->finishedCount(), 5);
    EXPECT_EQ(store_->exportedURLs().size(), 5u);

    // Everything is exported, also for another folder: the next run converts nothing and says
    // it saved nothing there.
    const std::size_t calls = engine_.callCount();
    exportTo(ExportDestination::folder(output() / "elsewhere"));
    ASSERT_TRUE(exportEnds());
    EXPECT_EQ(engine_.callCount(), calls);
    EXPECT_EQ(store_->exportSummary(), (BatchStore::ExportSummary{0, 0, output() / "elsewhere"}));
}

// A converted file waits for the main thread to write it after its conversion has given back
// what it held: it is held in the conversions' memory until then.
TEST_F(Export, AnOutputIsHeldInTheConversionsMemoryUntilItIsWritten) {
    engine_.gated = false;
    addPhotos(1);
    ASSERT_TRUE(estimatesSettle());
    engine_.memory = std::make_shared<PixelMemory>(1'000'000);

    exportTo(ExportDestination::folder(output()));
    ASSERT_TRUE(exportEnds());
    EXPECT_EQ(engine_.memory->mostHeldBytes(), fs::file_size(exportedTo(card(0)).value()));
    EXPECT_EQ(engine_.memory->heldBytes(), 0u);
}

TEST_F(Export, WhatARunWroteUnderASpecificationChangedMeanwhileIsDueAgain) {
    addPhotos(2);
    settleEstimatesThenGate();
    exportTo(ExportDestination::folder(output()));
    OutputSpec other = store_->spec();
    other.format = OutputFormat::jpeg();
    store_->setSpec(other);
    engine_.finishAll();
    ASSERT_TRUE(exportEnds());
    EXPECT_EQ(entries(output()), (std::vector<fs::path>{"p0.out", "p1.out"}));
    EXPECT_FALSE(store_->exportSummary().has_value());
    EXPECT_TRUE(store_->exportedURLs().empty());
    // The estimate owed since the change runs under the new specification.
    engine_.gated = false;
    engine_.finishAll();
    ASSERT_TRUE(estimatesSettle());
    EXPECT_EQ(engine_.call(engine_.callCount() - 1).spec, other);
}

TEST_F(Export, AnUnresolvedDestinationEndsTheRunWithoutTouchingAnything) {
    addPhotos(2);
    settleEstimatesThenGate();
    QSignalSpy exporting(store_.get(), &BatchStore::isExportingChanged);
    store_->exportBatch(engine_, DestinationResolution::cancelled(), nullptr);
    EXPECT_FALSE(store_->isExporting());
    EXPECT_EQ(exporting.count(), 2);
    EXPECT_EQ(store_->totalEstimatedBytesAtRunStart(), 2 * 1001);
    EXPECT_FALSE(store_->exportSummary().has_value());
    EXPECT_EQ(card(0).state, BatchItem::State(BatchItem::Estimated{1001}));
}

TEST_F(Export, FailuresAreCountedAndTheRunGoesOn) {
    engine_.gated = false;
    engine_.conversionAnswer = [base = engine_.conversionAnswer](const GatedEngine::Call& call) -> ConversionResult {
        if (call.source.filename() == "p1.png") throw ConversionError(ConversionError::DecodeFailed{"p1.png"});
        return base(call);
    };
    addPhotos(3);
    ASSERT_TRUE(estimatesSettle());
    exportTo(ExportDestination::folder(output() / "gone"));
    ASSERT_TRUE(exportEnds());
    // A missing folder fails each write with a sentence that names no folder path, in one
    // kind of quotation mark, with the system's own words only in the details.
    EXPECT_EQ(store_->exportSummary(), (BatchStore::ExportSummary{0, 3, output() / "gone"}));
    EXPECT_EQ(failureOf(card(0)), "The file \"p0.out\" couldn't be saved because the folder \"gone\" isn't there.");
    EXPECT_TRUE(card(0).detailsOfTheFailure->startsWith(
        QString::fromUtf8("The file \"p0.png\" couldn't be saved because the folder \"\u2026\" isn't there.\n")));
    EXPECT_TRUE(card(0).detailsOfTheFailure->endsWith("\nError: POSIX 2 (No such file or directory)"));
    EXPECT_TRUE(card(1).detailsOfTheFailure->contains("File: p1.png"));

    exportTo(ExportDestination::folder(output()));
    ASSERT_TRUE(exportEnds());
    EXPECT_EQ(store_->exportSummary(), (BatchStore::ExportSummary{2, 1, output()}));
}

TEST_F(Export, ACardRemovedWhileItConvertsIsNeitherWrittenNorCounted) {
    addPhotos(2);
    settleEstimatesThenGate();
    exportTo(ExportDestination::folder(output()));
    ASSERT_TRUE(eventually([&] { return engine_.waitingCount() == 2; }));
    store_->remove({card(0).id});
    EXPECT_TRUE(store_->isExporting());
    engine_.finishAll();
    ASSERT_TRUE(exportEnds());
    EXPECT_EQ(entries(output()), (std::vector<fs::path>{"p1.out"}));
    EXPECT_EQ(store_->exportSummary(), (BatchStore::ExportSummary{1, 0, output()}));
}

// Replacing originals: the converted file takes the original's name, the original goes to
// the user's Trash (inside the test's folder).
class Replace : public Export {
protected:
    Replace() {
        engine_.gated = false;
        engine_.conversionAnswer = [](const GatedEngine::Call& call) {
            ConversionResult result{nullptr, {}, OutputFormat::png(), {}, 0, {ConversionWarning::reencoded()}};
            const std::string text = "new:" + call.source.filename().string();
            result.data = std::make_shared<const platform::Bytes>(text.begin(), text.end());
            result.suggestedFileName = call.source.filename().string();
            return result;
        };
    }
    void replaceAll() {
        exportTo(ExportDestination::replaceOriginal());
        ASSERT_TRUE(exportEnds());
    }
};

TEST_F(Replace, TheConvertedFileTakesTheOriginalsPlaceAndTheOriginalGoesToTheTrash) {
    const auto paths = addPhotos(2);
    const std::string old = textOf(paths[0]);
    ASSERT_TRUE(estimatesSettle());
    replaceAll();
    EXPECT_EQ(store_->exportSummary(), (BatchStore::ExportSummary{2, 0, std::nullopt}));
    EXPECT_EQ(textOf(paths[0]), "new:p0.png");
    EXPECT_EQ(exportedTo(card(0)), paths[0]);
    EXPECT_TRUE(card(0).originalWasReplaced);
    EXPECT_EQ(card(0).warningsAboutTheAnswer, std::vector<ConversionWarning>{ConversionWarning::reencoded()});
    EXPECT_EQ(trashed().size(), 2u);
    EXPECT_NE(std::find(trashed().begin(), trashed().end(), old), trashed().end());
    EXPECT_FALSE(temporaryFilesLeft());
    // The cards' pictures now come from the files that took the originals' places.
    EXPECT_EQ(store_->thumbnailSources(), (std::unordered_set<ThumbnailSource>{
                                              {paths[0], platform::readFileStamp(paths[0])},
                                              {paths[1], platform::readFileStamp(paths[1])}}));
    EXPECT_NE(platform::readFileStamp(paths[0]), card(0).stamp);
    // The conversion read a private snapshot, never the original itself.
    EXPECT_NE(engine_.call(engine_.callCount() - 1).source.parent_path(), originals());
}

// An original edited or deleted after its snapshot was taken is a changed source, not a
// missing folder; a card that is a link is refused rather than trashed as a link that would
// point nowhere in the Trash.
// Checking a big original twice and moving it to the Trash takes seconds: the window must
// go on answering meanwhile, and the outcomes are still written one at a time, in order.
TEST_F(Replace, OriginalsAreReplacedWhileTheWindowGoesOnAnswering) {
    const auto paths = addPhotos(3);
    ASSERT_TRUE(estimatesSettle());
    std::atomic<int> answeredDuringAReplacement = 0;
    std::atomic<int> replacing = 0;
    std::atomic<bool> overlapped = false;
    trash_.afterTrashing = [&](const TrashedItem&) {
        if (++replacing > 1) overlapped = true;
        auto answered = std::make_shared<std::atomic<bool>>(false);
        QMetaObject::invokeMethod(QCoreApplication::instance(), [answered] { *answered = true; }, Qt::QueuedConnection);
        for (int waited = 0; waited < 200 && !*answered; ++waited) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (*answered) ++answeredDuringAReplacement;
        --replacing;
    };
    replaceAll();
    EXPECT_EQ(answeredDuringAReplacement, 3);
    EXPECT_FALSE(overlapped);
    EXPECT_EQ(store_->exportSummary(), (BatchStore::ExportSummary{3, 0, std::nullopt}));
    for (std::size_t row = 0; row < paths.size(); ++row) EXPECT_EQ(textOf(paths[row]), "new:p" + std::to_string(row) + ".png");
    EXPECT_FALSE(temporaryFilesLeft());
}

TEST_F(Replace, AnOriginalEditedDeletedOrLinkedIsRefusedWithItsOwnSentence) {
    const auto paths = addPhotos(2);
    const fs::path linked = writePng(root_.path() / "elsewhere" / "photo.png", 5);
    const std::string linkedBytes = textOf(linked);
    fs::create_symlink("../elsewhere/photo.png", originals() / "link.png");
    add({originals() / "link.png"});
    ASSERT_EQ(store_->items().size(), 3u);
    settleEstimatesThenGate();
    exportTo(ExportDestination::replaceOriginal());
    ASSERT_TRUE(eventually([&] { return engine_.waitingCount() == 2; }));
    writePng(paths[0], 9);
    const std::string edited = textOf(paths[0]);
    fs::remove(paths[1]);
    engine_.gated = false;
    engine_.finishAll();
    ASSERT_TRUE(exportEnds());

    const QString changed = QString::fromStdString(ReplaceRefusal::sourceChanged().description());
    EXPECT_EQ(failureOf(card(0)), changed);
    EXPECT_EQ(textOf(paths[0]), edited);
    EXPECT_EQ(failureOf(card(1)), changed);
    EXPECT_TRUE(card(1).detailsOfTheFailure->endsWith("Error: replaceRefused(sourceChanged)"));
    EXPECT_EQ(failureOf(card(2)), QString::fromStdString(ReplaceRefusal::symbolicLink().description()));
    EXPECT_TRUE(card(2).detailsOfTheFailure->endsWith("Error: replaceRefused(symbolicLink)"));
    EXPECT_EQ(fs::read_symlink(originals() / "link.png"), "../elsewhere/photo.png");
    EXPECT_EQ(textOf(linked), linkedBytes);
    EXPECT_TRUE(trashed().empty());
    EXPECT_FALSE(temporaryFilesLeft());
    EXPECT_EQ(store_->exportSummary(), (BatchStore::ExportSummary{0, 3, std::nullopt}));
}

TEST_F(Replace, OriginalsWithSeveralPagesOrFramesAreRefusedWithoutAConversion) {
    add({root_.write("photos/scan.tif", testing_support::multiSizeTiff({{12, 10}, {12, 10}, {12, 10}})),
         root_.write("photos/moving.png", testing_support::withAnimationControl(pngBytes(), 4))});
    ASSERT_TRUE(estimatesSettle());
    store_->setPage(2, card(0).id);
    ASSERT_TRUE(estimatesSettle());
    const std::size_t calls = engine_.callCount();

    replaceAll();
    EXPECT_EQ(engine_.callCount(), calls);
    EXPECT_EQ(failureOf(card(0)), QString::fromStdString(ReplaceRefusal::wouldLosePages(2, 3).description()));
    EXPECT_EQ(failureOf(card(1)), QString::fromStdString(ReplaceRefusal::wouldLoseImages(4).description()));
    EXPECT_TRUE(card(1).detailsOfTheFailure->endsWith("Error: replaceRefused(images 4)"));
    EXPECT_EQ(store_->exportSummary(), (BatchStore::ExportSummary{0, 2, std::nullopt}));
    EXPECT_TRUE(trashed().empty());
    EXPECT_FALSE(temporaryFilesLeft());
}

// Whatever step of a replacement fails, the original's bytes are never lost: they are in
// place, or in the Trash (and then the card says its source is gone), no working file is
// left, and the card's details end with what failed.
TEST_F(Replace, NoFailureAtAnyStepLosesAnOriginal) {
    struct Step {
        const char* name;
        std::function<void(ExportScene&)> inject;
        bool originalInPlace;
        std::string diagnostic;
        // The start of the card's failure, when it is one of the replacement's own sentences.
        std::string failure;
    };
    const std::string trashRefused =
        ExportWriterError::trashRefused(platform::FileError("/a", EXDEV, platform::FileOperation::trash)).description();
    const std::vector<Step> steps = {
        {"snapshot", [](ExportScene& r) { r.files_.copyError = EIO; }, true, "replaceRefused(workingCopyFailed)",
         ReplaceRefusal::workingCopyFailed().description()},
        {"mode bits", [](ExportScene& r) { r.files_.permissionError = EIO; }, true, "POSIX 5 (Input/output error)", ""},
        {"working file", [](ExportScene& r) { r.files_.writeExclusiveError = ENOSPC; }, true, "POSIX 28 (No space left on device)", ""},
        {"trash", [](ExportScene& r) { r.trash_.trashError = EXDEV; }, true, "trashRefused(POSIX 18) (Invalid cross-device link)",
         trashRefused.substr(0, 40)},
        // On a disk without hard links the original moves to the Trash; changed there, and not
        // put back, it stays there as it now is.
        {"put back", [](ExportScene& r) {
             r.files_.linkError = EPERM;
             r.trash_.afterTrashing = [](const TrashedItem& item) {
                 std::ofstream(item.filesPath, std::ios::app) << "x";
             };
             r.trash_.putBackError = EACCES;
         }, false, "changedInTrash", ""},
        // The converted file takes the name in the same step as the original leaves it.
        {"final move", [](ExportScene& r) { r.files_.refuseMovesInto = std::make_pair(r.originals(), EACCES); }, true,
         "POSIX 13 (Permission denied)", ""},
        {"final move across disks",
         [](ExportScene& r) { r.files_.refuseMovesInto = std::make_pair(r.originals(), EXDEV); }, true,
         "POSIX 18 (Invalid cross-device link)", ""},
        {"final move without hard links, the name then refused to the original too",
         [](ExportScene& r) {
             r.files_.linkError = EPERM;
             r.files_.refuseMovesInto = std::make_pair(r.originals(), EACCES);
         }, false, "replacedButNotMoved(POSIX 13) (Permission denied)", ""},
    };
    for (std::size_t index = 0; index < steps.size(); ++index) {
        const Step& step = steps[index];
        SCOPED_TRACE(step.name);
        store_->clearAll();
        files_ = FailingFileOperations();
        trash_.trashError.reset();
        trash_.putBackError.reset();
        trash_.afterTrashing = nullptr;
        const fs::path photo =
            writePng(originals() / ("step" + std::to_string(index) + ".png"), static_cast<int>(index));
        const std::string old = textOf(photo);
        add({photo});
        ASSERT_TRUE(estimatesSettle());
        step.inject(static_cast<ExportScene&>(*this));
        replaceAll();

        const std::vector<std::string> inTrash = trashed();
        if (step.originalInPlace) {
            EXPECT_EQ(textOf(photo), old);
        } else {
            EXPECT_FALSE(fs::exists(photo));
            EXPECT_EQ(inTrash.size(), 1u);
            EXPECT_TRUE(inTrash.at(0).starts_with(old));
        }
        ASSERT_TRUE(card(0).isFailed());
        EXPECT_TRUE(failureOf(card(0)).startsWith(QString::fromStdString(step.failure)));
        EXPECT_TRUE(card(0).detailsOfTheFailure->endsWith(QString::fromStdString("Error: " + step.diagnostic)));
        EXPECT_EQ(card(0).sourceIsGone, !step.originalInPlace);
        EXPECT_EQ(store_->thumbnailSources().size(), step.originalInPlace ? 0u : 1u);
        EXPECT_FALSE(temporaryFilesLeft());
        EXPECT_EQ(store_->exportSummary(), (BatchStore::ExportSummary{0, 1, std::nullopt}));
        // Nothing remains of the run: another can be made in the same folder.
        fs::remove_all(trashFiles());
    }
}

} // namespace
