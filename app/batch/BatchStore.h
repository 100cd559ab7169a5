#pragma once
#include "ImageEngine/Model/Estimate.h"
#include "ImageEngine/Model/OutputSpec.h"
#include "ImageEngine/Decoding/DecoderRegistry.h"
#include "app/batch/BatchItem.h"
#include "app/batch/BatchSelection.h"
#include "app/batch/Converting.h"
#include "app/batch/EstimateCacheKey.h"
#include "app/batch/EstimatePass.h"
#include "app/batch/ExportRun.h"
#include "app/batch/ExportSummary.h"
#include "app/batch/Import.h"
#include "app/batch/ThumbnailSource.h"
#include "app/desktop/FolderRequest.h"
#include "app/export/DestinationResolution.h"
#include "app/export/ExportWriting.h"
#include "app/export/ReplaceFolderAccess.h"
#include "app/export/SecurityScope.h"
#include "app/export/SourceVersion.h"
#include "app/export/WorkingFileSweep.h"
#include "platform/files/FileOperations.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QUrl>
#include <QUuid>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace pictavo {

// The model of one main window: the ordered cards of the batch, the output specification
// for all of them, the estimate cache, and the bookkeeping that admission, estimates and the
// export run share. Estimate passes and export runs are objects of their own (EstimatePass,
// ExportRun) that the store owns while they last and that reach its cards through their
// owner interfaces.
//
// Thread rule: main thread only. Work that takes time (discovering files, reading stamps,
// snapshots, conversions) runs elsewhere and comes back through the event loop, one result
// at a time; a result is recognised as stale by the counters it carries (purgeGeneration), by
// the imports' own tombstones and by equality of the specification, never by locks. Each
// import is an Import the store holds while it lasts.
class BatchStore : public QObject,
                   public BatchSelection<QUuid>::Batch,
                   private ExportRun::Owner,
                   private EstimatePass::Owner,
                   private Import::Owner {
    Q_OBJECT

public:
    using StampReader = EstimatePass::StampReader;
    using CacheKey = EstimateCacheKey;

    // What the last finished run did.
    using ExportSummary = pictavo::ExportSummary;

    // What one import did.
    using AddResult = Import::Result;
    using AddCompletion = Import::Completion;

    // `width` is how many conversions run at once (the encode executor's width); `files`
    // makes and removes the snapshots of a replacing run; `workingFiles`, when given, is told
    // of each run's start and sweeps what interrupted runs left, once now and then in the
    // originals' folders of each replacing run.
    BatchStore(const Converting& engine, ExportWriting& writer, DecoderRegistry decoders,
               std::chrono::milliseconds debounce, StampReader stampReader, std::int64_t width,
               platform::FileOperations& files = platform::FileOperations::system(),
               WorkingFileSweep* workingFiles = nullptr, QObject* parent = nullptr);
    // Completes every import still waiting with (0, 0) and cancels running work.
    ~BatchStore() override;

    // The specification every new batch starts with: PNG, original size, quality 80,
    // metadata stripped, converted to sRGB, white matte, no adjustments, "{name}.{format}".
    static const OutputSpec& startingSpec();

    // Observed state.
    const std::vector<BatchItem>& items() const override { return items_; }
    const OutputSpec& spec() const override { return spec_; }
    // A different specification clears the summary, makes every exported card due again
    // and schedules estimates; an equal one does nothing at all.
    void setSpec(const OutputSpec& spec);
    bool isExporting() const override { return isExporting_; }
    const std::optional<ExportSummary>& exportSummary() const { return exportSummary_; }
    const std::optional<std::int64_t>& totalEstimatedBytesAtRunStart() const { return totalEstimatedBytesAtRunStart_; }

    // Bookkeeping, read by tests and by nothing else that could change it.
    bool refreshOwedAfterRun() const { return refreshOwedAfterRun_; }
    std::int64_t removals() const { return removals_; }
    std::int64_t purgeGeneration() const override { return purgeGeneration_; }
    // Distinct keys that some import under way will not add back.
    std::size_t tombstoneCount() const;
    // Imports not yet ended and not overtaken by a clearing of the batch.
    std::size_t importsUnderWayCount() const;
    std::size_t owedAdmissionCount() const { return owedImports_.size(); }
    std::size_t cacheSize() const { return cache_.size(); }
    std::int64_t width() const { return width_; }

    // Commands; none fails, and what the state does not allow is ignored.
    // Another page of an exported card makes it due again.
    void setPage(std::int64_t page, const QUuid& id);
    void remove(const QSet<QUuid>& ids) override;
    void clearAll();
    void scheduleEstimates();
    std::optional<int> indexOf(const QUuid& id) override;
    QList<QUuid> itemIds() const override;

    // Queries for the window. The totals count the cards not failed, or every card when all
    // failed: the reviewable cards.
    std::int64_t sourceBytes() const;
    // The total once every reviewable card is estimated.
    std::optional<std::int64_t> estimatedBytes() const;
    // Exported and failed cards.
    std::int64_t finishedCount() const;
    std::vector<std::filesystem::path> exportedURLs() const;
    // The files the previews of cards whose original was replaced or whose source is gone
    // are read from (the file that took the original's place, or the source that left), which
    // may not give their picture again. A thumbnail cache keeps these.
    std::unordered_set<ThumbnailSource> thumbnailSources() const;

    // Admission. True when one of the URLs is a folder or a readable file not yet in the batch.
    bool accepts(const QList<QUrl>& urls) const;
    // Discovers the files off the main thread and admits them; `done` is called exactly once
    // on the main thread. An import that finishes during an export run waits for its end.
    void add(const QList<QUrl>& urls, AddCompletion done);

    // Exports every card not yet exported whose source is not gone, at most `width` at a
    // time. Returns at once; the run ends when isExporting turns false. A second call during
    // a run does nothing, and a run with nothing to export leaves the summary as it was.
    // `scope` is the chosen folder's access, held for the run; `accessReplaceFolder`, when
    // given, opens folders of originals that refuse to be written, and must outlive the run.
    void exportBatch(const Converting& engine, const DestinationResolution& resolution, SharedSecurityScope scope,
                     ReplaceFolderAccess* accessReplaceFolder = nullptr);

    // The folder the running export waits for: a folder for the files that could not be
    // written beside their originals, or permission to replace the originals in a folder.
    // Nothing else is written until it is answered. The window shows its panel without
    // waiting (FolderRequestDialog) and hands the user's answer to answerFolderRequest.
    std::optional<FolderRequest> folderRequest() const;
    // The chosen folder, or none when the panel was cancelled, which for the fallback folder
    // stops the run. An answer to any request but the one waited for is ignored.
    void answerFolderRequest(const QUuid& id, std::optional<std::filesystem::path> folder);

Q_SIGNALS:
    // Fine-grained changes of items(), each sent once the change is made.
    void itemsInserted(int first, int last);
    void itemsRemoved(int first, int last);
    void itemChanged(int row);
    void itemsReset();
    void specChanged();
    void isExportingChanged(bool exporting);
    void exportSummaryChanged();
    void totalEstimatedBytesAtRunStartChanged();
    void folderRequestChanged();

private:

    // Observed setters: they tell only of a change.
    void setExporting(bool exporting);
    void setExportSummary(std::optional<ExportSummary> summary);
    void setTotalEstimatedBytesAtRunStart(std::optional<std::int64_t> total);
    void setItems(std::vector<BatchItem> items);

    // The end of a run, or of an export that found nothing to do: owed estimates and
    // imports go on.
    void settleAfterRun();
    // What would be exported changed: exported cards (all, or the one with `only`) wait to
    // be estimated and exported again.
    void makeExportedCardsDue(const std::optional<QUuid>& only = std::nullopt);

    // Estimates.
    void cancelEstimatePass();
    // Every card still estimating waits again; the cache is kept.
    void stopEstimating();
    std::optional<Estimate> cachedEstimate(const CacheKey& key) const override;
    void cacheEstimate(const CacheKey& key, const Estimate& estimate) override;

    // Card updates, under one rule: an exported or failed card is not overwritten by
    // another settled state.
    void withItem(int index, const std::function<void(BatchItem&)>& change) override;
    void setEstimatedBytes(int index, std::int64_t bytes);
    void markState(int index, BatchItem::State state);
    // A change that replaces whatever the card showed.
    void rewriteItem(int index, const std::function<void(BatchItem&)>& change) override;

    // The export run's word to its store.
    void exportFolderRequestChanged() override;
    void exportRunEnded(const OutputSpec& spec, std::optional<ExportSummary> summary) override;

    // An import's word to its store.
    bool knows(const std::string& key) const override { return known_.contains(key); }
    void importAdmits(std::vector<Import::Admitted> cards) override;
    void importOwed(const std::shared_ptr<Import>& import) override;
    void importEnded(const Import& import) override;

    const Converting& engine_;
    ExportWriting& writer_;
    platform::FileOperations& files_;
    WorkingFileSweep* const workingFiles_;
    const DecoderRegistry decoders_;
    const std::chrono::milliseconds debounce_;
    const StampReader stampReader_;
    const std::int64_t width_;

    std::vector<BatchItem> items_;
    OutputSpec spec_;
    bool isExporting_ = false;
    bool refreshOwedAfterRun_ = false;
    std::unordered_set<std::string> known_;
    std::int64_t removals_ = 0;
    // Every import not yet ended, in the order they began, so that none is left waiting.
    std::vector<std::shared_ptr<Import>> imports_;
    // Imports whose findings wait for the run's end, in the order they came back.
    std::vector<std::shared_ptr<Import>> owedImports_;
    // The pass scheduled or under way; none before the first.
    std::shared_ptr<EstimatePass> estimatePass_;
    std::unordered_map<CacheKey, Estimate, EstimateCacheKeyHash> cache_;
    std::int64_t purgeGeneration_ = 0;
    std::optional<std::int64_t> totalEstimatedBytesAtRunStart_;
    std::optional<ExportSummary> exportSummary_;
    QHash<QUuid, int> positions_;
    // The run under way; none between runs.
    std::shared_ptr<ExportRun> run_;
};

} // namespace pictavo
