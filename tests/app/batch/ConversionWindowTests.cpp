#include "BatchStoreHarness.h"

#include "ImageEngine/Pipeline/ConversionEngine.h"
#include "app/batch/ConversionWindow.h"
#include "app/batch/EngineConverting.h"

#include <QObject>
#include <QThread>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace pictavo;
using namespace batch_testing;

// What one delivery brought, and where settling and delivering ran.
struct Delivered {
    std::string file;
    Settlement::Kind kind = Settlement::Kind::cancelled;
    std::int64_t bytes = 0;
    bool settledOnMainThread = true;
    bool deliveredOnMainThread = false;
};

// A window over an engine, whose deliveries the test collects; `refill` runs in each delivery
// after it is recorded, as an owner refills its window.
class Windowed {
public:
    Windowed(const Converting& engine, std::int64_t width) : window_(engine, width, context_.get()) {}

    void start(const fs::path& source, EncodeEffort effort = EncodeEffort::final) {
        const OutputSpec spec = BatchStore::startingSpec();
        window_.start(
            source, spec, 1, effort,
            [source, spec](JobOutcome<ConversionResult>& done) {
                Settlement settlement;
                Delivered delivered;
                delivered.file = source.filename().string();
                delivered.settledOnMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
                if (auto result = settlement.take(done, source, spec, std::nullopt)) delivered.bytes = result->byteCount();
                delivered.kind = settlement.kind;
                return delivered;
            },
            [this](Delivered delivered) {
                delivered.deliveredOnMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
                delivered_.push_back(delivered);
                if (refill) refill();
            });
    }

    std::unique_ptr<QObject> context_ = std::make_unique<QObject>();
    ConversionWindow window_;
    std::vector<Delivered> delivered_;
    std::function<void()> refill;
};

TEST(ConversionWindow, KeepsItsWidthInFlightRefillsFromEachDeliveryAndDeliversOnTheMainThread) {
    testing_support::TemporaryFolder scene;
    GatedEngine engine;
    Windowed windowed(engine, 2);
    std::vector<fs::path> files;
    for (int i = 0; i < 5; ++i) files.push_back(writePng(scene.path() / ("p" + std::to_string(i) + ".png"), i));
    std::size_t next = 0;
    const auto startNext = [&] {
        if (next >= files.size()) return false;
        windowed.start(files[next++]);
        return true;
    };
    windowed.refill = [&] { windowed.window_.fill(startNext); };
    windowed.window_.fill(startNext);
    EXPECT_EQ(engine.callCount(), 2u);
    EXPECT_EQ(windowed.window_.inFlight(), 2);
    EXPECT_FALSE(windowed.window_.hasRoom());

    // Finished out of order, from the test's thread; each delivery refills one place.
    engine.finish(1);
    ASSERT_TRUE(eventually([&] { return engine.callCount() == 3; }));
    ASSERT_EQ(windowed.delivered_.size(), 1u);
    EXPECT_EQ(windowed.delivered_[0].file, "p1.png");
    for (std::size_t index : {0u, 2u, 3u, 4u}) {
        ASSERT_TRUE(eventually([&] { return engine.callCount() > index; }));
        engine.finish(index);
    }
    ASSERT_TRUE(eventually([&] { return windowed.delivered_.size() == 5; }));
    EXPECT_EQ(engine.mostInFlight(), 2);
    EXPECT_EQ(windowed.window_.inFlight(), 0);
    for (const Delivered& delivered : windowed.delivered_) {
        EXPECT_EQ(delivered.kind, Settlement::Kind::succeeded);
        EXPECT_TRUE(delivered.deliveredOnMainThread);
    }
}

TEST(ConversionWindow, CancellingStillDeliversEveryConversionAndAGoneContextHearsNothing) {
    testing_support::TemporaryFolder scene;
    GatedEngine engine;
    {
        Windowed windowed(engine, 3);
        for (int i = 0; i < 3; ++i) windowed.start(writePng(scene.path() / ("c" + std::to_string(i) + ".png"), i));
        engine.finish(0);
        windowed.window_.cancel();
        EXPECT_TRUE(windowed.window_.cancelled());
        // The owner can count what is still out: every start comes back once.
        ASSERT_TRUE(eventually([&] { return windowed.window_.inFlight() == 0; }));
        ASSERT_EQ(windowed.delivered_.size(), 3u);
        EXPECT_EQ(windowed.delivered_[0].kind, Settlement::Kind::succeeded);
        EXPECT_EQ(windowed.delivered_[1].kind, Settlement::Kind::cancelled);
        EXPECT_EQ(windowed.delivered_[2].kind, Settlement::Kind::cancelled);
    }

    bool heard = false;
    auto context = std::make_unique<QObject>();
    ConversionWindow window(engine, 1, context.get());
    window.start(
        writePng(scene.path() / "late.png"), BatchStore::startingSpec(), 1, EncodeEffort::final,
        [](JobOutcome<ConversionResult>&) { return 0; }, [&heard](int) { heard = true; });
    context.reset();
    engine.finishAll();
    QCoreApplication::processEvents();
    EXPECT_FALSE(heard);
}

// With the real engine: the result is settled on the converting thread, so the bytes of an
// estimate never travel to the main thread, and what arrives is what the engine writes.
TEST(ConversionWindow, RealConversionsAreSettledOffTheMainThreadAndMatchTheEnginesOwn) {
    testing_support::TemporaryFolder scene;
    const ConversionEngine engine(DecoderRegistry::standard(), EncoderRegistry::standard(),
                                  SourceOptimiserRegistry::standard());
    const EngineConverting converting(engine);
    Windowed windowed(converting, 3);
    const fs::path source = writePng(scene.path() / "real.png", 3);
    windowed.start(source, EncodeEffort::final);
    windowed.start(writePng(scene.path() / "preview.png", 4), EncodeEffort::preview);
    windowed.start(scene.path() / "missing.png");
    ASSERT_TRUE(eventually([&] { return windowed.delivered_.size() == 3; }));
    const std::int64_t expected = engine.convert(source, BatchStore::startingSpec(), 1, EncodeEffort::final).byteCount();
    for (const Delivered& delivered : windowed.delivered_) {
        SCOPED_TRACE(delivered.file);
        EXPECT_FALSE(delivered.settledOnMainThread);
        EXPECT_TRUE(delivered.deliveredOnMainThread);
        EXPECT_EQ(delivered.kind, delivered.file == "missing.png" ? Settlement::Kind::failed : Settlement::Kind::succeeded);
        if (delivered.file == "real.png") {
            EXPECT_EQ(delivered.bytes, expected);
        } else if (delivered.file == "preview.png") {
            EXPECT_GT(delivered.bytes, 0);
        }
    }
}

} // namespace
