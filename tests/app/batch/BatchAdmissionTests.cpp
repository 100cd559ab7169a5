#include "BatchStoreHarness.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

namespace {

using namespace pictavo;
using namespace batch_testing;

std::vector<std::string> displayNames(const BatchStore& store) {
    std::vector<std::string> names;
    for (const BatchItem& item : store.items()) names.push_back(item.displayName.toStdString());
    return names;
}

class Admission : public testing::Test, protected BatchScene {
protected:
    Admission() { engine_.gated = false; }
    void startWaitingRun() {
        engine_.gated = true;
        add({writePng(originals() / "a.png")});
        exportTo(ExportDestination::folder(output()));
        ASSERT_TRUE(eventually([&] { return engine_.waitingCount() > 0; }));
    }
};

TEST_F(Admission, FoldersAddTheirRegularFilesInNaturalOrderSkippingHiddenOnesAndCountingUnreadables) {
    const fs::path folder = originals() / "trip";
    writePng(folder / "b10.png");
    writePng(folder / "b2.png");
    writePng(folder / "B3.png");
    writePng(folder / ".hidden.png");
    writePng(folder / ".cache" / "inside.png");
    writePng(folder / "day 1" / "a.png");
    std::ofstream(folder / "notes.txt") << "not an image";
    fs::create_symlink(folder / "b2.png", folder / "link.png");
    // A name that is not UTF-8 could not be shown or named faithfully.
    writePng(folder / "bad\xff.png");

    const BatchStore::AddResult result = add({folder, "/nowhere/missing.png"});

    EXPECT_EQ(displayNames(*store_), (std::vector<std::string>{"b2.png", "B3.png", "b10.png", "a.png"}));
    // The text file, the name that is not UTF-8, and the missing file which is no regular file.
    EXPECT_EQ(result, (BatchStore::AddResult{4, 3}));
    const BatchItem& first = store_->items().front();
    EXPECT_EQ(first.url, folder / "b2.png");
    EXPECT_EQ(first.pageCount, 1);
    ASSERT_TRUE(first.header.has_value());
    EXPECT_EQ(first.header->width, 9);
    EXPECT_EQ(first.stamp, readSourceStamp(folder / "b2.png"));
}

// A file whose properties cannot be read is admitted with one page.
TEST_F(Admission, EachFileOnceWhateverPathNamedIt) {
    const fs::path photo = writePng(originals() / "photo.png");
    fs::create_symlink(photo, originals() / "alias.png");
    std::ofstream(originals() / "broken.png") << "not really a PNG";

    EXPECT_EQ(add({originals() / "alias.png", photo, originals()}), (BatchStore::AddResult{2, 0}));
    EXPECT_EQ(displayNames(*store_), (std::vector<std::string>{"alias.png", "broken.png"}));
    // The card keeps the path dropped first.
    EXPECT_EQ(store_->items()[0].url, originals() / "alias.png");
    EXPECT_EQ(store_->items()[1].pageCount, 1);
    EXPECT_FALSE(store_->items()[1].header.has_value());

    EXPECT_FALSE(store_->accepts(urlsOf({photo})));
    EXPECT_TRUE(store_->accepts(urlsOf({originals()})));
    EXPECT_EQ(add({photo}), (BatchStore::AddResult{0, 0, 1}));
}

TEST_F(Admission, OnlyRegularFilesAndLocalUrlsAreAdmittedSoAPipeNeverHangsTheImport) {
    const fs::path pipe = originals() / "camera.png";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(store_->accepts(urlsOf({pipe})));

    std::optional<BatchStore::AddResult> result;
    store_->add(urlsOf({pipe}) << QUrl("https://example.com/a.png"),
                [&](BatchStore::AddResult added) { result = added; });
    ASSERT_TRUE(eventually([&] { return result.has_value(); }));
    EXPECT_EQ(*result, (BatchStore::AddResult{0, 2}));
    EXPECT_TRUE(store_->items().empty());
}

TEST_F(Admission, ClearingOrRemovingDuringAnImportKeepsItsFindingsOut) {
    const fs::path a = writePng(originals() / "a.png");
    writePng(originals() / "b.png");

    // Cleared while the import discovers: it adds nothing.
    std::optional<BatchStore::AddResult> cleared;
    store_->add(urlsOf({originals()}), [&](BatchStore::AddResult added) { cleared = added; });
    store_->clearAll();
    ASSERT_TRUE(eventually([&] { return cleared.has_value(); }));
    EXPECT_EQ(*cleared, BatchStore::AddResult{});
    EXPECT_TRUE(store_->items().empty());

    // A card removed while an import of its folder runs is not added back by that import.
    ASSERT_EQ(add({a}).added, 1);
    std::optional<BatchStore::AddResult> rescan;
    store_->add(urlsOf({originals()}), [&](BatchStore::AddResult added) { rescan = added; });
    store_->remove({store_->items()[0].id});
    EXPECT_EQ(store_->tombstoneCount(), 1u);
    ASSERT_TRUE(eventually([&] { return rescan.has_value(); }));
    EXPECT_EQ(*rescan, (BatchStore::AddResult{1, 0}));
    EXPECT_EQ(displayNames(*store_), (std::vector<std::string>{"b.png"}));
    // The import has ended, so its tombstone went, and the file can be dropped again.
    EXPECT_EQ(store_->tombstoneCount(), 0u);
    EXPECT_EQ(add({a}).added, 1);
}

TEST_F(Admission, AddingClearsTheSummaryAndRemovingWithNoImportLeavesNoTombstone) {
    const fs::path a = writePng(originals() / "a.png");
    add({a});
    exportTo(ExportDestination::folder(output()));
    ASSERT_TRUE(exportEnds());
    ASSERT_TRUE(store_->exportSummary().has_value());

    add({a});
    EXPECT_TRUE(store_->exportSummary().has_value()) << "adding nothing leaves the summary";
    add({writePng(originals() / "b.png")});
    EXPECT_FALSE(store_->exportSummary().has_value());

    const std::int64_t removals = store_->removals();
    store_->remove({QUuid::createUuid()});
    EXPECT_EQ(store_->removals(), removals) << "ids not in the batch change nothing";
    store_->remove({store_->items()[0].id});
    EXPECT_EQ(store_->removals(), removals + 1);
    EXPECT_EQ(store_->tombstoneCount(), 0u);
}

TEST_F(Admission, AnImportFinishingDuringARunWaitsForItsEnd) {
    startWaitingRun();
    std::optional<BatchStore::AddResult> owed;
    store_->add(urlsOf({writePng(originals() / "later" / "b.png")}), [&](BatchStore::AddResult r) { owed = r; });
    ASSERT_TRUE(eventually([&] { return store_->owedAdmissionCount() == 1; }));
    EXPECT_FALSE(owed.has_value());
    EXPECT_EQ(store_->items().size(), 1u);

    engine_.finishAll();
    ASSERT_TRUE(eventually([&] { return owed.has_value(); }));
    EXPECT_EQ(*owed, (BatchStore::AddResult{1, 0}));
    EXPECT_FALSE(store_->isExporting());
    EXPECT_EQ(store_->items().size(), 2u);
}

TEST_F(Admission, ImportsStillOwedOrDiscoveringAreCompletedWhenTheStoreGoes) {
    startWaitingRun();
    std::optional<BatchStore::AddResult> owed, discovering;
    store_->add(urlsOf({writePng(originals() / "b.png")}), [&](BatchStore::AddResult r) { owed = r; });
    ASSERT_TRUE(eventually([&] { return store_->owedAdmissionCount() == 1; }));
    store_->add(urlsOf({writePng(originals() / "c.png")}), [&](BatchStore::AddResult r) { discovering = r; });

    store_.reset();
    EXPECT_EQ(owed, BatchStore::AddResult{});
    EXPECT_EQ(discovering, BatchStore::AddResult{});
    EXPECT_TRUE(eventually([&] { return engine_.waitingCount() == 0; }));
}

// A decoder reads a file whole for its header: admission holds it in the conversions' memory.
// A photo is held at once, even when conversions hold all of it, so its card never waits for
// them; a file too long for that waits its turn, and stops waiting when its import is dropped.
TEST_F(Admission, FilesReadForTheirHeaderAreHeldInTheConversionsMemory) {
    constexpr std::uint64_t bound = 100'000'000;
    engine_.memory = std::make_shared<PixelMemory>(bound);
    const PixelMemory::HoldRef conversions = PixelMemory::hold(engine_.memory, bound, {});
    const fs::path photo = writePng(originals() / "photo.png");

    EXPECT_EQ(add({photo}), (BatchStore::AddResult{1, 0}));
    EXPECT_TRUE(store_->items().front().header.has_value());
    EXPECT_EQ(engine_.memory->mostHeldBytes(), bound + fs::file_size(photo));
    EXPECT_EQ(engine_.memory->heldBytes(), bound);

    // Longer than a photo, its tail unwritten so that it takes no room on the disk.
    const fs::path long_ = writePng(originals() / "long.png");
    fs::resize_file(long_, 65 * 1024 * 1024);
    std::optional<BatchStore::AddResult> dropped;
    store_->add(urlsOf({long_}), [&](BatchStore::AddResult r) { dropped = r; });
    ASSERT_TRUE(eventually([&] { return engine_.memory->waiting() == 1; }));
    store_.reset();
    EXPECT_EQ(dropped, BatchStore::AddResult{});
    EXPECT_TRUE(eventually([&] { return engine_.memory->waiting() == 0; }));
}

// Reading an SVG's properties parses it whole into a tree dozens of times its file: that is
// held before it starts, and the photos dropped with it are inspected and shown without
// waiting for it; its card follows once it has been read.
TEST_F(Admission, APhotosCardDoesNotWaitForTheParseOfALargeSVGDroppedBeforeIt) {
    constexpr std::uint64_t bound = 1'000'000'000;
    engine_.memory = std::make_shared<PixelMemory>(bound);
    PixelMemory::HoldRef conversions = PixelMemory::hold(engine_.memory, bound, {});
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\">\n";
    while (svg.size() < 3'000'000) svg += "<rect x=\"1\" y=\"2\" width=\"3\" height=\"4\" fill=\"#123456\"/>\n";
    svg += "</svg>\n";
    const fs::path drawing = originals() / "a-drawing.svg";
    std::ofstream(drawing) << svg;
    const fs::path photo = writePng(originals() / "b-photo.png");

    std::optional<BatchStore::AddResult> dropped;
    store_->add(urlsOf({drawing, photo}), [&](BatchStore::AddResult r) { dropped = r; });
    ASSERT_TRUE(eventually([&] { return store_->items().size() == 1; }));
    EXPECT_EQ(displayNames(*store_), std::vector<std::string>{"b-photo.png"});
    EXPECT_EQ(engine_.memory->waiting(), 1);

    conversions.reset();
    ASSERT_TRUE(eventually([&] { return dropped.has_value(); }));
    EXPECT_EQ(dropped, (BatchStore::AddResult{2, 0}));
    EXPECT_EQ(displayNames(*store_), (std::vector<std::string>{"b-photo.png", "a-drawing.svg"}));
    EXPECT_TRUE(store_->items().back().header.has_value());
    EXPECT_GT(engine_.memory->mostHeldBytes(), 20 * fs::file_size(drawing));
}

} // namespace
