#include "BatchStoreHarness.h"

#include "ImageEngine/Decoding/DecoderRegistry.h"
#include "platform/base/Cancellation.h"
#include "support/EncodedSamples.h"

#include <QCoreApplication>
#include <QFile>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <sstream>

namespace batch_testing {

using namespace pictavo;

struct GatedEngine::Pending {
    explicit Pending(Call made) : call(std::move(made)) {}
    Call call;
    std::optional<std::promise<Estimate>> estimate;
    std::optional<std::promise<ConversionResult>> conversion;
    bool done = false;
    std::unique_ptr<std::stop_callback<std::function<void()>>> onStop;
};

GatedEngine::GatedEngine() {
    estimateAnswer = [](const Call& call) { return Estimate{1000 + call.page, {}}; };
    conversionAnswer = [](const Call& call) {
        ConversionResult result{nullptr, {}, OutputFormat::png(), {}, 0, {}};
        const std::string text = "converted:" + textOf(call.source);
        result.data = std::make_shared<const platform::Bytes>(text.begin(), text.end());
        result.suggestedFileName = call.source.stem().string() + ".out";
        return result;
    };
}

GatedEngine::~GatedEngine() {
    // Callbacks must not outlive the records they settle.
    std::vector<std::shared_ptr<Pending>> calls;
    {
        std::lock_guard guard(lock_);
        calls = calls_;
    }
    for (const auto& pending : calls) pending->onStop.reset();
}

std::shared_ptr<GatedEngine::Pending> GatedEngine::record(Call call, std::stop_token stop) const {
    auto pending = std::make_shared<Pending>(std::move(call));
    if (pending->call.isEstimate) {
        pending->estimate.emplace();
    } else {
        pending->conversion.emplace();
    }
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
    return pending;
}

void GatedEngine::settle(std::size_t index, std::exception_ptr error) const {
    std::shared_ptr<Pending> pending;
    {
        std::lock_guard guard(lock_);
        pending = calls_.at(index);
        if (pending->done) return;
        pending->done = true;
        --inFlight_;
    }
    // A failing answer fails through the future, as the real engine's errors do.
    try {
        if (error) std::rethrow_exception(error);
        if (pending->estimate) {
            pending->estimate->set_value(estimateAnswer(pending->call));
        } else {
            pending->conversion->set_value(conversionAnswer(pending->call));
        }
    } catch (...) {
        if (pending->estimate) {
            pending->estimate->set_exception(std::current_exception());
        } else {
            pending->conversion->set_exception(std::current_exception());
        }
    }
}

std::future<Estimate> GatedEngine::startEstimate(const fs::path& source, const OutputSpec& spec, std::int64_t page,
                                                 std::stop_token stop) const {
    auto pending = record(Call{source, spec, page, true}, std::move(stop));
    return pending->estimate->get_future();
}

std::future<ConversionResult> GatedEngine::converted(const fs::path& source, const OutputSpec& spec, std::int64_t page,
                                                     EncodeEffort, std::stop_token stop) const {
    auto pending = record(Call{source, spec, page, false}, std::move(stop));
    return pending->conversion->get_future();
}

GatedEngine::Call GatedEngine::call(std::size_t index) const {
    std::lock_guard guard(lock_);
    return calls_.at(index)->call;
}

QString failureOf(const pictavo::BatchItem& item) {
    const auto* failed = std::get_if<pictavo::BatchItem::Failed>(&item.state);
    return failed ? failed->reason : QString();
}

QList<QUrl> urlsOf(const std::vector<fs::path>& paths) {
    QList<QUrl> urls;
    for (const fs::path& path : paths) urls.push_back(QUrl::fromLocalFile(QFile::decodeName(path.c_str())));
    return urls;
}

platform::Bytes pngBytes(int variant) {
    testing_support::SampleImage sample;
    sample.width = 9 + variant;
    return *testing_support::encodeSample(sample, ".png");
}

fs::path writePng(const fs::path& path, int variant) {
    fs::create_directories(path.parent_path());
    const platform::Bytes bytes = pngBytes(variant);
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string textOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

EnvironmentRestorer::EnvironmentRestorer(std::initializer_list<const char*> names) {
    for (const char* name : names) {
        saved_.emplace_back(name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
    }
}

EnvironmentRestorer::~EnvironmentRestorer() {
    for (const auto& [name, value] : saved_) {
        if (value) {
            qputenv(name, *value);
        } else {
            qunsetenv(name);
        }
    }
}

void FailingFileOperations::writeNewFileNoReplace(const fs::path& folder, const std::string& name,
                                                  const platform::Bytes& bytes) {
    if (refuseWritesIn && refuseWritesIn->first == folder) {
        throw platform::FileError(folder / name, refuseWritesIn->second, platform::FileOperation::write);
    }
    FileOperations::writeNewFileNoReplace(folder, name, bytes);
}

void FailingFileOperations::writeExclusive(const fs::path& path, const platform::Bytes& bytes,
                                           std::optional<mode_t> permissions) {
    if (writeExclusiveError) throw platform::FileError(path, *writeExclusiveError, platform::FileOperation::write);
    if (refuseWritesIn && refuseWritesIn->first == path.parent_path()) {
        throw platform::FileError(path, refuseWritesIn->second, platform::FileOperation::write);
    }
    FileOperations::writeExclusive(path, bytes, permissions);
}

void FailingFileOperations::moveNoReplace(const fs::path& from, const fs::path& to) {
    if (refuseMovesInto && refuseMovesInto->first == to.parent_path()) {
        throw platform::FileError(to, refuseMovesInto->second, platform::FileOperation::move);
    }
    if (beforeMove) beforeMove(to);
    FileOperations::moveNoReplace(from, to);
}

void FailingFileOperations::copyContent(const fs::path& from, const fs::path& to) {
    if (copyError) throw platform::FileError(to, *copyError, platform::FileOperation::copy);
    FileOperations::copyContent(from, to);
}

mode_t FailingFileOperations::permissionBits(const fs::path& path) {
    if (permissionError) throw platform::FileError(path, *permissionError, platform::FileOperation::read);
    return FileOperations::permissionBits(path);
}

TrashedItem FailingTrash::moveToTrash(const fs::path& path) {
    if (trashError) throw platform::FileError(path, *trashError, platform::FileOperation::trash);
    TrashedItem item = FreedesktopTrash::moveToTrash(path);
    if (afterTrashing) afterTrashing(item);
    return item;
}

void FailingTrash::putBack(const TrashedItem& item, const fs::path& to) {
    if (putBackError) throw platform::FileError(to, *putBackError, platform::FileOperation::move);
    if (beforePutBack) beforePutBack(to);
    FreedesktopTrash::putBack(item, to);
}

ExportScene::ExportScene() {
    for (const fs::path& folder : {originals(), output(), root_.path() / "data", runtime()}) {
        fs::create_directories(folder);
    }
    fs::permissions(runtime(), fs::perms::owner_all);
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString((root_.path() / "data").string()));
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime().string()));
}

std::vector<fs::path> ExportScene::entries(const fs::path& folder) const {
    std::vector<fs::path> found;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        found.push_back(entry->path().filename());
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::vector<std::string> ExportScene::trashed() const {
    std::vector<std::string> contents;
    for (const fs::path& name : entries(trashFiles())) contents.push_back(textOf(trashFiles() / name));
    return contents;
}

bool ExportScene::temporaryFilesLeft() const {
    for (const fs::path& name : entries(originals())) {
        if (name.string().rfind(".export-", 0) == 0) return true;
    }
    return !entries(runtime() / QCoreApplication::applicationName().toStdString()).empty();
}

BatchScene::BatchScene(std::int64_t width, std::chrono::milliseconds debounce)
    : store_(std::make_unique<BatchStore>(engine_, writer_, DecoderRegistry::standard(), debounce, readSourceStamp,
                                          width, files_)) {}

BatchStore::AddResult BatchScene::add(const std::vector<fs::path>& paths) {
    std::optional<BatchStore::AddResult> result;
    store_->add(urlsOf(paths), [&result](BatchStore::AddResult added) { result = added; });
    eventually([&] { return result.has_value(); });
    return result.value_or(BatchStore::AddResult{-1, -1});
}

bool BatchScene::estimatesSettle() {
    return eventually([&] {
        return std::none_of(store_->items().begin(), store_->items().end(), [](const BatchItem& item) {
            return std::holds_alternative<BatchItem::Pending>(item.state) ||
                   std::holds_alternative<BatchItem::Estimating>(item.state);
        });
    });
}

std::vector<fs::path> BatchScene::addPhotos(int count) {
    std::vector<fs::path> paths;
    for (int i = 0; i < count; ++i) paths.push_back(writePng(originals() / ("p" + std::to_string(i) + ".png"), i));
    add(paths);
    return paths;
}

void BatchScene::settleEstimatesThenGate() {
    engine_.gated = false;
    // Estimates the store started before the gate opened wait for a finish of their own.
    engine_.finishAll();
    EXPECT_TRUE(estimatesSettle());
    engine_.gated = true;
}

void BatchScene::exportTo(const ExportDestination& destination, ReplaceFolderAccess* access) {
    store_->exportBatch(engine_, DestinationResolution::resolved(destination), nullptr, access);
}

void BatchScene::followRequests(std::optional<std::optional<fs::path>> answerAtOnce) {
    QObject::connect(store_.get(), &BatchStore::folderRequestChanged, store_.get(), [this, answerAtOnce] {
        const std::optional<FolderRequest> request = store_->folderRequest();
        if (!request) return;
        requests_.push_back(*request);
        if (answerAtOnce) store_->answerFolderRequest(request->id, *answerAtOnce);
    });
}

bool BatchScene::requestMade() {
    return eventually([&] { return store_->folderRequest().has_value(); });
}

void BatchScene::answer(std::optional<fs::path> folder) {
    ASSERT_TRUE(store_->folderRequest());
    store_->answerFolderRequest(store_->folderRequest()->id, std::move(folder));
}

bool BatchScene::exportEnds() {
    return eventually([&] { return !store_->isExporting(); });
}

} // namespace batch_testing
