#include "ImageEngine/Decoding/DecoderRegistry.h"
#include "ImageEngine/Encoding/EncoderRegistry.h"
#include "ImageEngine/Encoding/SourceOptimiserRegistry.h"
#include "ImageEngine/Pipeline/ConversionEngine.h"
#include "app/batch/DragFileMimeData.h"
#include "app/batch/EngineConverting.h"
#include "app/batch/ExportedImage.h"
#include "app/export/PrivateTemporaryFolder.h"
#include "app/settings/SettingsStore.h"
#include "support/EncodedSamples.h"
#include "support/FolderVariable.h"
#include "support/SampleImages.h"
#include "support/TemporaryFolder.h"

#include <QUuid>
#include <gtest/gtest.h>


namespace {

namespace fs = std::filesystem;
using namespace pictavo;
using testing_support::TemporaryFolder;
using testing_support::modeOf;

// Drags of real files converted by the real engine, with this user's runtime folder in a
// temporary folder.
class DragOut : public testing::Test {
protected:
    DragOut() {
        testing_support::SampleImage sample;
        sample.width = 40;
        sample.height = 30;
        source = sources.write("holiday.png", *testing_support::encodeSample(sample, ".png"));
        spec.format = OutputFormat::jpeg();
        spec.quality = QualityMode::quality(80);
    }

    TemporaryFolder runtime;
    support::FolderVariable runtimeVariable{"XDG_RUNTIME_DIR", runtime.path()};
    TemporaryFolder sources;
    fs::path source;
    OutputSpec spec = SettingsStore::builtInDefaultSpec();
    ConversionEngine engine{DecoderRegistry::standard(), EncoderRegistry::standard(),
                            SourceOptimiserRegistry::standard()};
    EngineConverting converting{engine};
};

TEST_F(DragOut, ACardIsConvertedIntoAFolderOfItsOwnThatTheDragNamesAndStartUpRemoves) {
    const ExportedImage image(source, spec, converting, 1);
    DragFileMimeData data(image.writeDragFile());
    EXPECT_EQ(data.formats(), QStringList{QStringLiteral("text/uri-list")});
    const QList<QUrl> urls = data.urls();
    ASSERT_EQ(urls.size(), 1);
    EXPECT_TRUE(urls.front().isLocalFile());
    // Asked again, the same drag answers the same file: it converts once.
    EXPECT_EQ(data.urls(), urls);
    EXPECT_EQ(data.data(QStringLiteral("text/uri-list")), urls.front().toEncoded() + "\r\n");

    const fs::path file = urls.front().toLocalFile().toStdString();
    EXPECT_EQ(file.filename(), "holiday.jpg");
    const fs::path folder = file.parent_path();
    EXPECT_EQ(folder.parent_path(), ExportedImage::dragsFolder());
    EXPECT_EQ(ExportedImage::dragsFolder(), privateTemporaryBase() / "drags");
    EXPECT_TRUE(file.string().starts_with(runtime.path().string())) << "never the shared /tmp";
    const QString name = QString::fromStdString(folder.filename().string());
    EXPECT_FALSE(QUuid::fromString(name).isNull());
    EXPECT_EQ(name, name.toUpper());
    EXPECT_EQ(modeOf(ExportedImage::dragsFolder()), 0700u);
    EXPECT_EQ(modeOf(folder), 0700u);

    // The file is the conversion, whole: a JPEG of the source's size.
    const auto readBack = testing_support::readWithVips(testing_support::readFile(file));
    ASSERT_TRUE(readBack.has_value());
    EXPECT_EQ(readBack->width, 40);
    EXPECT_EQ(readBack->height, 30);
    EXPECT_EQ(testing_support::readFile(file).front(), 0xFF);
    EXPECT_EQ(fs::directory_iterator(folder)->path(), file) << "no working file is left beside it";
    EXPECT_NE(image.writeDragFile().get().parent_path(), folder);

    const fs::path notAnImage = sources.write("notes.png", {'n', 'o', 't', 'e', 's'});
    DragFileMimeData failed(ExportedImage(notAnImage, spec, converting, 1).writeDragFile());
    EXPECT_TRUE(failed.urls().isEmpty());
    EXPECT_TRUE(failed.data(QStringLiteral("text/uri-list")).isEmpty());
    EXPECT_EQ(std::distance(fs::directory_iterator(ExportedImage::dragsFolder()), fs::directory_iterator()), 2)
        << "a failed conversion leaves no folder";

    // A file that is not written in time gives the drop nothing rather than holding it up.
    std::promise<fs::path> never;
    DragFileMimeData late(never.get_future().share(), std::chrono::milliseconds(20));
    EXPECT_TRUE(late.urls().isEmpty());

    // Start-up removes the drags folder, but never follows a link in its place.
    ExportedImage::removeDragsFolder();
    EXPECT_FALSE(fs::exists(ExportedImage::dragsFolder()));
    EXPECT_TRUE(fs::exists(privateTemporaryBase()));

    // A link planted where the folder was: the link goes, what it points at stays.
    TemporaryFolder elsewhere;
    const fs::path precious = elsewhere.write("precious.jpg", {1, 2, 3});
    fs::create_directory_symlink(elsewhere.path(), ExportedImage::dragsFolder());
    ExportedImage::removeDragsFolder();
    EXPECT_FALSE(fs::exists(fs::symlink_status(ExportedImage::dragsFolder())));
    EXPECT_TRUE(fs::exists(precious));

    ExportedImage::removeDragsFolder();
    EXPECT_FALSE(fs::exists(fs::symlink_status(ExportedImage::dragsFolder())));
}

} // namespace
