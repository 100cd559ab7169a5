#pragma once
#include "ImageEngine/Decoding/DecoderRegistry.h"
#include "ImageEngine/Encoding/png/PNGChunks.h"
#include "ImageEngine/Encoding/png/ZlibStream.h"
#include "ImageEngine/Model/Estimate.h"
#include "ImageEngine/Pipeline/ConversionEngine.h"
#include "app/batch/BatchStore.h"
#include "app/batch/Converting.h"
#include "app/desktop/BackgroundWork.h"
#include "app/export/FreedesktopTrash.h"
#include "app/export/SystemExportWriter.h"
#include "platform/base/Cancellation.h"
#include "platform/files/FileOperations.h"
#include "support/EncodedSamples.h"
#include "support/Eventually.h"
#include "support/FolderVariable.h"
#include "support/TemporaryFolder.h"

#include <QCoreApplication>
#include <QFile>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <stop_token>
#include <string>
#include <vector>

namespace batch_testing {

namespace fs = std::filesystem;
using support::eventually;

inline QList<QUrl> urlsOf(const std::vector<fs::path>& paths) {
    QList<QUrl> urls;
    for (const fs::path& path : paths) urls.push_back(QUrl::fromLocalFile(QFile::decodeName(path.c_str())));
    return urls;
}

// A small real PNG; `variant` changes its pixels and so its bytes.
inline platform::Bytes pngBytes(int variant = 0) {
    testing_support::SampleImage sample;
    sample.width = 9 + variant;
    return *testing_support::encodeSample(sample, ".png");
}

inline fs::path writePng(const fs::path& path, int variant = 0) {
    fs::create_directories(path.parent_path());
    const platform::Bytes bytes = pngBytes(variant);
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

// A blank PNG of black-and-white pixels: a few kB of file whose every row is still read.
inline fs::path writeBlank(const testing_support::TemporaryFolder& folder, const std::string& name,
                           std::uint32_t width, std::uint32_t height) {
    platform::Bytes header;
    for (const std::uint32_t side : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8) header.push_back(static_cast<std::uint8_t>(side >> shift));
    header.insert(header.end(), {1, 0, 0, 0, 0});
    const platform::Bytes rows(static_cast<std::size_t>(height) * ((width + 7) / 8 + 1), 0);
    platform::Bytes file{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    pictavo::PNGChunks::serialise("IHDR", header, file);
    pictavo::PNGChunks::serialise("IDAT", pictavo::deflateAndVerify(rows, 1, rows.size()).value_or(platform::Bytes{}),
                                  file);
    pictavo::PNGChunks::serialise("IEND", platform::Bytes{}, file);
    return folder.write(name, file);
}

inline std::string textOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

// Why the card failed; empty while it has not.
inline QString failureOf(const pictavo::BatchItem& item) {
    const auto* failed = std::get_if<pictavo::BatchItem::Failed>(&item.state);
    return failed ? failed->reason : QString();
}

// An engine whose calls wait until the test lets them finish, so that the test chooses the
// order in which they do. A call whose stop token is asked to stop ends at once with
// platform::CancellationError, as the real engine's does at its next check. With `gated`
// false every call finishes as soon as it is made. Completions are called on the thread that
// finishes the call (the test's, or the one that asks it to stop), as the real engine calls
// them on its converting thread.
class GatedEngine : public pictavo::Converting {
public:
    struct Call {
        fs::path source;
        pictavo::OutputSpec spec;
        std::int64_t page;
        // At preview effort.
        bool isEstimate;
    };

    // Read by the threads that call the engine.
    std::atomic<bool> gated = true;
    // The answers; by default an estimate of 1000 bytes plus the page, and a conversion to
    // the file's bytes prefixed with "converted:", named after the source with ".out". An
    // estimate's answer is given as a conversion of that many bytes with its warnings.
    // The memory admission holds the files it reads in.
    std::shared_ptr<pictavo::PixelMemory> memory = pictavo::PixelMemory::shared();
    std::function<pictavo::Estimate(const Call&)> estimateAnswer = [](const Call& call) {
        return pictavo::Estimate{1000 + call.page, {}};
    };
    std::function<pictavo::ConversionResult(const Call&)> conversionAnswer = [](const Call& call) {
        pictavo::ConversionResult result{nullptr, {}, pictavo::OutputFormat::png(), {}, 0, {}};
        const std::string text = "converted:" + textOf(call.source);
        result.data = std::make_shared<const platform::Bytes>(text.begin(), text.end());
        result.suggestedFileName = call.source.stem().string() + ".out";
        return result;
    };

    ~GatedEngine() override {
        // Callbacks must not outlive the records they settle.
        std::vector<std::shared_ptr<Pending>> calls;
        {
            std::lock_guard guard(lock_);
            calls = calls_;
        }
        for (const auto& pending : calls) pending->onStop.reset();
    }

    void converted(const fs::path& source, const pictavo::OutputSpec& spec, std::int64_t page,
                   pictavo::EncodeEffort effort, std::stop_token stop, Completion done) const override {
        record(Call{source, spec, page, effort == pictavo::EncodeEffort::preview}, std::move(stop), std::move(done));
    }
    // As the application's engine resolves it.
    pictavo::OutputFormat::Resolution resolution(const pictavo::ImageProperties& properties,
                                                 const pictavo::OutputSpec& spec, std::int64_t page) const override {
        return resolver_.resolution(properties, spec, page);
    }
    const std::shared_ptr<pictavo::PixelMemory>& pixelMemory() const override { return memory; }

    std::size_t callCount() const { std::lock_guard guard(lock_); return calls_.size(); }
    Call call(std::size_t index) const { std::lock_guard guard(lock_); return calls_.at(index)->call; }
    // Calls made and not yet finished or cancelled.
    std::size_t waitingCount() const { std::lock_guard guard(lock_); return static_cast<std::size_t>(inFlight_); }
    int mostInFlight() const { std::lock_guard guard(lock_); return mostInFlight_; }
    void finish(std::size_t index) { settle(index, nullptr); }
    // In the order the calls were made.
    void finishAll() {
        for (std::size_t index = 0; index < callCount(); ++index) finish(index);
    }

private:
    const pictavo::ConversionEngine resolver_{pictavo::DecoderRegistry::standard(), pictavo::EncoderRegistry::standard(),
                                              pictavo::SourceOptimiserRegistry::standard()};

    struct Pending {
        Pending(Call made, Completion completion) : call(std::move(made)), done(std::move(completion)) {}
        Call call;
        Completion done;
        bool finished = false;
        std::unique_ptr<std::stop_callback<std::function<void()>>> onStop;
    };

    void record(Call call, std::stop_token stop, Completion done) const {
        auto pending = std::make_shared<Pending>(std::move(call), std::move(done));
        std::size_t index = 0;
        {
            std::lock_guard guard(lock_);
            index = calls_.size();
            calls_.push_back(pending);
            mostInFlight_ = std::max(mostInFlight_, ++inFlight_);
        }
        if (!gated) {
            settle(index, nullptr);
        } else {
            pending->onStop = std::make_unique<std::stop_callback<std::function<void()>>>(
                std::move(stop), [this, index] { settle(index, std::make_exception_ptr(platform::CancellationError())); });
        }
    }

    pictavo::ConversionResult answer(const Call& call) const {
        if (!call.isEstimate) return conversionAnswer(call);
        pictavo::Estimate estimate = estimateAnswer(call);
        pictavo::ConversionResult result{nullptr, {}, pictavo::OutputFormat::png(), {}, 0, std::move(estimate.warnings)};
        result.data = std::make_shared<const platform::Bytes>(static_cast<std::size_t>(estimate.bytes), 0);
        return result;
    }

    void settle(std::size_t index, std::exception_ptr error) const {
        std::shared_ptr<Pending> pending;
        {
            std::lock_guard guard(lock_);
            pending = calls_.at(index);
            if (pending->finished) return;
            pending->finished = true;
            --inFlight_;
        }
        // A failing answer fails through the completion, as the real engine's errors do.
        using Outcome = pictavo::JobOutcome<pictavo::ConversionResult>;
        Outcome outcome = Outcome::failed(error);
        if (!error) {
            try {
                outcome = Outcome::succeeded(answer(pending->call));
            } catch (...) {
                outcome = Outcome::failed(std::current_exception());
            }
        }
        pending->done(std::move(outcome));
    }

    mutable std::mutex lock_;
    mutable std::vector<std::shared_ptr<Pending>> calls_;
    mutable int inFlight_ = 0;
    mutable int mostInFlight_ = 0;
};

// The real file operations, with chosen calls made to fail as a real file system would
// (tests run as root, where permissions cannot bring the failures about).
class FailingFileOperations : public platform::FileOperations {
public:
    // Writes of new files, or moves, into this folder are refused with this error.
    std::optional<std::pair<fs::path, int>> refuseWritesIn, refuseMovesInto;
    std::optional<int> writeExclusiveError, copyError, permissionError;
    // Hard links refused with this error, as on a disk without them (EPERM on FAT).
    std::optional<int> linkError;
    // Runs before each move, as another program could between the free-name probe and the move.
    std::function<void(const fs::path& to)> beforeMove;
    // Runs before each swap of two names, as another program could.
    std::function<void(const fs::path& second)> beforeExchange;

    void writeNewFileNoReplace(const fs::path& folder, const std::string& name, const platform::Bytes& bytes) override {
        if (refuseWritesIn && refuseWritesIn->first == folder) {
            throw platform::FileError(folder / name, refuseWritesIn->second, platform::FileOperation::write);
        }
        FileOperations::writeNewFileNoReplace(folder, name, bytes);
    }
    void writeExclusive(const fs::path& path, const platform::Bytes& bytes, std::optional<mode_t> permissions) override {
        if (writeExclusiveError) throw platform::FileError(path, *writeExclusiveError, platform::FileOperation::write);
        if (refuseWritesIn && refuseWritesIn->first == path.parent_path()) {
            throw platform::FileError(path, refuseWritesIn->second, platform::FileOperation::write);
        }
        FileOperations::writeExclusive(path, bytes, permissions);
    }
    void moveNoReplace(const fs::path& from, const fs::path& to, const platform::ClaimNotice& noteClaim) override {
        if (refuseMovesInto && refuseMovesInto->first == to.parent_path()) {
            throw platform::FileError(to, refuseMovesInto->second, platform::FileOperation::move);
        }
        if (beforeMove) beforeMove(to);
        FileOperations::moveNoReplace(from, to, noteClaim);
    }
    void exchange(const fs::path& first, const fs::path& second) override {
        if (refuseMovesInto && refuseMovesInto->first == second.parent_path()) {
            throw platform::FileError(second, refuseMovesInto->second, platform::FileOperation::move);
        }
        if (beforeExchange) beforeExchange(second);
        FileOperations::exchange(first, second);
    }
    void linkNoReplace(const fs::path& from, const fs::path& to) override {
        if (linkError) throw platform::FileError(to, *linkError, platform::FileOperation::move);
        FileOperations::linkNoReplace(from, to);
    }
    void copyContent(const fs::path& from, const fs::path& to) override {
        if (copyError) throw platform::FileError(to, *copyError, platform::FileOperation::copy);
        FileOperations::copyContent(from, to);
    }
    mode_t permissionBits(const fs::path& path) override {
        if (permissionError) throw platform::FileError(path, *permissionError, platform::FileOperation::read);
        return FileOperations::permissionBits(path);
    }
};

// The user's real Trash, kept inside the test's folder, whose moves can be made to fail.
class FailingTrash : public pictavo::FreedesktopTrash {
public:
    explicit FailingTrash(platform::FileOperations& files) : FreedesktopTrash(files) {}
    std::optional<int> trashError, putBackError;
    // Runs once the item is in the Trash (moved or linked), before anything else looks at it.
    std::function<void(const pictavo::TrashedItem&)> afterTrashing;
    std::function<void(const fs::path& to)> beforePutBack;

    pictavo::TrashedItem moveToTrash(const fs::path& path, const platform::ClaimNotice& noteClaim) override {
        if (trashError) throw platform::FileError(path, *trashError, platform::FileOperation::trash);
        pictavo::TrashedItem item = FreedesktopTrash::moveToTrash(path, noteClaim);
        if (afterTrashing) afterTrashing(item);
        return item;
    }
    pictavo::TrashedItem linkIntoTrash(const fs::path& path) override {
        if (trashError) throw platform::FileError(path, *trashError, platform::FileOperation::trash);
        pictavo::TrashedItem item = FreedesktopTrash::linkIntoTrash(path);
        if (afterTrashing) afterTrashing(item);
        return item;
    }
    void putBack(const pictavo::TrashedItem& item, const fs::path& to, const platform::ClaimNotice& noteClaim) override {
        if (putBackError) throw platform::FileError(to, *putBackError, platform::FileOperation::move);
        if (beforePutBack) beforePutBack(to);
        FreedesktopTrash::putBack(item, to, noteClaim);
    }
};

// A temporary folder holding the originals, an output folder and the user's Trash and
// private temporary folder (XDG_DATA_HOME and XDG_RUNTIME_DIR point inside it, so the Trash
// is on the same disk), with the real writer over injectable file operations.
class ExportScene {
public:
    ExportScene() {
        fs::create_directories(originals());
        fs::create_directories(output());
    }
    fs::path originals() const { return root_.path() / "photos"; }
    fs::path output() const { return root_.path() / "out"; }
    fs::path trashFiles() const { return root_.path() / "data" / "Trash" / "files"; }
    fs::path trashInfo() const { return root_.path() / "data" / "Trash" / "info"; }
    fs::path runtime() const { return root_.path() / "runtime"; }
    // The names in the folder, sorted; none when it is missing.
    std::vector<fs::path> entries(const fs::path& folder) const {
        std::vector<fs::path> found;
        std::error_code error;
        for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
            found.push_back(entry->path().filename());
        }
        std::sort(found.begin(), found.end());
        return found;
    }
    // The contents of the files in the Trash.
    std::vector<std::string> trashed() const {
        std::vector<std::string> contents;
        for (const fs::path& name : entries(trashFiles())) contents.push_back(textOf(trashFiles() / name));
        return contents;
    }
    // A working file beside the originals, or a run's private temporary folder.
    bool temporaryFilesLeft() const {
        for (const fs::path& name : entries(originals())) {
            if (name.string().rfind(".export-", 0) == 0) return true;
        }
        return !entries(runtime() / QCoreApplication::applicationName().toStdString()).empty();
    }

    testing_support::TemporaryFolder root_;
    support::FolderVariable dataHome_{"XDG_DATA_HOME", root_.path() / "data"};
    support::FolderVariable runtime_{"XDG_RUNTIME_DIR", runtime()};
    FailingFileOperations files_;
    FailingTrash trash_{files_};
    pictavo::SystemExportWriter writer_{files_, trash_};
};

// An export scene with a store over a gated engine.
class BatchScene : public ExportScene {
public:
    explicit BatchScene(std::int64_t width = 2, std::chrono::milliseconds debounce = std::chrono::milliseconds(0))
        : store_(std::make_unique<pictavo::BatchStore>(engine_, writer_, pictavo::DecoderRegistry::standard(), debounce,
                                                       pictavo::readSourceStamp, width, files_)) {}

    // Admits the files and waits for the admission.
    pictavo::BatchStore::AddResult add(const std::vector<fs::path>& paths) {
        std::optional<pictavo::BatchStore::AddResult> result;
        store_->add(urlsOf(paths), [&result](pictavo::BatchStore::AddResult added) { result = added; });
        eventually([&] { return result.has_value(); });
        return result.value_or(pictavo::BatchStore::AddResult{-1, -1});
    }
    // Admits photos p0.png, p1.png, ... of the originals, each with other pixels.
    std::vector<fs::path> addPhotos(int count) {
        std::vector<fs::path> paths;
        for (int i = 0; i < count; ++i) paths.push_back(writePng(originals() / ("p" + std::to_string(i) + ".png"), i));
        add(paths);
        return paths;
    }
    const pictavo::BatchItem& card(std::size_t row) const { return store_->items().at(row); }
    // Waits for the estimate pass to have settled every card.
    bool estimatesSettle() {
        return eventually([&] {
            return std::none_of(store_->items().begin(), store_->items().end(), [](const pictavo::BatchItem& item) {
                return std::holds_alternative<pictavo::BatchItem::Pending>(item.state) ||
                       std::holds_alternative<pictavo::BatchItem::Estimating>(item.state);
            });
        });
    }
    // Lets the estimate pass settle every card, then gates the engine again, so that every
    // call it sees from then on is a conversion of a run.
    void settleEstimatesThenGate() {
        engine_.gated = false;
        // Estimates the store started before the gate opened wait for a finish of their own.
        engine_.finishAll();
        EXPECT_TRUE(estimatesSettle());
        engine_.gated = true;
    }
    void exportTo(const pictavo::ExportDestination& destination, pictavo::ReplaceFolderAccess* access = nullptr) {
        store_->exportBatch(engine_, pictavo::DestinationResolution::resolved(destination), nullptr, access);
    }
    // The run has ended and what it left to remove off the main thread has gone.
    bool exportEnds() {
        return eventually([&] { return !store_->isExporting(); }) && pictavo::replacingWorkPool().waitForDone(10000);
    }

    // Keeps every folder request the store makes in requests_; with `answerAtOnce`, answers
    // each with it as soon as it is made, inside the store's own notice of it.
    void followRequests(std::optional<std::optional<fs::path>> answerAtOnce = std::nullopt) {
        QObject::connect(store_.get(), &pictavo::BatchStore::folderRequestChanged, store_.get(), [this, answerAtOnce] {
            const std::optional<pictavo::FolderRequest> request = store_->folderRequest();
            if (!request) return;
            requests_.push_back(*request);
            if (answerAtOnce) store_->answerFolderRequest(request->id, *answerAtOnce);
        });
    }
    bool requestMade() { return eventually([&] { return store_->folderRequest().has_value(); }); }
    // Answers the request the run waits for.
    void answer(std::optional<fs::path> folder) {
        ASSERT_TRUE(store_->folderRequest());
        store_->answerFolderRequest(store_->folderRequest()->id, std::move(folder));
    }

    GatedEngine engine_;
    // Goes before the engine it calls.
    std::unique_ptr<pictavo::BatchStore> store_;
    std::vector<pictavo::FolderRequest> requests_;
};

} // namespace batch_testing
