#pragma once
#include "ImageEngine/Decoding/DecoderRegistry.h"
#include "ImageEngine/Model/ConversionResult.h"
#include "ImageEngine/Model/OutputSpec.h"
#include "app/batch/BatchItem.h"
#include "app/batch/ConversionWindow.h"
#include "app/batch/Converting.h"
#include "app/batch/ExportSummary.h"
#include "app/batch/Settlement.h"
#include "app/desktop/FolderRequest.h"
#include "app/export/ExportDestination.h"
#include "app/export/ExportWriting.h"
#include "app/export/PrivateTemporaryFolder.h"
#include "app/export/ReplaceFolderAccess.h"
#include "app/export/ReplaceRefusal.h"
#include "app/export/SecurityScope.h"
#include "app/export/SourceVersion.h"
#include "platform/files/FileOperations.h"

#include <QHash>
#include <QUuid>

#include <cstdint>
#include <deque>
#include <exception>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

class QObject;

namespace pictavo {

// One export of the batch. Every job is converted at final effort, at most `width` at a
// time, and each result is written as soon as it arrives, one at a time, in the order the
// conversions finish; after each finished conversion the next one starts before its result
// is written, so a slow write never leaves a slot idle.
//
// Thread rule: made, driven and ended on the main thread only. Conversions run through a
// ConversionWindow on the engine's executor, snapshots of originals on the file-work pool,
// and each replacement of an original (the writer's two reads of the whole original and its
// Trash move) with the removal of its snapshot on the replacing pool, while the run rests;
// each comes back through the event loop as one call here, and nothing here ever waits but
// abandon, for a replacement under way. A write that needs
// a folder from the user records a FolderRequest and the run rests until
// answerFolderRequest brings the answer; conversions that finish meanwhile queue.
//
// The store that owns the run keeps the only lasting reference; work under way holds weak
// ones, so a run whose store has gone hears nothing more.
class ExportRun : public std::enable_shared_from_this<ExportRun> {
public:
    // What a run needs of the store that owns it.
    class Owner {
    public:
        // The card's row now; none once it has left the batch.
        virtual std::optional<int> indexOf(const QUuid& id) = 0;
        virtual const std::vector<BatchItem>& items() const = 0;
        // Changes a card under the rule that an exported or failed card keeps its result.
        virtual void withItem(int index, const std::function<void(BatchItem&)>& change) = 0;
        // folderRequest() has a new value.
        virtual void exportFolderRequestChanged() = 0;
        // The run has ended and released its folders and files: cards still exporting go
        // back to their estimate under `spec`. `summary` is none after a stopped run.
        virtual void exportRunEnded(const OutputSpec& spec, std::optional<ExportSummary> summary) = 0;

    protected:
        ~Owner() = default;
    };

    // One card to export, as it was when the run started.
    struct ExportJob {
        QUuid id;
        std::filesystem::path url;
        std::int64_t page = 1;
        std::optional<FailureDetails::Source> source;
        BatchItem item;
    };

    // What one conversion came to.
    struct ExportOutcome : Settlement {
        QUuid id;
        // The original, also when the conversion read a snapshot.
        std::filesystem::path url;
        std::optional<ConversionResult> result;
        // The output's bytes, held in the conversions' memory until the outcome is written or dropped.
        PixelMemory::HoldRef held;
    };

    // A card made ready for replacing its original: the snapshot its conversion reads, the
    // snapshot's version, and its counts (none when no decoder could read them).
    struct Prepared {
        std::filesystem::path snapshot;
        std::optional<SourceVersion> version;
        std::optional<std::int64_t> pages, frames, renditions;
        // Set instead when the snapshot could not be made or read.
        std::optional<ReplaceRefusal> refusal;
    };

    // What a run is given. `replaceFolderAccess` is none when writing needs no granted folders.
    struct Setup {
        const Converting& engine;
        ExportWriting& writer;
        platform::FileOperations& files;
        DecoderRegistry decoders;
        std::int64_t width = 1;
        ExportDestination destination;
        OutputSpec spec;
        // The chosen folder's access, held for the run.
        SharedSecurityScope destinationScope;
        ReplaceFolderAccess* replaceFolderAccess = nullptr;
    };

    // `context` is the owner as a QObject: work under way comes back only while it lives.
    ExportRun(Owner& owner, QObject* context, Setup setup, std::vector<ExportJob> jobs);

    // Fills the window. The owner may hear of the run's end before this returns.
    void start();

    // The folder the run waits for, while it waits for one.
    std::optional<FolderRequest> folderRequest() const;
    // The user's answer to the request with this id: the chosen folder, or none when the
    // panel was cancelled. Ignored unless that request is the one the run waits for.
    void answerFolderRequest(const QUuid& id, std::optional<std::filesystem::path> folder);

    // The owner is going: conversions are cancelled, the temporary files removed and the
    // owner hears nothing more. A replacement under way is finished first: it uses the
    // owner's writer, and an original is never left half replaced.
    void abandon();

    // Off the main thread: a private copy of the original in a folder of its own in the run
    // folder, with the copy's version and counts.
    static Prepared prepareForReplace(platform::FileOperations& files, const std::filesystem::path& source,
                                      const std::filesystem::path& runFolder, const DecoderRegistry& decoders);

private:
    // Why a write waits: a folder for the results its originals' folder refused, or
    // permission to replace the originals in `folder`.
    struct FolderNeed {
        PanelPurpose purpose;
        // The folder of the original.
        std::filesystem::path folder;
    };

    // Where the run is; in Filling and Refilling the fill step may also be waiting for a
    // snapshot (`preparing_`), which holds the run there until it is back.

    // The first `width` jobs are being started.
    struct Filling {
        std::int64_t calls = 0;
    };
    // Conversions run; the next finished one is taken from `arrived_`, and once none is
    // left in flight the run ends.
    struct Running {};
    // A conversion finished: the next one starts, then this result is written.
    struct Refilling {
        ExportOutcome outcome;
        bool refilled = false;
    };
    // The result's write waits for the user's folder; nothing else is written meanwhile.
    struct WaitingForFolder {
        ExportOutcome outcome;
        FolderNeed need;
        FolderRequest request;
        // Set by answerFolderRequest; the inner none is a cancelled panel.
        std::optional<std::optional<std::filesystem::path>> answer;
    };
    // An original is being replaced off the main thread; nothing else is written meanwhile.
    struct Replacing {};
    // The user declined the fallback folder: what is still converting is cancelled and
    // discarded, and the run ends once it has all come back.
    struct Stopping {};
    struct Finished {};
    using State = std::variant<Filling, Running, Refilling, WaitingForFolder, Replacing, Stopping, Finished>;

    // What one call of the fill step did.
    enum class Start { childAdded, noJobLeft, waitingForSnapshot };
    // The write goes on off the main thread and settles when it comes back.
    struct WritingInBackground {};
    // What one try at writing a converted result came to.
    using Attempt = std::variant<std::filesystem::path, FolderNeed, WritingInBackground>;
    // What a replacement off the main thread came to: the new file, or the writer's error.
    using Replaced = std::variant<std::filesystem::path, std::exception_ptr>;

    // Moves the run on until it has to wait for something to come back.
    void advance();
    bool step();
    void filled(Start start);
    void finish();

    // The fill step.
    Start startNextExport();
    void makeSnapshot(const ExportJob& job);
    void snapshotMade(const Prepared& prepared);
    bool takePrepared(const ExportJob& job, const Prepared& prepared);
    void applyRefusal(int index, const ReplaceRefusal& refusal, const ExportJob& job);
    void markExporting(int index);
    void startExportChild(const ExportJob& job, const std::filesystem::path& source);
    void conversionFinished(ExportOutcome outcome);

    // Writing results.
    void writeOutcome(const ExportOutcome& outcome);
    void settleWrite(const ExportOutcome& outcome, const std::function<Attempt()>& attempt);
    Attempt writeConverted(const ExportOutcome& outcome);
    Attempt replaceOriginal(const ExportOutcome& outcome, bool lastTry);
    void replacementCameBack(const ExportOutcome& outcome, const Replaced& replaced, bool lastTry);
    Attempt afterReplacing(const ExportOutcome& outcome, const Replaced& replaced, bool lastTry);
    Attempt replaceAgain(const ExportOutcome& outcome, const std::filesystem::path& folder);
    Attempt writeWithAnswer(const ExportOutcome& outcome, const FolderNeed& need,
                            const std::optional<std::filesystem::path>& answer);
    void askForFolder(const ExportOutcome& outcome, const FolderNeed& need);
    void applyExportSuccess(const ExportOutcome& outcome, const std::filesystem::path& written);
    void applyExportFailure(const ExportOutcome& outcome, const std::exception& error);
    ExportWriting::VersionCheck verifySourceVersion(const QUuid& id) const;
    void stop();

    // Snapshots and folders of a replacing run.
    bool replacing() const { return setup_.destination.kind() == ExportDestination::Kind::replaceOriginal; }
    void beginReplacing();
    void forgetSnapshot(const QUuid& id);
    void endReplaceRun();

    Owner& owner_;
    QObject* context_;
    Setup setup_;
    std::vector<ExportJob> jobs_;
    std::size_t next_ = 0;
    std::int64_t saved_ = 0;
    std::int64_t savedIntoFallback_ = 0;
    std::int64_t failed_ = 0;
    State state_ = Filling{};
    bool advancing_ = false;
    // Cancelled when the run stops or is abandoned; snapshots under way look at it too.
    ConversionWindow window_;
    // Finished conversions not yet written, in the order they finished.
    std::deque<ExportOutcome> arrived_;
    // The job whose snapshot is being made off the main thread; the fill step goes on
    // when it is back.
    std::optional<ExportJob> preparing_;

    // The private folder of a replacing run's snapshots, held while the run lasts; an empty
    // path when it could not be made.
    OwnedTemporaryFolder runFolder_;
    // Done once the replacement under way has come back from the writer.
    std::shared_future<void> replacementDone_;
    // The folder chosen for results that could not be written beside their originals.
    std::optional<std::filesystem::path> besideOriginalFallback_;
    // Per folder of originals (by file key): whether access to it was granted in this run.
    std::unordered_map<std::string, bool> replaceFolderAnswers_;
    std::vector<SharedSecurityScope> replaceFolderScopes_;
    QHash<QUuid, SourceVersion> replaceVersions_;
    QHash<QUuid, std::filesystem::path> replaceSnapshots_;
};

} // namespace pictavo
