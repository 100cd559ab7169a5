#include "app/batch/ThumbnailLoader.h"

#include "BatchStoreHarness.h"
#include "app/batch/LongRead.h"
#include "platform/base/Cancellation.h"
#include "support/EncodedSamples.h"
#include "support/TemporaryFolder.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>

#include <array>
#include <future>
#include <optional>
#include <vector>

namespace {

using namespace pictavo;
using batch_testing::eventually;
using batch_testing::writeBlank;
using testing_support::TemporaryFolder;
namespace fs = std::filesystem;

fs::path writeSolid(const TemporaryFolder& folder, const std::string& name, int width, int height, std::uint8_t red,
                    std::uint8_t green, std::uint8_t blue) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = std::array{red, green, blue}[i % 3];
    testing_support::SampleImage sample;
    sample.width = width;
    sample.height = height;
    const auto bytes = testing_support::encodePixels(pixels, sample, ".png");
    EXPECT_TRUE(bytes.has_value());
    return folder.write(name, bytes.value_or(platform::Bytes{}));
}

ThumbnailLoader::Request requestFor(const fs::path& file, int maxPixelSize = 256, int quarterTurns = 0) {
    ThumbnailLoader::Request request;
    request.url = file;
    request.maxPixelSize = maxPixelSize;
    request.adjustments.reorientation = Reorientation(quarterTurns);
    request.stamp = readSourceStamp(file);
    return request;
}

struct Delivery {
    bool arrived = false;
    bool arrivedBeforeTheCallReturned = false;
    bool onMainThread = false;
    // A thread of the loader's pool was at work when the request returned.
    bool madeInThePool = false;
    QImage image;
};

// Asks for the preview and waits, running the event loop, until it arrives.
Delivery ask(ThumbnailLoader& loader, const ThumbnailLoader::Request& request) {
    QObject context;
    auto delivery = std::make_shared<Delivery>();
    bool returned = false;
    loader.thumbnail(request, &context, [delivery, &returned](const QImage& image) {
        delivery->arrived = true;
        delivery->arrivedBeforeTheCallReturned = !returned;
        delivery->onMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        delivery->image = image;
    });
    returned = true;
    delivery->madeInThePool = ThumbnailLoader::pool().activeThreadCount() > 0;
    EXPECT_TRUE(eventually([&] { return delivery->arrived; }));
    return *delivery;
}

QRgb centre(const QImage& image) { return image.pixel(image.width() / 2, image.height() / 2); }

// The file's bytes and time as seen now differ from those of before: a second write within
// the same clock tick would keep the time, so it is moved on by a second.
void rewrite(const fs::path& file, const fs::path& replacement) {
    const auto before = fs::last_write_time(file);
    fs::copy_file(replacement, file, fs::copy_options::overwrite_existing);
    fs::last_write_time(file, before + std::chrono::seconds(1));
}

TEST(ThumbnailLoader, MakesThePreviewOffTheMainThreadServesItAgainWithoutTheFileAndRefusesABomb) {
    TemporaryFolder folder;
    const fs::path photo = writeSolid(folder, "red.png", 600, 400, 255, 0, 0);
    ThumbnailLoader loader;
    const ThumbnailLoader::Request request = requestFor(photo);

    const Delivery made = ask(loader, request);
    EXPECT_FALSE(made.arrivedBeforeTheCallReturned);
    EXPECT_TRUE(made.madeInThePool) << "a miss never decodes on the calling thread";
    EXPECT_TRUE(made.onMainThread);
    EXPECT_EQ(made.image.size(), QSize(256, 171));
    EXPECT_EQ(centre(made.image), qRgb(255, 0, 0));
    EXPECT_EQ(loader.cachedBytes(), std::int64_t(made.image.bytesPerLine()) * made.image.height());

    // A hit is answered at once and touches no file.
    fs::remove(photo);
    const Delivery again = ask(loader, request);
    EXPECT_TRUE(again.arrivedBeforeTheCallReturned);
    EXPECT_EQ(again.image, made.image);
    EXPECT_EQ(loader.entryCount(), 1u);

    // 200,000 by 200,000 pixels would take 160 GB; the file is a few hundred bytes, and is
    // refused before its pixels are read.
    const fs::path bomb = folder.write("bomb.png", testing_support::pngDeclaring(200'000));
    EXPECT_TRUE(ask(loader, requestFor(bomb)).image.isNull());
    EXPECT_EQ(loader.entryCount(), 1u);
}

// A preview is a small picture: it is read at a reduced size however large the picture, held
// in the conversions' memory while it is made, and given back after.
TEST(ThumbnailLoader, APictureLargerThanTheMemoryHoldsWholeStillGetsAPreview) {
    TemporaryFolder folder;
    // Read whole, 1536 x 1536 RGB take 7 MB; read at a half, 1.8 MB.
    const fs::path large = writeSolid(folder, "large.png", 1536, 1536, 0, 0, 255);
    const auto memory = std::make_shared<PixelMemory>(3'000'000);
    ThumbnailLoader loader(nullptr, memory);
    const Delivery made = ask(loader, requestFor(large));
    EXPECT_EQ(made.image.size(), QSize(256, 256));
    EXPECT_EQ(centre(made.image), qRgb(0, 0, 255));
    EXPECT_EQ(memory->heldBytes(), 0u);
}

// A drawing is drawn at the preview's size, a small one enlarged: it is held in the
// conversions' memory for that bitmap and the document's parse before it is drawn.
TEST(ThumbnailLoader, ADrawingsPreviewIsHeldForTheBitmapItIsDrawnInto) {
    TemporaryFolder folder;
    const std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"40\" height=\"20\">"
                            "<rect width=\"40\" height=\"20\" fill=\"#00f\"/></svg>";
    const fs::path drawing = folder.write("drawing.svg", platform::Bytes(svg.begin(), svg.end()));
    const auto memory = std::make_shared<PixelMemory>(100'000'000);
    const QImage image = ThumbnailLoader::make(DecoderRegistry::standard(), requestFor(drawing), memory);
    EXPECT_EQ(image.size(), QSize(256, 128));
    EXPECT_GE(memory->mostHeldBytes(), 256u * 128 * 4);
    EXPECT_EQ(memory->heldBytes(), 0u);
}

TEST(ThumbnailLoader, ShowsThePictureUprightAndTurnedAsTheExportWill) {
    TemporaryFolder folder;
    testing_support::SampleImage sample;
    sample.width = 90;
    sample.height = 60;
    sample.orientation = 6;
    const auto jpeg = testing_support::encodeSample(sample, ".jpg[Q=95]");
    ASSERT_TRUE(jpeg.has_value());
    const fs::path photo = folder.write("turned.jpg", *jpeg);
    ThumbnailLoader loader;

    // Stored on its side with orientation 6: upright it is taller than wide, and never enlarged.
    EXPECT_EQ(ask(loader, requestFor(photo)).image.size(), QSize(60, 90));
    // A quarter turn of the batch is a preview of its own beside the first.
    const ThumbnailLoader::Request turned = requestFor(photo, 256, 1);
    EXPECT_TRUE(ThumbnailLoader::keyText(turned).contains(QStringLiteral("#t1#")));
    EXPECT_EQ(ask(loader, turned).image.size(), QSize(90, 60));
    EXPECT_EQ(loader.entryCount(), 2u);
}

TEST(ThumbnailLoader, AChangedFileIsReadAgainAndItsOldVersionGetsNoPreview) {
    TemporaryFolder folder;
    const fs::path photo = writeSolid(folder, "photo.png", 120, 80, 255, 0, 0);
    const fs::path blue = writeSolid(folder, "blue.png", 100, 80, 0, 0, 255);
    ThumbnailLoader loader;
    const ThumbnailLoader::Request first = requestFor(photo);
    EXPECT_EQ(qRed(centre(ask(loader, first).image)), 255);

    rewrite(photo, blue);
    // A card that still describes the red version gets nothing for a preview not made yet,
    // and nothing is kept.
    ThumbnailLoader::Request stale = first;
    stale.adjustments.reorientation = Reorientation(1);
    EXPECT_TRUE(ask(loader, stale).image.isNull());
    EXPECT_FALSE(loader.holds(ThumbnailLoader::keyText(stale)));

    const ThumbnailLoader::Request current = requestFor(photo);
    ASSERT_NE(current.stamp, first.stamp);
    const QImage image = ask(loader, current).image;
    EXPECT_EQ(image.size(), QSize(100, 80));
    EXPECT_EQ(centre(image), qRgb(0, 0, 255));
}

// Previews of 2700 by 2700 pixels weigh 29,160,000 bytes: four fit in the budget, five do not.
class ThumbnailBudget : public testing::Test {
protected:
    static constexpr int side = 2700;
    static constexpr std::int64_t previewBytes = std::int64_t(side) * side * 4;

    ThumbnailBudget() {
        for (int i = 0; i < 6; ++i) {
            files.push_back(writeSolid(folder, "large " + std::to_string(i) + ".png", side, side, std::uint8_t(40 * i),
                                       0, 0));
        }
    }
    ThumbnailLoader::Request request(int file, int quarterTurns = 0) const {
        return requestFor(files[std::size_t(file)], side, quarterTurns);
    }
    bool holds(int file, int quarterTurns = 0) const {
        return loader.holds(ThumbnailLoader::keyText(request(file, quarterTurns)));
    }
    ThumbnailSource source(int file) const { return ThumbnailLoader::sourceOf(request(file)); }

    TemporaryFolder folder;
    std::vector<fs::path> files;
    ThumbnailLoader loader;
};

TEST_F(ThumbnailBudget, TheLeastRecentlyUsedGoOnceOverBudgetAndAFileLeavingTheBatchBecomesEvictable) {
    // The first file's card can no longer make its preview again (its source is gone).
    loader.keep({source(0)});
    for (int file = 0; file < 5; ++file) ASSERT_FALSE(ask(loader, request(file)).image.isNull());
    // The fifth went over budget: the least recently used of the others went, the kept one stayed.
    EXPECT_TRUE(holds(0));
    EXPECT_FALSE(holds(1));
    EXPECT_TRUE(holds(2) && holds(3) && holds(4));
    EXPECT_EQ(loader.cachedBytes(), 4 * previewBytes);
    EXPECT_LE(loader.cachedBytes(), ThumbnailLoader::byteBudget);

    // Its card leaves the batch: the next preview over budget takes it, the oldest.
    loader.keep({});
    ASSERT_FALSE(ask(loader, request(5)).image.isNull());
    EXPECT_FALSE(holds(0));
    EXPECT_TRUE(holds(2) && holds(3) && holds(4) && holds(5));
    EXPECT_LE(loader.cachedBytes(), ThumbnailLoader::byteBudget);
}

TEST_F(ThumbnailBudget, OnlyTheCurrentTurnOfAKeptFileIsSpared) {
    loader.keep({source(0), source(1)});
    for (int turns = 0; turns < 4; ++turns) {
        ASSERT_FALSE(ask(loader, request(0, turns)).image.isNull());
        ASSERT_FALSE(ask(loader, request(1, turns)).image.isNull());
    }
    // Turning the batch round made eight previews of two kept files; only their current turns stay.
    EXPECT_TRUE(holds(0, 3) && holds(1, 3));
    EXPECT_FALSE(holds(0, 0) || holds(0, 1) || holds(1, 0));
    EXPECT_LE(loader.cachedBytes(), ThumbnailLoader::byteBudget);

    // A budget every kept preview alone exceeds is soft: eviction stops at them.
    loader.keep({source(0), source(1), source(2), source(3), source(4)});
    for (int file = 2; file < 5; ++file) ASSERT_FALSE(ask(loader, request(file)).image.isNull());
    EXPECT_TRUE(holds(0, 3) && holds(1, 3) && holds(2) && holds(3) && holds(4));
    EXPECT_EQ(loader.cachedBytes(), 5 * previewBytes);
}

// A panorama's reduced read takes long: a small picture asked for after it is shown first,
// also when the panorama's header lies past the file's first bytes (a TIFF's directory after
// its strips).
TEST(ThumbnailLoader, APreviewDoesNotWaitBehindALargePicturesRead) {
    TemporaryFolder folder;
    const std::vector<std::uint8_t> black(static_cast<std::size_t>(16'000) * 5'000, 0);
    testing_support::SampleImage sample;
    sample.width = 16'000;
    sample.height = 5'000;
    sample.bands = 1;
    const auto tiff = testing_support::encodePixels(black, sample, ".tif[compression=lzw]");
    ASSERT_TRUE(tiff);
    const auto small = writeSolid(folder, "photo.png", 64, 48, 0, 0, 255);
    for (const auto& large : {writeBlank(folder, "panorama.png", 16'000, 5'000), folder.write("panorama.tif", *tiff)}) {
        ThumbnailLoader loader(nullptr, std::make_shared<PixelMemory>(1'000'000'000));
        QObject context;
        std::vector<std::string> arrived;
        for (const auto& file : {large, small}) {
            loader.thumbnail(requestFor(file), &context,
                             [&arrived, name = file.filename().string()](const QImage&) { arrived.push_back(name); });
        }
        ASSERT_TRUE(eventually([&] { return arrived.size() == 2; }));
        EXPECT_EQ(arrived, (std::vector<std::string>{"photo.png", large.filename().string()}));
    }
}

// Conversions holding the memory and others waiting for it do not hold back a photo's
// preview: it waits for room, not its turn.
TEST(ThumbnailLoader, APhotosPreviewIsNotHeldBehindConversionsWaitingForMemory) {
    TemporaryFolder folder;
    const auto photo = writeSolid(folder, "photo.png", 640, 480, 0, 0, 255);
    const auto memory = std::make_shared<PixelMemory>(100'000'000);
    const auto running = PixelMemory::tryHold(memory, 60'000'000);
    std::stop_source giveUp;
    auto waiting = std::async(std::launch::async,
                              [&] { return PixelMemory::hold(memory, 50'000'000, giveUp.get_token()); });
    ASSERT_TRUE(eventually([&] { return memory->waiting() == 1; }));
    ThumbnailLoader loader(nullptr, memory);
    const Delivery delivery = ask(loader, requestFor(photo));
    EXPECT_FALSE(delivery.image.isNull());
    giveUp.request_stop();
    EXPECT_THROW(waiting.get(), platform::CancellationError);
}

// A preview waiting for memory lends its lane to the next: the photo asked after it is made
// meanwhile, and the waiting one follows once there is room.
TEST(ThumbnailLoader, APreviewWaitingForMemoryDoesNotHoldUpThePreviewsAfterIt) {
    TemporaryFolder folder;
    const auto waiting = writeSolid(folder, "waiting.png", 640, 480, 255, 0, 0);
    const auto photo = writeSolid(folder, "photo.png", 64, 48, 0, 0, 255);
    const auto memory = std::make_shared<PixelMemory>(100'000'000);
    auto running = PixelMemory::tryHold(memory, 99'900'000);
    ThumbnailLoader loader(nullptr, memory);
    QObject context;
    std::vector<std::string> made;
    for (const auto& file : {waiting, photo}) {
        loader.thumbnail(requestFor(file), &context, [&made, name = file.filename().string()](const QImage& image) {
            if (!image.isNull()) made.push_back(name);
        });
    }
    ASSERT_TRUE(eventually([&] { return !made.empty(); }));
    EXPECT_EQ(made, std::vector<std::string>{"photo.png"});
    running.reset();
    ASSERT_TRUE(eventually([&] { return made.size() == 2; }));
    EXPECT_EQ(made.back(), "waiting.png");
    EXPECT_TRUE(eventually([] { return !ThumbnailLoader::previewsRunning(); }));
}

// A small picture in a long file (a camera's raw picture behind its thumbnail) is read whole:
// its preview goes on the lane of long reads, whose previews wait for memory in turn, behind
// the conversion that asked before them.
TEST(ThumbnailLoader, APictureInALongFileWaitsForMemoryInTurn) {
    TemporaryFolder folder;
    const auto raw = writeSolid(folder, "raw.png", 64, 48, 0, 255, 0);
    fs::resize_file(raw, LongRead::largeFileBytes + 1'000'000);
    const auto memory = std::make_shared<PixelMemory>(400'000'000);
    auto running = PixelMemory::tryHold(memory, 300'000'000);
    auto conversion = std::async(std::launch::async, [&] { return PixelMemory::hold(memory, 200'000'000, {}); });
    ASSERT_TRUE(eventually([&] { return memory->waiting() == 1; }));
    ThumbnailLoader loader(nullptr, memory);
    QObject context;
    std::optional<QImage> preview;
    loader.thumbnail(requestFor(raw), &context, [&preview](const QImage& image) { preview = image; });
    ASSERT_TRUE(eventually([&] { return preview || memory->waiting() == 2; }));
    EXPECT_FALSE(preview);
    running.reset();
    EXPECT_EQ(conversion.get()->bytes(), 200'000'000u);
    ASSERT_TRUE(eventually([&] { return preview.has_value(); }));
    EXPECT_EQ(preview->size(), QSize(64, 48));
}

} // namespace
