#include "ShellTesting.h"

#include "ImageEngine/Running/EncodeExecutor.h"
#include "ImageEngine/Running/PixelMemory.h"
#include "app/shell/FinishingWork.h"

#include <QAction>
#include <QImage>

#include <gtest/gtest.h>

#include <chrono>
#include <future>

namespace {

using namespace pictavo;
using namespace shell_testing;

class Quitting : public testing::Test, protected WindowScene {
protected:
    void importPhotos(MainWindow& into, const std::vector<fs::path>& paths) {
        bool imported = false;
        QObject::connect(&into, &MainWindow::importFinished, [&] { imported = true; });
        into.importFiles(urlsOf(paths));
        ASSERT_TRUE(eventually([&] { return imported; }));
    }
};

TEST_F(Quitting, NothingWaitsForTheEstimatesOfAWindowThatHasGone) {
    window.reset();
    // Under a bound the test holds whole, the window's estimate runs and waits for memory.
    const auto memory = std::make_shared<PixelMemory>(4'000'000);
    const PixelMemory::HoldRef heldElsewhere = PixelMemory::tryHold(memory, memory->capacity());
    ASSERT_TRUE(heldElsewhere);
    const ConversionEngine bounded(DecoderRegistry::standard(), EncoderRegistry::standard(),
                                   SourceOptimiserRegistry::standard(), memory);
    auto estimating = std::make_unique<MainWindow>(settings, destinations, openedFiles, services, bounded);
    estimating->show();
    importPhotos(*estimating, {writePhoto(photos() / "photo.png", 320, 240)});
    ASSERT_TRUE(eventually([&] { return EncodeExecutor::runningJobsStillWanted() > 0; }));

    // Another estimate, already inside its encoder, which cannot stop half way.
    std::stop_source encoderStop;
    std::promise<void> encoderEnds;
    auto encoding = EncodeExecutor::shared().encoding(
        encoderStop.get_token(), [ends = encoderEnds.get_future().share()](std::stop_token) {
            ends.wait();
            return 0;
        });
    ASSERT_TRUE(eventually([&] { return EncodeExecutor::runningJobs() >= 2; }));

    estimating.reset();
    encoderStop.request_stop();
    EXPECT_TRUE(finishWorkStillWanted(QDeadlineTimer(60'000)));
    EXPECT_EQ(encoding.wait_for(std::chrono::seconds(0)), std::future_status::timeout)
        << "the quit did not wait for the encoder";
    // Asked to stop, the waiting estimate leaves its wait on its own thread, which the quit
    // does not wait for.
    EXPECT_TRUE(eventually([&] { return memory->waiting() == 0; })) << "the window's estimate still waits for memory";
    EXPECT_EQ(EncodeExecutor::runningJobsStillWanted(), 0);
    encoderEnds.set_value();
    EXPECT_EQ(encoding.get(), 0);
}

TEST_F(Quitting, AnExportStopsAfterTheFilesBeingWrittenAndLeavesEachWhole) {
    constexpr int photoCount = 8;
    std::vector<fs::path> paths;
    for (int i = 0; i < photoCount; ++i) {
        paths.push_back(writePhoto(photos() / ("photo " + std::to_string(i) + ".png"), 1600, 1200, i));
    }
    importPhotos(*window, paths);
    folderAsker.answers = {output()};
    ASSERT_TRUE(destinations.chooseFolder());
    window->exportAction()->trigger();
    ASSERT_TRUE(eventually([&] { return fs::exists(output() / "photo 0.png"); }));
    services.quitAnswer = true;
    EXPECT_TRUE(window->close());
    window.reset();

    EXPECT_TRUE(finishWorkStillWanted(QDeadlineTimer(60'000)));
    int written = 0;
    for (const auto& entry : fs::directory_iterator(output())) {
        const QImage image(QString::fromStdString(entry.path().string()));
        EXPECT_EQ(image.size(), QSize(1600, 1200)) << entry.path() << " is written whole under its own name";
        ++written;
    }
    EXPECT_GE(written, 1);
}

} // namespace
