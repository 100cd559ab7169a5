#include "BatchStoreHarness.h"

#include "app/batch/Import.h"
#include "app/desktop/BackgroundWork.h"
#include "platform/files/FileStatus.h"

#include <QObject>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

using namespace pictavo;
using namespace batch_testing;

// The standard decoders, whose inspection of a file waits until the test opens the gate.
// The gate opens at the latest when the test ends, so no pool thread is left waiting.
class GatedDecoders {
public:
    GatedDecoders() {
        const std::shared_future<void> gate = gate_.get_future().share();
        const DecoderRegistry standard = DecoderRegistry::standard();
        std::vector<ImageDecoderRef> gated;
        for (const ImageDecoderRef& decoder : standard.decoders()) {
            gated.push_back(std::make_shared<Gated>(decoder, gate));
        }
        registry_.emplace(std::move(gated));
    }
    ~GatedDecoders() { open(); }
    const DecoderRegistry& registry() const { return *registry_; }
    void open() {
        if (open_) return;
        open_ = true;
        gate_.set_value();
    }

private:
    class Gated : public ImageDecoder {
    public:
        Gated(ImageDecoderRef inner, std::shared_future<void> gate) : inner_(std::move(inner)), gate_(std::move(gate)) {}
        const std::unordered_set<platform::ContentType>& readableTypes() const override { return inner_->readableTypes(); }
        bool canDecode(const platform::ContentType& type) const override { return inner_->canDecode(type); }
        ImageProperties properties(const fs::path& url) const override {
            gate_.wait();
            return inner_->properties(url);
        }
        DecodedImage decode(const fs::path& url) const override { return inner_->decode(url); }

    private:
        ImageDecoderRef inner_;
        std::shared_future<void> gate_;
    };

    std::promise<void> gate_;
    bool open_ = false;
    std::optional<DecoderRegistry> registry_;
};

// A batch of keys only, which records what its imports tell it.
class KeyBatch : public QObject, public Import::Owner {
public:
    bool knows(const std::string& key) const override { return known.contains(key); }
    bool isExporting() const override { return exporting; }
    void importAdmits(std::vector<Import::Admitted> cards) override {
        slices.push_back(cards.size());
        for (Import::Admitted& card : cards) {
            known.insert(card.key);
            names.push_back(card.item.displayName.toStdString());
        }
        if (afterSlice) afterSlice();
    }
    void importOwed(const std::shared_ptr<Import>& import) override { owed.push_back(import); }
    void importEnded(const Import&) override { ++ended; }

    std::unordered_set<std::string> known;
    bool exporting = false;
    std::vector<std::string> names;
    std::vector<std::size_t> slices;
    std::function<void()> afterSlice;
    std::vector<std::shared_ptr<Import>> owed;
    int ended = 0;
};

class ImportOfFiles : public testing::Test {
protected:
    fs::path folder() const { return temporary_.path(); }
    std::string keyOf(const fs::path& path) const { return platform::fileKey(path).string(); }
    std::shared_ptr<Import> startImport(const std::vector<fs::path>& paths, const DecoderRegistry& decoders,
                                        std::vector<Import::Result>& results) {
        auto import = std::make_shared<Import>(batch_, &batch_, urlsOf(paths), decoders, PixelMemory::shared(),
                                               [&results](Import::Result result) { results.push_back(result); });
        import->start();
        return import;
    }

    testing_support::TemporaryFolder temporary_;
    KeyBatch batch_;
};

TEST_F(ImportOfFiles, OneLetGoOfWhileDiscoveringIsCompletedOnceAndKeepsNothingAlive) {
    GatedDecoders decoders;
    std::vector<Import::Result> results;
    std::shared_ptr<Import> import = startImport({writePng(folder() / "a.png")}, decoders.registry(), results);
    const std::weak_ptr<Import> watched = import;

    import->abandon();
    import->abandon();
    import.reset();
    EXPECT_TRUE(watched.expired()) << "discovery under way must not hold the import";
    EXPECT_EQ(results, (std::vector<Import::Result>{Import::Result{}}));

    decoders.open();
    ASSERT_TRUE(fileWorkPool().waitForDone(60000));
    QCoreApplication::processEvents();
    EXPECT_EQ(results.size(), 1u);
    EXPECT_TRUE(batch_.names.empty());
    EXPECT_EQ(batch_.ended, 0) << "an abandoned import tells its owner nothing";
}

TEST_F(ImportOfFiles, OwedFindingsKeepTheirTombstonesUntilTheRunEndsAndAClearingDropsThem) {
    const fs::path a = writePng(folder() / "a.png");
    const fs::path b = writePng(folder() / "b.png");
    const fs::path c = writePng(folder() / "c.png");
    batch_.known.insert(keyOf(c));
    batch_.exporting = true;
    const DecoderRegistry decoders = DecoderRegistry::standard();
    std::vector<Import::Result> kept, cleared;
    const std::shared_ptr<Import> keeping = startImport({folder(), a}, decoders, kept);
    const std::shared_ptr<Import> clearing = startImport({b}, decoders, cleared);
    ASSERT_TRUE(eventually([&] { return batch_.owed.size() == 2; }));
    EXPECT_TRUE(kept.empty());

    keeping->forget({keyOf(b)});
    clearing->overtake();
    clearing->forget({keyOf(a)});
    EXPECT_EQ(keeping->tombstones().size(), 1u);
    EXPECT_TRUE(clearing->tombstones().empty()) << "an overtaken import can add nothing, so it needs no tombstone";

    batch_.exporting = false;
    for (const std::shared_ptr<Import>& import : batch_.owed) import->admitOwed();
    // The known file and the removed one stay out; the file named twice is one card.
    EXPECT_EQ(batch_.names, (std::vector<std::string>{"a.png"}));
    EXPECT_EQ(kept, (std::vector<Import::Result>{{1, 0, 1}}));
    EXPECT_EQ(cleared, (std::vector<Import::Result>{{0, 0}}));
    EXPECT_EQ(batch_.ended, 2);
    EXPECT_TRUE(keeping->tombstones().empty());

    keeping->admitOwed();
    EXPECT_EQ(kept.size(), 1u) << "an import ends once";
}

TEST_F(ImportOfFiles, ALargeDropIsAdmittedASliceATurnInOrderAndWhatHappensBetweenSlicesCounts) {
    const platform::Bytes png = pngBytes();
    const std::size_t count = 2 * Import::filesPerSlice + Import::filesPerSlice / 2;
    std::vector<std::string> expected;
    for (std::size_t i = 1; i <= count; ++i) {
        const std::string name = "photo " + std::to_string(i) + ".png";
        std::ofstream(folder() / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
        expected.push_back(name);
    }
    const DecoderRegistry decoders = DecoderRegistry::standard();

    // An export that starts after the first slice holds the rest back until it ends.
    std::vector<Import::Result> results;
    batch_.afterSlice = [&] { batch_.exporting = true; };
    const std::shared_ptr<Import> import = startImport({folder()}, decoders, results);
    ASSERT_TRUE(eventually([&] { return batch_.owed.size() == 1; }));
    EXPECT_EQ(batch_.slices, (std::vector<std::size_t>{Import::filesPerSlice}));
    EXPECT_TRUE(results.empty());

    // The run's end admits the next slice at once; a clearing before the last one ends the
    // import with nothing counted and nothing more added.
    batch_.afterSlice = nullptr;
    batch_.exporting = false;
    import->admitOwed();
    EXPECT_EQ(batch_.slices.size(), 2u);
    import->overtake();
    ASSERT_TRUE(eventually([&] { return results.size() == 1; }));
    EXPECT_EQ(results.front(), Import::Result{});
    EXPECT_EQ(batch_.names, std::vector<std::string>(expected.begin(), expected.begin() + 2 * Import::filesPerSlice));

    // Judged slice by slice against the batch: only the files not yet in it are added, and
    // those already in it are counted.
    std::vector<Import::Result> again;
    const std::shared_ptr<Import> second = startImport({folder()}, decoders, again);
    ASSERT_TRUE(eventually([&] { return again.size() == 1; }));
    EXPECT_EQ(again.front(), (Import::Result{static_cast<std::int64_t>(count - 2 * Import::filesPerSlice), 0,
                                             static_cast<std::int64_t>(2 * Import::filesPerSlice)}));
    EXPECT_EQ(batch_.names, expected);
}

} // namespace
