#include "app/batch/BatchStore.h"

#include "platform/base/MainThread.h"

namespace pictavo {

void BatchStore::cancelEstimatePass() {
    if (estimatePass_) estimatePass_->cancel();
}

void BatchStore::scheduleEstimates() {
    platform::assertMainThread();
    if (isExporting_) {
        refreshOwedAfterRun_ = true;
        return;
    }
    cancelEstimatePass();
    EstimatePass::Owner& owner = *this;
    estimatePass_ = std::make_shared<EstimatePass>(
        owner, this, EstimatePass::Setup{engine_, width_, debounce_, stampReader_}, spec_);
    estimatePass_->start();
}

void BatchStore::stopEstimating() {
    cancelEstimatePass();
    for (int row = 0; row < static_cast<int>(items_.size()); ++row) {
        if (std::holds_alternative<BatchItem::Estimating>(items_[row].state)) markState(row, BatchItem::Pending{});
    }
}

std::optional<Estimate> BatchStore::cachedEstimate(const CacheKey& key) const {
    const auto hit = cache_.find(key);
    if (hit == cache_.end()) return std::nullopt;
    return hit->second;
}

void BatchStore::cacheEstimate(const CacheKey& key, const Estimate& estimate) { cache_[key] = estimate; }

} // namespace pictavo
