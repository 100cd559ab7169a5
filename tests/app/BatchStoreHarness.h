#pragma once
#include "ImageEngine/Model/Estimating.h"
#include "app/batch/BatchStore.h"
#include "app/batch/Converting.h"
#include "app/export/FreedesktopTrash.h"
#include "app/export/SystemExportWriter.h"
#include "platform/files/FileOperations.h"
#include "support/Eventually.h"
#include "support/TemporaryFolder.h"

#include <QByteArray>

#include <exception>
#include <atomic>
#include <functional>
#include <future>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace batch_testing {

namespace fs = std::filesystem;

// An engine whose calls wait until the test lets them finish, so that the test chooses the
// order in which they do. A call whose stop token is asked to stop ends at once with
// platform::CancellationError, as the real engine's does at its next check. With `gated`
// false every call finishes as soon as it is made.
class GatedEngine : public pictavo::Estimating, public pictavo::Converting {
public:
    struct Call {
        fs::path source;
        pictavo::OutputSpec spec;
        std::int64_t page;
        bool isEstimate;
    };

    // Read by the threads that call the engine.
    std::atomic<bool> gated = true;
    // The answers; by default an estimate of 1000 bytes plus the page, and a conversion to
    // the file's bytes prefixed with "converted:", named after the source with ".out".
    std::function<pictavo::Estimate(const Call&)> estimateAnswer;
    std::function<pictavo::ConversionResult(const Call&)> conversionAnswer;

    GatedEngine();
    ~GatedEngine() override;

    std::future<pictavo::ConversionResult> converted(const fs::path& source, const pictavo::OutputSpec& spec,
                                                     std::int64_t page, pictavo::EncodeEffort effort,
                                                     std::stop_token stop) const override;

    std::size_t callCount() const { std::lock_guard guard(lock_); return calls_.size(); }
    Call call(std::size_t index) const;
    // Calls made and not yet finished or cancelled.
    std::size_t waitingCount() const { std::lock_guard guard(lock_); return static_cast<std::size_t>(inFlight_); }
    int mostInFlight() const { std::lock_guard guard(lock_); return mostInFlight_; }
    void finish(std::size_t index) { settle(index, nullptr); }
    // In the order the calls were made.
    void finishAll() {
        for (std::size_t index = 0; index < callCount(); ++index) finish(index);
    }

protected:
    std::future<pictavo::Estimate> startEstimate(const fs::path& source, const pictavo::OutputSpec& spec,
                                                 std::int64_t page, std::stop_token stop) const override;

private:
    struct Pending;
    std::shared_ptr<Pending> record(Call call, std::stop_token stop) const;
    void settle(std::size_t index, std::exception_ptr error) const;

    mutable std::mutex lock_;
    mutable std::vector<std::shared_ptr<Pending>> calls_;
    mutable int inFlight_ = 0;
    mutable int mostInFlight_ = 0;
};

using support::eventually;

QList<QUrl> urlsOf(const std::vector<fs::path>& paths);
// A small real PNG; `variant` changes its pixels and so its bytes.
platform::Bytes pngBytes(int variant = 0);
fs::path writePng(const fs::path& path, int variant = 0);
std::string textOf(const fs::path& path);
// Why the card failed; empty while it has not.
QString failureOf(const pictavo::BatchItem& item);

// Puts environment variables back as they were (set or not) when it goes.
class EnvironmentRestorer {
public:
    explicit EnvironmentRestorer(std::initializer_list<const char*> names);
    ~EnvironmentRestorer();

private:
    std::vector<std::pair<const char*, std::optional<QByteArray>>> saved_;
};

// The real file operations, with chosen calls made to fail as a real file system would
// (tests run as root, where permissions cannot bring the failures about).
class FailingFileOperations : public platform::FileOperations {
public:
    // Writes of new files, or moves, into this folder are refused with this error.
    std::optional<std::pair<fs::path, int>> refuseWritesIn, refuseMovesInto;
    std::optional<int> writeExclusiveError, copyError, permissionError;
    // Runs before each move, as another program could between the free-name probe and the move.
    std::function<void(const fs::path& to)> beforeMove;

    void writeNewFileNoReplace(const fs::path& folder, const std::string& name, const platform::Bytes& bytes) override;
    void writeExclusive(const fs::path& path, const platform::Bytes& bytes, std::optional<mode_t> permissions) override;
    void moveNoReplace(const fs::path& from, const fs::path& to) override;
    void copyContent(const fs::path& from, const fs::path& to) override;
    mode_t permissionBits(const fs::path& path) override;
};

// The user's real Trash, kept inside the test's folder, whose moves can be made to fail.
class FailingTrash : public pictavo::FreedesktopTrash {
public:
    explicit FailingTrash(platform::FileOperations& files) : FreedesktopTrash(files) {}
    std::optional<int> trashError, putBackError;
    // Runs once the item is in the Trash, before anything else looks at it.
    std::function<void(const pictavo::TrashedItem&)> afterTrashing;
    std::function<void(const fs::path& to)> beforePutBack;

    pictavo::TrashedItem moveToTrash(const fs::path& path) override;
    void putBack(const pictavo::TrashedItem& item, const fs::path& to) override;
};

// A temporary folder holding the originals, an output folder and the user's Trash and
// private temporary folder (XDG_DATA_HOME and XDG_RUNTIME_DIR point inside it, so the Trash
// is on the same disk), with the real writer over injectable file operations.
class ExportScene {
public:
    ExportScene();

    fs::path originals() const { return root_.path() / "photos"; }
    fs::path output() const { return root_.path() / "out"; }
    fs::path trashFiles() const { return root_.path() / "data" / "Trash" / "files"; }
    fs::path trashInfo() const { return root_.path() / "data" / "Trash" / "info"; }
    fs::path runtime() const { return root_.path() / "runtime"; }
    // The names in the folder, sorted; none when it is missing.
    std::vector<fs::path> entries(const fs::path& folder) const;
    // The contents of the files in the Trash.
    std::vector<std::string> trashed() const;
    // A working file beside the originals, or a run's private temporary folder.
    bool temporaryFilesLeft() const;

    EnvironmentRestorer environment_{"XDG_DATA_HOME", "XDG_RUNTIME_DIR"};
    testing_support::TemporaryFolder root_;
    FailingFileOperations files_;
    FailingTrash trash_{files_};
    pictavo::SystemExportWriter writer_{files_, trash_};
};

// An export scene with a store over a gated engine.
class BatchScene : public ExportScene {
public:
    explicit BatchScene(std::int64_t width = 2, std::chrono::milliseconds debounce = std::chrono::milliseconds(0));

    // Admits the files and waits for the admission.
    pictavo::BatchStore::AddResult add(const std::vector<fs::path>& paths);
    // Admits photos p0.png, p1.png, ... of the originals, each with other pixels.
    std::vector<fs::path> addPhotos(int count);
    const pictavo::BatchItem& card(std::size_t row) const { return store_->items().at(row); }
    // Waits for the estimate pass to have settled every card.
    bool estimatesSettle();
    // Lets the estimate pass settle every card, then gates the engine again, so that every
    // call it sees from then on is a conversion of a run.
    void settleEstimatesThenGate();
    void exportTo(const pictavo::ExportDestination& destination, pictavo::ReplaceFolderAccess* access = nullptr);
    bool exportEnds();

    // Keeps every folder request the store makes in requests_; with `answerAtOnce`, answers
    // each with it as soon as it is made, inside the store's own notice of it.
    void followRequests(std::optional<std::optional<fs::path>> answerAtOnce = std::nullopt);
    // Waits for the run to ask for a folder.
    bool requestMade();
    // Answers the request the run waits for.
    void answer(std::optional<fs::path> folder);

    GatedEngine engine_;
    // Goes before the engine it calls.
    std::unique_ptr<pictavo::BatchStore> store_;
    std::vector<pictavo::FolderRequest> requests_;
};

} // namespace batch_testing
