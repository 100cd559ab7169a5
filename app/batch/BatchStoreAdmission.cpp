#include "app/batch/BatchStore.h"

#include "app/batch/Discovery.h"
#include "platform/base/MainThread.h"
#include "platform/files/FileStatus.h"

#include <algorithm>

namespace pictavo {

namespace fs = std::filesystem;

namespace {

bool decoderReads(const DecoderRegistry& decoders, const fs::path& path) {
    try {
        decoders.decoder(path);
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace

bool BatchStore::accepts(const QList<QUrl>& urls) const {
    platform::assertMainThread();
    for (const QUrl& url : urls) {
        const std::optional<fs::path> path = Discovery::localPath(url);
        if (!path) continue;
        if (platform::isDirectory(*path)) return true;
        // Only a regular file is ever opened: a pipe named like an image would hang its reader.
        if (!platform::isRegularFile(*path) || !decoderReads(decoders_, *path)) continue;
        if (!known_.contains(platform::fileKey(*path).string())) return true;
    }
    return false;
}

void BatchStore::add(const QList<QUrl>& urls, AddCompletion done) {
    platform::assertMainThread();
    Import::Owner& owner = *this;
    const auto import = std::make_shared<Import>(owner, this, urls, decoders_, engine_.pixelMemory(), std::move(done));
    imports_.push_back(import);
    import->start();
}

void BatchStore::importAdmits(std::vector<Import::Admitted> cards) {
    const int first = static_cast<int>(items_.size());
    for (Import::Admitted& card : cards) {
        known_.insert(std::move(card.key));
        items_.push_back(std::move(card.item));
    }
    Q_EMIT itemsInserted(first, static_cast<int>(items_.size()) - 1);
    setExportSummary(std::nullopt);
    scheduleEstimates();
}

void BatchStore::importOwed(const std::shared_ptr<Import>& import) { owedImports_.push_back(import); }

void BatchStore::importEnded(const Import& import) {
    std::erase_if(imports_, [&](const std::shared_ptr<Import>& underWay) { return underWay.get() == &import; });
}

std::size_t BatchStore::tombstoneCount() const {
    std::unordered_set<std::string> keys;
    for (const std::shared_ptr<Import>& import : imports_) keys.insert(import->tombstones().begin(), import->tombstones().end());
    return keys.size();
}

std::size_t BatchStore::importsUnderWayCount() const {
    return static_cast<std::size_t>(std::count_if(imports_.begin(), imports_.end(),
                                                  [](const std::shared_ptr<Import>& import) { return !import->isOvertaken(); }));
}

void BatchStore::settleAfterRun() {
    setExporting(false);
    if (refreshOwedAfterRun_) {
        refreshOwedAfterRun_ = false;
        scheduleEstimates();
    }
    for (const std::shared_ptr<Import>& import : std::exchange(owedImports_, {})) import->admitOwed();
}

} // namespace pictavo
