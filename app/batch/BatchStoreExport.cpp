#include "app/desktop/MainThread.h"
#include "app/desktop/BackgroundWork.h"
#include "app/batch/BatchStoreWork.h"
#include "app/export/PrivateTemporaryFolder.h"
#include "platform/files/FileOperations.h"
#include "platform/files/PrivateFolder.h"

namespace pictavo {

namespace fs = std::filesystem;

namespace {

// The files a run converts (the job type is the store's own, so it is not named here).
template <typename Jobs>
std::vector<fs::path> sourcesOf(const Jobs& jobs) {
    std::vector<fs::path> sources;
    for (const auto& job : jobs) sources.push_back(job.url);
    return sources;
}

// The snapshot's folder holds nothing else.
void removeSnapshotFolder(platform::FileOperations& files, const fs::path& snapshot) {
    files.removeTree(snapshot.parent_path());
}

} // namespace

void BatchStore::exportBatch(const Converting& engine, const DestinationResolution& resolution,
                             SharedSecurityScope scope, ReplaceFolderAccess accessReplaceFolder,
                             FallbackAsker fallbackAsker) {
    assertMainThread();
    if (isExporting_) return;
    setExporting(true);
    destinationScope_ = std::move(scope);
    setTotalEstimatedBytesAtRunStart(estimatedBytes());
    const std::optional<ExportDestination> destination = resolution.destination();
    if (!destination) {
        destinationScope_.reset();
        settleAfterRun();
        return;
    }
    stopEstimating();
    besideOriginalFallback_.reset();
    replaceFolderAnswers_.clear();
    replaceVersions_.clear();
    replaceSnapshots_.clear();
    setExportSummary(std::nullopt);

    auto run = std::make_shared<ExportRun>(engine, *destination, spec_);
    run->accessReplaceFolder = std::move(accessReplaceFolder);
    run->fallbackAsker = std::move(fallbackAsker);
    for (const BatchItem& item : items_) {
        if (item.isExported() || item.sourceIsGone) continue;
        run->jobs.push_back(ExportJob{item.id, item.url, item.page, reportedSource(item), item});
    }
    const std::optional<fs::path> summaryFolder =
        destination->kind() == ExportDestination::Kind::folder ? std::optional(destination->folderPath()) : std::nullopt;
    if (run->jobs.empty()) {
        setExportSummary(ExportSummary{0, 0, summaryFolder});
        endReplaceRun(run->runFolder);
        destinationScope_.reset();
        settleAfterRun();
        return;
    }
    if (workingFiles_) workingFiles_->runStarts(*destination, sourcesOf(run->jobs));
    run_ = run;
    run->startsOwed = width_;
    continueRun(run);
}

void BatchStore::continueRun(const std::shared_ptr<ExportRun>& run) {
    // A folder panel runs a nested event loop: an outcome that arrives meanwhile waits in
    // the queue for the handling of the one before it to end.
    if (run->busy || run->finished) return;
    run->busy = true;
    for (;;) {
        if (run->preparing) break;
        if (run->prepared || (run->startsOwed > 0 && !run->stopped)) {
            const Start start = run->prepared ? takePrepared(run) : startNextExport(run);
            if (start == Start::waitingForSnapshot) break;
            run->startsOwed = start == Start::noJobLeft ? 0 : run->startsOwed - 1;
            continue;
        }
        if (run->beingHandled) {
            const ExportOutcome outcome = std::move(*run->beingHandled);
            run->beingHandled.reset();
            writeOutcome(run, outcome);
            if (run->stopped) {
                run->stop.request_stop();
                run->arrived.clear();
                run->startsOwed = 0;
            }
            continue;
        }
        if (!run->arrived.empty() && !run->stopped) {
            run->beingHandled = std::move(run->arrived.front());
            run->arrived.pop_front();
            // The next conversion starts before this outcome is written.
            ++run->startsOwed;
            continue;
        }
        break;
    }
    run->busy = false;
    const bool drained = !run->preparing && !run->prepared && run->inFlight == 0 && run->arrived.empty() &&
                         (run->startsOwed == 0 || run->stopped);
    if (drained) finishExport(run);
}

BatchStore::Start BatchStore::startNextExport(const std::shared_ptr<ExportRun>& run) {
    for (;;) {
        if (run->next >= run->jobs.size()) return Start::noJobLeft;
        const ExportJob job = run->jobs[run->next++];
        if (run->destination.kind() != ExportDestination::Kind::replaceOriginal) {
            // A card that has left the batch still converts; its outcome is dropped.
            if (const std::optional<int> index = indexOf(job.id)) markState(*index, BatchItem::Exporting{});
            startExportChild(run, job, job.url);
            return Start::childAdded;
        }
        if (run->runFolder.empty()) {
            try {
                run->runFolder = makePrivateTemporaryFolder(QStringLiteral("replace-"));
            } catch (const std::exception&) {
                run->prepared = std::make_shared<Prepared>();
                run->prepared->refusal = ReplaceRefusal::workingCopyFailed();
                run->preparingJob = job;
                return takePrepared(run);
            }
        }
        run->preparing = true;
        run->preparingJob = job;
        runInBackground(fileWorkPool(), [this, context = QPointer<QObject>(this), run, files = &files_, url = job.url,
                                         runFolder = run->runFolder, decoders = decoders_] {
            auto prepared = prepareForReplace(*files, url, runFolder, decoders);
            postTo(context, [this, run, prepared] {
                run->preparing = false;
                run->prepared = prepared;
                continueRun(run);
            });
        });
        return Start::waitingForSnapshot;
    }
}

BatchStore::Start BatchStore::takePrepared(const std::shared_ptr<ExportRun>& run) {
    const std::shared_ptr<Prepared> prepared = std::move(run->prepared);
    run->prepared.reset();
    const ExportJob job = std::move(*run->preparingJob);
    run->preparingJob.reset();

    const bool cancelled = run->stop.stop_requested();
    const std::optional<int> index = indexOf(job.id);
    if (cancelled || !index) {
        if (!prepared->refusal) removeSnapshotFolder(files_, prepared->snapshot);
        return cancelled ? Start::noJobLeft : startNextExport(run);
    }

    std::optional<ReplaceRefusal> refusal = prepared->refusal;
    if (!refusal) {
        replaceVersions_.insert(job.id, *prepared->version);
        if (!prepared->pages || !prepared->frames || !prepared->renditions) {
            refusal = ReplaceRefusal::sourceUnreadable();
        } else if (*prepared->pages >= 2) {
            refusal = ReplaceRefusal::wouldLosePages(std::min(*prepared->pages, job.item.page), *prepared->pages);
        } else if (*prepared->frames > 1) {
            refusal = ReplaceRefusal::wouldLoseImages(*prepared->frames);
        } else if (*prepared->renditions > 1) {
            refusal = ReplaceRefusal::wouldLoseImages(*prepared->renditions);
        }
        if (refusal) removeSnapshotFolder(files_, prepared->snapshot);
    }
    if (refusal) {
        markState(*index, BatchItem::Exporting{});
        const QString reason = FailureDetails::description(*refusal);
        const QString details =
            FailureDetails::report(*refusal, job.url, run->spec, job.source, FailureDetails::Environment::current());
        withItem(*index, [&](BatchItem& item) {
            item.state = BatchItem::Failed{reason};
            item.detailsOfTheFailure = details;
        });
        ++run->failed;
        return startNextExport(run);
    }
    replaceSnapshots_.insert(job.id, prepared->snapshot);
    markState(*index, BatchItem::Exporting{});
    startExportChild(run, job, prepared->snapshot);
    return Start::childAdded;
}

void BatchStore::startExportChild(const std::shared_ptr<ExportRun>& run, const ExportJob& job, const fs::path& source) {
    ++run->inFlight;
    deliverWhenReady(
        futureOf<ConversionResult>([&] {
            return run->engine->converted(source, run->spec, job.page, EncodeEffort::final, run->stop.get_token());
        }),
        this,
        [id = job.id, url = job.url, source = job.source, spec = run->spec](std::future<ConversionResult>& ready) {
            ExportOutcome outcome;
            outcome.id = id;
            outcome.url = url;
            outcome.result = outcome.take(ready, url, spec, source);
            return outcome;
        },
        [this, run](ExportOutcome outcome) { receiveExportOutcome(run, std::move(outcome)); });
}

void BatchStore::receiveExportOutcome(const std::shared_ptr<ExportRun>& run, ExportOutcome outcome) {
    --run->inFlight;
    // After a stop, what the cancelled children bring is discarded; the run only waits for them.
    if (!run->stopped) run->arrived.push_back(std::move(outcome));
    continueRun(run);
}

void BatchStore::finishExport(const std::shared_ptr<ExportRun>& run) {
    run->finished = true;
    const OutputSpec identity = run->spec.encodingIdentity();
    for (int row = 0; row < static_cast<int>(items_.size()); ++row) {
        const BatchItem& item = items_[row];
        if (!std::holds_alternative<BatchItem::Exporting>(item.state)) continue;
        const auto hit = cache_.find(CacheKey{item.url, item.page, identity, item.stamp});
        if (hit != cache_.end()) {
            setEstimatedBytes(row, hit->second.bytes);
        } else {
            markState(row, BatchItem::Pending{});
        }
    }
    if (!run->stopped) {
        const bool toFolder = run->destination.kind() == ExportDestination::Kind::folder;
        setExportSummary(ExportSummary{run->saved, run->failed,
                                       toFolder ? std::optional(run->destination.folderPath()) : std::nullopt});
    }
    endReplaceRun(run->runFolder);
    destinationScope_.reset();
    if (run_ == run) run_.reset();
    settleAfterRun();
}

void BatchStore::endReplaceRun(const fs::path& runFolder) {
    // Access to a folder holds nothing on this platform, so ending it is forgetting it.
    replaceFolderScopes_.clear();
    replaceSnapshots_.clear();
    if (!runFolder.empty()) files_.removeTree(runFolder);
}

void BatchStore::forgetSnapshot(const QUuid& id) {
    const auto snapshot = replaceSnapshots_.constFind(id);
    if (snapshot == replaceSnapshots_.cend()) return;
    const fs::path path = *snapshot;
    replaceSnapshots_.erase(snapshot);
    removeSnapshotFolder(files_, path);
}

std::shared_ptr<BatchStore::Prepared> BatchStore::prepareForReplace(platform::FileOperations& files, const fs::path& source,
                                                        const fs::path& runFolder, const DecoderRegistry& decoders) {
    auto prepared = std::make_shared<Prepared>();
    const fs::path folder = runFolder / QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
    prepared->snapshot = folder / source.filename();
    try {
        platform::createPrivateFolder(folder);
        // A content copy, private to this user; only a regular file is read.
        files.copyContent(source, prepared->snapshot);
    } catch (const std::exception&) {
        files.removeTree(folder);
        prepared->refusal = ReplaceRefusal::workingCopyFailed();
        return prepared;
    }
    prepared->version = SourceVersion::read(prepared->snapshot);
    if (!prepared->version) {
        files.removeTree(folder);
        prepared->refusal = ReplaceRefusal::sourceUnreadable();
        return prepared;
    }
    try {
        const ImageProperties properties = decoders.decoder(prepared->snapshot)->properties(prepared->snapshot);
        prepared->pages = properties.pageCount;
        prepared->frames = properties.frameCount;
        prepared->renditions = properties.renditionCount;
    } catch (...) {
        // Counts that cannot be read refuse the replacement.
    }
    return prepared;
}

} // namespace pictavo
