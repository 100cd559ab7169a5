#include "app/batch/ExportRun.h"

#include "app/desktop/BackgroundWork.h"
#include "app/export/PrivateTemporaryFolder.h"
#include "platform/files/PrivateFolder.h"

#include <QPointer>

namespace pictavo {

namespace fs = std::filesystem;

namespace {

// A copy of a big original takes a while to remove: it goes after the replacements asked
// before it, off the main thread, through the system's operations, which outlive the run.
void removeInBackground(fs::path folder, std::shared_ptr<platform::FileDescriptor> lock = nullptr) {
    runInBackground(replacingWorkPool(), [folder = std::move(folder), lock = std::move(lock)] {
        platform::FileOperations::system().removeTree(folder);
    });
}

// The snapshot's folder holds nothing else.
void removeSnapshotFolder(const fs::path& snapshot) { removeInBackground(snapshot.parent_path()); }

// An original is replaced only by a file that keeps all of it: one page, one frame, one
// rendition, whatever the output format.
std::optional<ReplaceRefusal> refusalOfCounts(const ExportRun::Prepared& prepared, std::int64_t page) {
    if (!prepared.pages || !prepared.frames || !prepared.renditions) return ReplaceRefusal::sourceUnreadable();
    if (*prepared.pages >= 2) return ReplaceRefusal::wouldLosePages(std::min(*prepared.pages, page), *prepared.pages);
    if (*prepared.frames > 1) return ReplaceRefusal::wouldLoseImages(*prepared.frames);
    if (*prepared.renditions > 1) return ReplaceRefusal::wouldLoseImages(*prepared.renditions);
    return std::nullopt;
}

} // namespace

// Everything a replacing run sets up before its first snapshot happens here.
void ExportRun::beginReplacing() {
    try {
        runFolder_ = makeOwnedTemporaryFolder(QStringLiteral("replace-"));
    } catch (const std::exception&) {
        // No working copy can be made: every job is refused.
    }
}

void ExportRun::makeSnapshot(const ExportJob& job) {
    preparing_ = job;
    runInBackground(fileWorkPool(), [context = QPointer<QObject>(context_), run = weak_from_this(),
                                     files = &setup_.files, url = job.url, runFolder = runFolder_.path,
                                     decoders = setup_.decoders] {
        auto prepared = std::make_shared<Prepared>(prepareForReplace(*files, url, runFolder, decoders));
        postTo(context, [run, prepared] {
            if (const auto live = run.lock()) live->snapshotMade(*prepared);
        });
    });
}

void ExportRun::snapshotMade(const Prepared& prepared) {
    const ExportJob job = std::move(*preparing_);
    preparing_.reset();
    if (window_.cancelled()) {
        if (!prepared.refusal) removeSnapshotFolder(prepared.snapshot);
        filled(Start::noJobLeft);
    } else {
        filled(takePrepared(job, prepared) ? Start::childAdded : startNextExport());
    }
    advance();
}

// Starts the job's conversion from its snapshot; false when the job ended here instead,
// refused or with its card gone from the batch.
bool ExportRun::takePrepared(const ExportJob& job, const Prepared& prepared) {
    const std::optional<int> index = owner_.indexOf(job.id);
    if (!index) {
        if (!prepared.refusal) removeSnapshotFolder(prepared.snapshot);
        return false;
    }
    std::optional<ReplaceRefusal> refusal = prepared.refusal;
    if (!refusal) {
        replaceVersions_.insert(job.id, *prepared.version);
        refusal = refusalOfCounts(prepared, job.item.page);
        if (refusal) removeSnapshotFolder(prepared.snapshot);
    }
    if (refusal) {
        applyRefusal(*index, *refusal, job);
        ++failed_;
        return false;
    }
    replaceSnapshots_.insert(job.id, prepared.snapshot);
    markExporting(*index);
    startExportChild(job, prepared.snapshot);
    return true;
}

void ExportRun::applyRefusal(int index, const ReplaceRefusal& refusal, const ExportJob& job) {
    markExporting(index);
    const QString reason = FailureDetails::description(refusal);
    const QString details =
        FailureDetails::report(refusal, job.url, setup_.spec, job.source, FailureDetails::Environment::current());
    owner_.withItem(index, [&](BatchItem& item) {
        item.state = BatchItem::Failed{reason};
        item.detailsOfTheFailure = details;
    });
}

void ExportRun::forgetSnapshot(const QUuid& id) {
    const auto snapshot = replaceSnapshots_.constFind(id);
    if (snapshot == replaceSnapshots_.cend()) return;
    const fs::path path = *snapshot;
    replaceSnapshots_.erase(snapshot);
    removeSnapshotFolder(path);
}

void ExportRun::endReplaceRun() {
    // Letting go of the folders' access ends it.
    replaceFolderScopes_.clear();
    replaceSnapshots_.clear();
    // Held until it has gone.
    if (!runFolder_.empty()) {
        removeInBackground(std::exchange(runFolder_.path, {}),
                           std::make_shared<platform::FileDescriptor>(std::move(runFolder_.lock)));
    }
}

ExportRun::Prepared ExportRun::prepareForReplace(platform::FileOperations& files, const fs::path& source,
                                                 const fs::path& runFolder, const DecoderRegistry& decoders) {
    Prepared prepared;
    const fs::path folder = runFolder / QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
    prepared.snapshot = folder / source.filename();
    try {
        platform::createPrivateFolder(folder);
        // A content copy, private to this user; only a regular file is read.
        files.copyContent(source, prepared.snapshot);
    } catch (const std::exception&) {
        files.removeTree(folder);
        prepared.refusal = ReplaceRefusal::workingCopyFailed();
        return prepared;
    }
    prepared.version = SourceVersion::read(prepared.snapshot);
    if (!prepared.version) {
        files.removeTree(folder);
        prepared.refusal = ReplaceRefusal::sourceUnreadable();
        return prepared;
    }
    try {
        const ImageProperties properties = decoders.decoder(prepared.snapshot)->properties(prepared.snapshot);
        prepared.pages = properties.pageCount;
        prepared.frames = properties.frameCount;
        prepared.renditions = properties.renditionCount;
    } catch (...) {
        // Counts that cannot be read refuse the replacement.
    }
    return prepared;
}

} // namespace pictavo
