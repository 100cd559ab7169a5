#include "BatchStoreHarness.h"

#include "ImageEngine/Pipeline/ConversionEngine.h"
#include "ImageEngine/Decoding/DecoderRegistry.h"
#include "ImageEngine/Encoding/EncoderRegistry.h"
#include "ImageEngine/Encoding/SourceOptimiserRegistry.h"
#include "app/batch/EngineConverting.h"
#include "support/PDFSamples.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

using namespace pictavo;
using namespace batch_testing;

// Real images made here, converted by the real engine, written by the real writer into real
// folders and the user's Trash.
class EndToEnd : public testing::Test, protected BatchScene {
protected:
    EndToEnd()
        : engine(DecoderRegistry::standard(), EncoderRegistry::standard(), SourceOptimiserRegistry::standard()),
          converting(engine) {
        store_ = std::make_unique<BatchStore>(converting, writer_, DecoderRegistry::standard(), std::chrono::milliseconds(0),
                                              readSourceStamp, 2, files_);
        for (int i = 0; i < 3; ++i) photos.push_back(writePng(originals() / ("photo " + std::to_string(i) + ".png"), i));
        add(photos);
    }
    // The store goes before the engine it calls.
    ~EndToEnd() override { store_.reset(); }

    void exportTo(ExportDestination destination) {
        store_->exportBatch(converting, DestinationResolution::resolved(std::move(destination)), nullptr);
        ASSERT_TRUE(exportEnds());
    }
    static OutputSpec jpegSpec() {
        OutputSpec jpeg = BatchStore::startingSpec();
        jpeg.format = OutputFormat::jpeg();
        return jpeg;
    }
    static ImageProperties propertiesOf(const fs::path& path) {
        return DecoderRegistry::standard().decoder(path)->properties(path);
    }
    void expectEveryCardWrittenTo(const fs::path& folder, const std::string& extension,
                                  const std::vector<std::int64_t>& widths) {
        for (std::size_t i = 0; i < photos.size(); ++i) {
            const auto* exported = std::get_if<BatchItem::Exported>(&store_->items()[i].state);
            ASSERT_NE(exported, nullptr) << store_->items()[i].accessibilityDescription().toStdString();
            EXPECT_EQ(exported->url.parent_path(), folder);
            EXPECT_EQ(exported->url.extension(), extension);
            EXPECT_EQ(propertiesOf(exported->url).pixelWidth, widths.at(i));
        }
    }

    ConversionEngine engine;
    EngineConverting converting;
    std::vector<fs::path> photos;
};

TEST_F(EndToEnd, EstimatesThenExportsIntoAFolderAndBesideTheOriginalsAsTheyAreNow) {
    store_->setSpec(jpegSpec());
    ASSERT_TRUE(estimatesSettle());
    ASSERT_TRUE(store_->estimatedBytes().has_value()) << store_->items()[0].accessibilityDescription().toStdString();
    EXPECT_GT(*store_->estimatedBytes(), 0);

    exportTo(ExportDestination::folder(output()));
    expectEveryCardWrittenTo(output(), ".jpg", {9, 10, 11});
    EXPECT_EQ(store_->exportSummary(), (BatchStore::ExportSummary{3, 0, output()}));

    // Exported cards are not exported again; admitted afresh, the files go beside their
    // originals, an edited one converted as it is now, not as it was decoded before.
    writePng(photos[0], 11);
    store_->clearAll();
    add(photos);
    ASSERT_TRUE(estimatesSettle());
    exportTo(ExportDestination::besideOriginal());
    expectEveryCardWrittenTo(originals(), ".jpg", {20, 10, 11});
    EXPECT_EQ(entries(originals()).size(), 6u);
}

// What is exported follows what is asked for now: a batch exported once and then changed
// (another format, another page) is written again, and one left as it is is written once.
TEST_F(EndToEnd, AChangedBatchIsExportedAgainAndAnUnchangedOneOnlyOnce) {
    OutputSpec webp = BatchStore::startingSpec();
    webp.format = OutputFormat::webp();
    store_->setSpec(webp);
    ASSERT_TRUE(estimatesSettle());
    exportTo(ExportDestination::folder(output()));
    expectEveryCardWrittenTo(output(), ".webp", {9, 10, 11});
    const BatchStore::ExportSummary firstRun{3, 0, output()};
    EXPECT_EQ(store_->exportSummary(), firstRun);

    // Nothing changed: nothing is written, and the run says it saved nothing.
    const auto written = fs::last_write_time(output() / "photo 0.webp");
    exportTo(ExportDestination::folder(output()));
    EXPECT_EQ(entries(output()).size(), 3u);
    EXPECT_EQ(fs::last_write_time(output() / "photo 0.webp"), written);
    EXPECT_EQ(store_->exportSummary(), (BatchStore::ExportSummary{0, 0, output()}));

    store_->setSpec(jpegSpec());
    for (const BatchItem& item : store_->items()) EXPECT_FALSE(item.isExported()) << item.displayName.toStdString();
    EXPECT_TRUE(store_->exportedURLs().empty());
    ASSERT_TRUE(estimatesSettle());
    EXPECT_TRUE(store_->estimatedBytes().has_value());
    exportTo(ExportDestination::folder(output()));
    expectEveryCardWrittenTo(output(), ".jpg", {9, 10, 11});
    EXPECT_EQ(entries(output()).size(), 6u);
    EXPECT_EQ(store_->exportSummary(), firstRun);

    // With a card taken out nothing is left to export: no summary stands, and the run says it
    // saved nothing.
    store_->remove({store_->items()[2].id});
    EXPECT_FALSE(store_->exportSummary().has_value());
    exportTo(ExportDestination::folder(output()));
    EXPECT_EQ(store_->exportSummary(), (BatchStore::ExportSummary{0, 0, output()}));
    EXPECT_EQ(entries(output()).size(), 6u);

    // Another page of an exported document is another picture to write.
    const fs::path document = originals() / "two pages.pdf";
    const platform::Bytes pdf = testing_support::handWrittenPDF(
        {testing_support::handWrittenPage({0, 0, 200, 100}), testing_support::handWrittenPage({0, 0, 100, 200})});
    std::ofstream(document, std::ios::binary).write(reinterpret_cast<const char*>(pdf.data()), std::streamsize(pdf.size()));
    store_->clearAll();
    add({document});
    ASSERT_EQ(store_->items().size(), 1u);
    ASSERT_EQ(store_->items()[0].pageCount, 2);
    ASSERT_TRUE(estimatesSettle());
    exportTo(ExportDestination::folder(output()));
    const fs::path firstPage = std::get<BatchItem::Exported>(store_->items()[0].state).url;
    store_->setPage(2, store_->items()[0].id);
    EXPECT_TRUE(std::holds_alternative<BatchItem::Pending>(store_->items()[0].state));
    ASSERT_TRUE(estimatesSettle());
    exportTo(ExportDestination::folder(output()));
    EXPECT_EQ(store_->exportSummary(), (BatchStore::ExportSummary{1, 0, output()}));
    const auto* secondPage = std::get_if<BatchItem::Exported>(&store_->items()[0].state);
    ASSERT_NE(secondPage, nullptr) << store_->items()[0].accessibilityDescription().toStdString();
    ASSERT_NE(secondPage->url, firstPage);
    const ImageProperties landscape = propertiesOf(firstPage), portrait = propertiesOf(secondPage->url);
    EXPECT_GT(landscape.pixelWidth, landscape.pixelHeight);
    EXPECT_LT(portrait.pixelWidth, portrait.pixelHeight);
}

// Another program turns two admitted sources into a pipe and a device: their cards fail at
// once, for estimates and for the export, and the run ends; no thread is left waiting on the
// pipe and the device is never read.
TEST_F(EndToEnd, SourcesTurnedIntoAPipeOrADeviceFailOnTheirCardsAndHoldNothing) {
    ASSERT_TRUE(estimatesSettle());
    fs::remove(photos[0]);
    ASSERT_EQ(::mkfifo(photos[0].c_str(), 0600), 0);
    fs::remove(photos[1]);
    // Root makes a device node of /dev/zero's kind; anyone else links to it.
    if (::mknod(photos[1].c_str(), S_IFCHR | 0600, ::makedev(1, 5)) != 0) fs::create_symlink("/dev/zero", photos[1]);

    store_->setSpec(jpegSpec());
    EXPECT_TRUE(eventually([&] { return store_->items()[0].isFailed() && store_->items()[1].isFailed(); }));
    // Neither is a damaged image: it is no file this computer reads images from.
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(failureOf(store_->items()[i]), QStringLiteral("This computer can't read this kind of file."))
            << i << store_->items()[i].accessibilityDescription().toStdString();
    }
    exportTo(ExportDestination::folder(output()));
    EXPECT_EQ(store_->exportSummary(), (BatchStore::ExportSummary{1, 2, output()}));
    EXPECT_TRUE(store_->items()[0].isFailed() && store_->items()[1].isFailed());

    // A reader still waiting on the pipe would let a writer in; it is released if so.
    const int writer = ::open(photos[0].c_str(), O_WRONLY | O_NONBLOCK);
    EXPECT_EQ(writer, -1) << "a thread was left waiting on the pipe";
    if (writer >= 0) ::close(writer);
}

TEST_F(EndToEnd, ReplacesTheOriginalsInPlace) {
    std::vector<std::string> old;
    for (const fs::path& photo : photos) old.push_back(textOf(photo));
    ::chmod(photos[0].c_str(), 0640);
    OutputSpec smaller = BatchStore::startingSpec();
    smaller.sizing = ResizeSpec::longestEdge(4);
    store_->setSpec(smaller);
    ASSERT_TRUE(estimatesSettle());

    exportTo(ExportDestination::replaceOriginal());
    EXPECT_EQ(store_->exportSummary(), (BatchStore::ExportSummary{3, 0, std::nullopt}));
    for (std::size_t i = 0; i < photos.size(); ++i) {
        EXPECT_EQ(std::get<BatchItem::Exported>(store_->items()[i].state).url, photos[i]);
        EXPECT_EQ(propertiesOf(photos[i]).pixelWidth, 4);
        EXPECT_NE(textOf(photos[i]), old[i]);
    }
    std::vector<std::string> trashed = this->trashed();
    std::sort(trashed.begin(), trashed.end());
    std::sort(old.begin(), old.end());
    EXPECT_EQ(trashed, old);
    EXPECT_FALSE(temporaryFilesLeft());
    // A private original does not come back readable by others.
    struct stat status {};
    ASSERT_EQ(::stat(photos[0].c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);

    // A replaced original is in the Trash and the card's file is the output itself: another
    // specification does not convert the conversion again.
    store_->setSpec(jpegSpec());
    for (std::size_t i = 0; i < photos.size(); ++i) {
        EXPECT_EQ(std::get<BatchItem::Exported>(store_->items()[i].state).url, photos[i]);
    }
}

} // namespace
