#include "platform/base/MainThread.h"
#include "app/desktop/BackgroundWork.h"
#include "app/batch/BatchStoreWork.h"

namespace pictavo {

namespace fs = std::filesystem;

namespace {

bool isEstimated(const BatchItem& item) { return !item.isExported() && !item.sourceIsGone; }

} // namespace

void BatchStore::cancelEstimatePass() {
    estimateTimer_.stop();
    if (estimatePass_) estimatePass_->stop.request_stop();
}

void BatchStore::scheduleEstimates() {
    platform::assertMainThread();
    if (isExporting_) {
        refreshOwedAfterRun_ = true;
        return;
    }
    cancelEstimatePass();
    estimatePass_ = std::make_shared<EstimatePass>(spec_);
    estimateTimer_.start(debounce_);
}

void BatchStore::stopEstimating() {
    cancelEstimatePass();
    for (int row = 0; row < static_cast<int>(items_.size()); ++row) {
        if (std::holds_alternative<BatchItem::Estimating>(items_[row].state)) markState(row, BatchItem::Pending{});
    }
}

void BatchStore::runEstimates(const std::shared_ptr<EstimatePass>& pass) {
    if (pass->stop.stop_requested()) return;
    std::vector<std::pair<QUuid, fs::path>> candidates;
    for (const BatchItem& item : items_) {
        if (isEstimated(item)) candidates.emplace_back(item.id, item.url);
    }
    // Stamps are read off the main thread: a slow disk must not hold up the window.
    runInBackground(fileWorkPool(), [this, context = QPointer<QObject>(this), pass, candidates = std::move(candidates),
                                     reader = stampReader_, stop = pass->stop.get_token()] {
        auto stamps = std::make_shared<QHash<QUuid, BatchItem::SourceStamp>>();
        for (const auto& [id, url] : candidates) {
            if (stop.stop_requested()) break;
            stamps->insert(id, reader(url));
        }
        postTo(context, [this, pass, stamps] { estimateWithStamps(pass, *stamps); });
    });
}

void BatchStore::estimateWithStamps(const std::shared_ptr<EstimatePass>& pass,
                                    const QHash<QUuid, BatchItem::SourceStamp>& stamps) {
    if (pass->stop.stop_requested() || !(spec_ == pass->spec)) return;
    pass->jobs = prepareEstimates(pass->spec, stamps);
    const std::size_t window = std::min<std::size_t>(pass->jobs.size(), static_cast<std::size_t>(width_));
    while (pass->next < window) startEstimate(pass);
}

std::vector<BatchStore::EstimateJob> BatchStore::prepareEstimates(const OutputSpec& spec,
                                                                  const QHash<QUuid, BatchItem::SourceStamp>& stamps) {
    for (int row = 0; row < static_cast<int>(items_.size()); ++row) {
        BatchItem& item = items_[row];
        if (!isEstimated(item)) continue;
        if (const auto stamp = stamps.constFind(item.id); stamp != stamps.cend()) item.stamp = *stamp;
        // Whatever the card showed, it now shows the answer for this pass.
        if (const auto hit = cache_.find(cacheKey(item, spec)); hit != cache_.end()) {
            item.state = BatchItem::Estimated{hit->second.bytes};
            item.warningsAboutTheAnswer = hit->second.warnings;
        } else {
            item.state = BatchItem::Estimating{};
        }
        Q_EMIT itemChanged(row);
    }
    std::vector<EstimateJob> jobs;
    for (const BatchItem& item : items_) {
        if (std::optional<EstimateJob> job = estimateJob(item, spec)) jobs.push_back(std::move(*job));
    }
    return jobs;
}

std::optional<BatchStore::EstimateJob> BatchStore::estimateJob(const BatchItem& item, const OutputSpec& spec) const {
    if (!isEstimated(item) || cache_.count(cacheKey(item, spec)) > 0) return std::nullopt;
    return EstimateJob{item.id, item.url, item.page, reportedSource(item)};
}

void BatchStore::startEstimate(const std::shared_ptr<EstimatePass>& pass) {
    const EstimateJob job = pass->jobs[pass->next++];
    const std::int64_t purges = purgeGeneration_;
    deliverWhenReady(
        futureOf<Estimate>([&] { return engine_.estimate(job.url, pass->spec, job.page, pass->stop.get_token()); }),
        this,
        [job, purges, spec = pass->spec](std::future<Estimate>& ready) {
            EstimateOutcome outcome;
            outcome.id = job.id;
            outcome.url = job.url;
            outcome.page = job.page;
            outcome.purges = purges;
            if (auto estimate = outcome.take(ready, job.url, spec, job.source)) outcome.estimate = std::move(*estimate);
            return outcome;
        },
        [this, pass](const EstimateOutcome& outcome) { receiveEstimateOutcome(pass, outcome); });
}

void BatchStore::receiveEstimateOutcome(const std::shared_ptr<EstimatePass>& pass, const EstimateOutcome& outcome) {
    if (pass->stop.stop_requested() || !(spec_ == pass->spec)) {
        // The rest of this pass is discarded as it finishes.
        pass->stop.request_stop();
        return;
    }
    applyEstimateOutcome(outcome, pass->spec);
    if (pass->next < pass->jobs.size()) startEstimate(pass);
}

void BatchStore::applyEstimateOutcome(const EstimateOutcome& outcome, const OutputSpec& spec) {
    if (outcome.kind == Settlement::Kind::cancelled) return;
    const std::optional<int> index = indexOf(outcome.id);
    if (!index) return;
    const BatchItem& item = items_[*index];
    if (!isEstimated(item)) return;
    if (outcome.kind == Settlement::Kind::failed) {
        setFailed(*index, outcome.reason, outcome.details);
        return;
    }
    if (outcome.purges != purgeGeneration_) return;
    cache_[CacheKey{outcome.url, outcome.page, spec.encodingIdentity(), item.stamp}] = outcome.estimate;
    setEstimated(*index, outcome.estimate.bytes, outcome.estimate.warnings);
}

} // namespace pictavo
