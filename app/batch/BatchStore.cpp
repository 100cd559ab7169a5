#include "app/batch/BatchStore.h"
#include "app/batch/ThumbnailLoader.h"

#include "platform/base/MainThread.h"
#include "platform/files/FileStatus.h"

#include <algorithm>
#include <utility>

namespace pictavo {

namespace fs = std::filesystem;

const OutputSpec& BatchStore::startingSpec() {
    static const OutputSpec spec{OutputFormat::png(),      ResizeSpec::original(), QualityMode::quality(80),
                                 MetadataPolicy::strip,    ColourPolicy::convertToSRGB, MatteColour::white(),
                                 Adjustments::none(),      "{name}.{format}"};
    return spec;
}

BatchStore::BatchStore(const Converting& engine, ExportWriting& writer, DecoderRegistry decoders,
                       std::chrono::milliseconds debounce, StampReader stampReader, std::int64_t width,
                       platform::FileOperations& files, WorkingFileSweep* workingFiles, QObject* parent)
    : QObject(parent),
      engine_(engine),
      writer_(writer),
      files_(files),
      workingFiles_(workingFiles),
      decoders_(std::move(decoders)),
      debounce_(debounce),
      stampReader_(std::move(stampReader)),
      width_(std::max<std::int64_t>(width, 1)),
      spec_(startingSpec()) {
    if (workingFiles_) workingFiles_->sweepFoldersOfLastRun();
}

BatchStore::~BatchStore() {
    cancelEstimatePass();
    if (run_) run_->abandon();
    // Nobody waiting for an import is left waiting: what was owed or still being discovered
    // ends with nothing added.
    for (const std::shared_ptr<Import>& import : std::exchange(owedImports_, {})) import->abandon();
    for (const std::shared_ptr<Import>& import : std::exchange(imports_, {})) import->abandon();
}

void BatchStore::setItems(std::vector<BatchItem> items) {
    items_ = std::move(items);
    Q_EMIT itemsReset();
}

void BatchStore::setSpec(const OutputSpec& spec) {
    platform::assertMainThread();
    if (spec == spec_) return;
    spec_ = spec;
    Q_EMIT specChanged();
    setExportSummary(std::nullopt);
    // A run under way keeps its own copy; its cards are made due when it ends.
    if (!isExporting_) makeExportedCardsDue();
    scheduleEstimates();
}

void BatchStore::makeExportedCardsDue(const std::optional<QUuid>& only) {
    for (int row = 0; row < static_cast<int>(items_.size()); ++row) {
        const BatchItem& item = items_[row];
        if (only && item.id != *only) continue;
        // A replaced original is in the Trash: the card's file is now the output itself, and
        // converting it again would convert a conversion.
        if (!item.isExported() || item.sourceIsGone || item.originalWasReplaced) continue;
        markState(row, BatchItem::Pending{});
    }
}

void BatchStore::setExporting(bool exporting) {
    if (isExporting_ == exporting) return;
    isExporting_ = exporting;
    Q_EMIT isExportingChanged(exporting);
}

void BatchStore::setExportSummary(std::optional<ExportSummary> summary) {
    if (exportSummary_ == summary) return;
    exportSummary_ = std::move(summary);
    Q_EMIT exportSummaryChanged();
}

void BatchStore::setTotalEstimatedBytesAtRunStart(std::optional<std::int64_t> total) {
    if (totalEstimatedBytesAtRunStart_ == total) return;
    totalEstimatedBytesAtRunStart_ = total;
    Q_EMIT totalEstimatedBytesAtRunStartChanged();
}

void BatchStore::setPage(std::int64_t page, const QUuid& id) {
    platform::assertMainThread();
    if (isExporting_ || items_.empty()) return;
    const auto card = std::find_if(items_.begin(), items_.end(), [&](const BatchItem& item) { return item.id == id; });
    if (card == items_.end()) return;
    if (page < 1 || page > card->pageCount || page == card->page) return;
    card->page = page;
    Q_EMIT itemChanged(static_cast<int>(card - items_.begin()));
    makeExportedCardsDue(id);
    setExportSummary(std::nullopt);
    scheduleEstimates();
}

void BatchStore::remove(const QSet<QUuid>& ids) {
    platform::assertMainThread();
    std::unordered_set<std::string> urls;
    for (const BatchItem& item : items_) {
        if (ids.contains(item.id)) urls.insert(item.url.string());
    }
    if (urls.empty()) return;

    ++removals_;
    std::unordered_set<std::string> keys;
    for (const std::string& url : urls) {
        std::string key = platform::fileKey(url).string();
        known_.erase(key);
        keys.insert(std::move(key));
    }
    for (const std::shared_ptr<Import>& import : imports_) import->forget(keys);

    // Removed back to front, in runs of neighbours, so that every row told of is still right.
    for (int row = static_cast<int>(items_.size()) - 1; row >= 0;) {
        if (!ids.contains(items_[row].id)) {
            --row;
            continue;
        }
        const int last = row;
        while (row >= 0 && ids.contains(items_[row].id)) --row;
        items_.erase(items_.begin() + row + 1, items_.begin() + last + 1);
        Q_EMIT itemsRemoved(row + 1, last);
    }

    setExportSummary(std::nullopt);
    for (auto entry = cache_.begin(); entry != cache_.end();) {
        if (urls.count(entry->first.url.string()) > 0) {
            entry = cache_.erase(entry);
        } else {
            ++entry;
        }
    }
    ++purgeGeneration_;
    scheduleEstimates();
}

void BatchStore::clearAll() {
    platform::assertMainThread();
    cancelEstimatePass();
    setItems({});
    known_.clear();
    for (const std::shared_ptr<Import>& import : imports_) import->overtake();
    cache_.clear();
    ++purgeGeneration_;
    setExportSummary(std::nullopt);
    refreshOwedAfterRun_ = false;
}

std::optional<int> BatchStore::indexOf(const QUuid& id) {
    const auto hint = positions_.constFind(id);
    if (hint != positions_.cend() && *hint >= 0 && *hint < static_cast<int>(items_.size()) && items_[*hint].id == id) {
        return *hint;
    }
    positions_.clear();
    for (int row = 0; row < static_cast<int>(items_.size()); ++row) {
        if (!positions_.contains(items_[row].id)) positions_.insert(items_[row].id, row);
    }
    const auto found = positions_.constFind(id);
    if (found == positions_.cend()) return std::nullopt;
    return *found;
}

QList<QUuid> BatchStore::itemIds() const {
    QList<QUuid> ids;
    ids.reserve(static_cast<qsizetype>(items_.size()));
    for (const BatchItem& item : items_) ids.push_back(item.id);
    return ids;
}

namespace {

// Whether the totals count this card; asked for every card as the window refreshes, so
// nothing is copied.
class Reviewable {
public:
    explicit Reviewable(const std::vector<BatchItem>& items)
        : everyCard_(std::all_of(items.begin(), items.end(), [](const BatchItem& item) { return item.isFailed(); })) {}
    bool operator()(const BatchItem& item) const { return everyCard_ || !item.isFailed(); }

private:
    bool everyCard_;
};

} // namespace

std::int64_t BatchStore::sourceBytes() const {
    const Reviewable reviewable(items_);
    std::int64_t total = 0;
    for (const BatchItem& item : items_) {
        if (reviewable(item)) total += item.stamp.byteCount;
    }
    return total;
}

std::optional<std::int64_t> BatchStore::estimatedBytes() const {
    if (items_.empty()) return std::nullopt;
    const Reviewable reviewable(items_);
    std::int64_t total = 0;
    for (const BatchItem& item : items_) {
        if (!reviewable(item)) continue;
        const auto* estimated = std::get_if<BatchItem::Estimated>(&item.state);
        if (!estimated) return std::nullopt;
        total += estimated->bytes;
    }
    return total;
}

std::int64_t BatchStore::finishedCount() const {
    return std::count_if(items_.begin(), items_.end(), [](const BatchItem& item) { return item.isSettled(); });
}

std::vector<fs::path> BatchStore::exportedURLs() const {
    std::vector<fs::path> urls;
    for (const BatchItem& item : items_) {
        if (const auto* exported = std::get_if<BatchItem::Exported>(&item.state)) urls.push_back(exported->url);
    }
    return urls;
}

std::unordered_set<ThumbnailSource> BatchStore::thumbnailSources() const {
    std::unordered_set<ThumbnailSource> sources;
    for (const BatchItem& item : items_) {
        if (item.originalWasReplaced || item.sourceIsGone) {
            sources.insert(ThumbnailLoader::sourceOf(
                ThumbnailLoader::requestFor(item, spec_.adjustments, ThumbnailLoader::Request{}.maxPixelSize)));
        }
    }
    return sources;
}

void BatchStore::withItem(int index, const std::function<void(BatchItem&)>& change) {
    BatchItem copy = items_.at(static_cast<std::size_t>(index));
    const bool wasSettled = copy.isSettled();
    change(copy);
    const bool becomesSettled = copy.isSettled() || std::holds_alternative<BatchItem::Estimated>(copy.state);
    if (wasSettled && becomesSettled) return;
    items_[static_cast<std::size_t>(index)] = std::move(copy);
    Q_EMIT itemChanged(index);
}

void BatchStore::setEstimatedBytes(int index, std::int64_t bytes) {
    withItem(index, [&](BatchItem& item) { item.state = BatchItem::Estimated{bytes}; });
}

void BatchStore::markState(int index, BatchItem::State state) {
    withItem(index, [&](BatchItem& item) { item.state = std::move(state); });
}

void BatchStore::rewriteItem(int index, const std::function<void(BatchItem&)>& change) {
    change(items_.at(static_cast<std::size_t>(index)));
    Q_EMIT itemChanged(index);
}

} // namespace pictavo
