#include "BatchStoreHarness.h"

#include "ImageEngine/Pipeline/ConversionEngine.h"
#include "ImageEngine/Decoding/DecoderRegistry.h"
#include "ImageEngine/Encoding/EncoderRegistry.h"
#include "ImageEngine/Encoding/SourceOptimiserRegistry.h"
#include "app/batch/EngineConverting.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

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
        store_ = std::make_unique<BatchStore>(engine, writer_, DecoderRegistry::standard(), std::chrono::milliseconds(0),
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
    static ImageProperties propertiesOf(const fs::path& path) {
        return DecoderRegistry::standard().decoder(path)->properties(path);
    }
    void expectEveryCardWrittenTo(const fs::path& folder, const std::string& extension) {
        for (std::size_t i = 0; i < photos.size(); ++i) {
            const auto* exported = std::get_if<BatchItem::Exported>(&store_->items()[i].state);
            ASSERT_NE(exported, nullptr) << store_->items()[i].accessibilityDescription().toStdString();
            EXPECT_EQ(exported->url.parent_path(), folder);
            EXPECT_EQ(exported->url.extension(), extension);
            EXPECT_EQ(propertiesOf(exported->url).pixelWidth, 9 + static_cast<std::int64_t>(i));
        }
    }

    ConversionEngine engine;
    EngineConverting converting;
    std::vector<fs::path> photos;
};

TEST_F(EndToEnd, EstimatesThenExportsIntoAFolderAndBesideTheOriginals) {
    OutputSpec jpeg = BatchStore::startingSpec();
    jpeg.format = OutputFormat::jpeg();
    store_->setSpec(jpeg);
    ASSERT_TRUE(estimatesSettle());
    ASSERT_TRUE(store_->estimatedBytes().has_value()) << store_->items()[0].accessibilityDescription().toStdString();
    EXPECT_GT(*store_->estimatedBytes(), 0);

    exportTo(ExportDestination::folder(output()));
    expectEveryCardWrittenTo(output(), ".jpg");
    EXPECT_EQ(store_->exportSummary(), (BatchStore::ExportSummary{3, 0, output()}));

    // Exported cards are not exported again; admitted afresh, the files go beside their originals.
    store_->clearAll();
    add(photos);
    exportTo(ExportDestination::besideOriginal());
    expectEveryCardWrittenTo(originals(), ".jpg");
    EXPECT_EQ(entries(originals()).size(), 6u);
}

TEST_F(EndToEnd, AnEditedSourceIsConvertedAsItIsNowNotAsItWasDecodedBefore) {
    exportTo(ExportDestination::folder(output()));
    ASSERT_EQ(propertiesOf(output() / "photo 0.png").pixelWidth, 9);
    writePng(photos[0], 11);

    store_->clearAll();
    add({photos[0]});
    ASSERT_TRUE(estimatesSettle());
    exportTo(ExportDestination::folder(output()));
    const auto& written = std::get<BatchItem::Exported>(store_->items()[0].state).url;
    EXPECT_EQ(written, output() / "photo 0-1.png");
    EXPECT_EQ(propertiesOf(written).pixelWidth, 20);
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
    EXPECT_EQ(entries(trashInfo()).size(), 3u);
    EXPECT_EQ(entries(originals()).size(), 3u) << "no working file is left";
    EXPECT_FALSE(temporaryFilesLeft());
    // A private original does not come back readable by others.
    struct stat status {};
    ASSERT_EQ(::stat(photos[0].c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
}

} // namespace
