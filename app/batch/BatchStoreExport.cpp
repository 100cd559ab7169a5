#include "app/batch/BatchStore.h"
#include "platform/base/MainThread.h"

namespace pictavo {

namespace fs = std::filesystem;

void BatchStore::exportBatch(const Converting& engine, const DestinationResolution& resolution,
                             SharedSecurityScope scope, ReplaceFolderAccess* accessReplaceFolder) {
    platform::assertMainThread();
    if (isExporting_) return;
    setExporting(true);
    setTotalEstimatedBytesAtRunStart(estimatedBytes());
    const std::optional<ExportDestination> destination = resolution.destination();
    if (!destination) {
        settleAfterRun();
        return;
    }
    stopEstimating();

    std::vector<ExportRun::ExportJob> jobs;
    for (const BatchItem& item : items_) {
        if (item.isExported() || item.sourceIsGone) continue;
        jobs.push_back(ExportRun::ExportJob{item.id, item.url, item.page, reportedSource(item, spec_, engine), item});
    }
    // Every card was written already (a new destination does not make them due again): the
    // run says it saved nothing there, rather than leave the last run's count standing, which
    // the window would word with this run's destination.
    if (jobs.empty()) {
        const bool toFolder = destination->kind() == ExportDestination::Kind::folder;
        setExportSummary(ExportSummary{0, 0, toFolder ? std::optional(destination->folderPath()) : std::nullopt});
        settleAfterRun();
        return;
    }
    setExportSummary(std::nullopt);
    if (workingFiles_) {
        std::vector<fs::path> sources;
        for (const ExportRun::ExportJob& job : jobs) sources.push_back(job.url);
        workingFiles_->runStarts(*destination, sources);
    }
    // Held here too: the run may end before start returns.
    ExportRun::Owner& owner = *this;
    const auto run = std::make_shared<ExportRun>(
        owner, this,
        ExportRun::Setup{engine, writer_, files_, decoders_, width_, *destination, spec_, std::move(scope),
                         accessReplaceFolder},
        std::move(jobs));
    run_ = run;
    run->start();
}

std::optional<FolderRequest> BatchStore::folderRequest() const {
    return run_ ? run_->folderRequest() : std::nullopt;
}

void BatchStore::answerFolderRequest(const QUuid& id, std::optional<fs::path> folder) {
    platform::assertMainThread();
    if (const std::shared_ptr<ExportRun> run = run_) run->answerFolderRequest(id, std::move(folder));
}

void BatchStore::exportFolderRequestChanged() { Q_EMIT folderRequestChanged(); }

void BatchStore::exportRunEnded(const OutputSpec& spec, std::optional<ExportSummary> summary) {
    run_.reset();
    const OutputSpec identity = spec.encodingIdentity();
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
    if (spec_ == spec) {
        if (summary) setExportSummary(std::move(summary));
    } else {
        // The specification changed under the run: what it wrote is not what is asked for now.
        makeExportedCardsDue();
    }
    settleAfterRun();
}

} // namespace pictavo
