#include "app/batch/EstimatePass.h"

#include "app/batch/LongRead.h"
#include "app/desktop/BackgroundWork.h"
#include "platform/base/Hashing.h"
#include "platform/base/MainThread.h"

#include <algorithm>

namespace pictavo {

namespace fs = std::filesystem;

std::size_t EstimateCacheKeyHash::operator()(const EstimateCacheKey& key) const {
    std::size_t seed = fs::hash_value(key.url);
    platform::hashCombineValue(seed, key.page);
    platform::hashCombine(seed, key.identity.hash());
    platform::hashCombine(seed, hashValue(key.stamp));
    return seed;
}

EstimatePass::EstimatePass(Owner& owner, QObject* context, const Setup& setup, OutputSpec spec)
    : owner_(owner),
      context_(context),
      stampReader_(setup.stampReader),
      spec_(std::move(spec)),
      engine_(setup.engine),
      window_(setup.engine, setup.width, context) {
    debounce_.setSingleShot(true);
    debounce_.setTimerType(Qt::PreciseTimer);
    debounce_.setInterval(setup.debounce);
    QObject::connect(&debounce_, &QTimer::timeout, [this] { run(); });
}

void EstimatePass::start() {
    platform::assertMainThread();
    debounce_.start();
}

void EstimatePass::cancel() {
    debounce_.stop();
    stop_.request_stop();
    window_.cancel();
}

void EstimatePass::run() {
    if (stop_.stop_requested()) return;
    std::vector<std::pair<QUuid, fs::path>> candidates;
    for (const BatchItem& item : owner_.items()) {
        if (isEstimated(item)) candidates.emplace_back(item.id, item.url);
    }
    // Stamps are read off the main thread: a slow disk must not hold up the window. The
    // reading holds nothing of the pass, which lives and dies on the main thread.
    runInBackground(fileWorkPool(), [context = QPointer<QObject>(context_), pass = weak_from_this(),
                                     candidates = std::move(candidates), reader = stampReader_,
                                     stop = stop_.get_token()] {
        auto stamps = std::make_shared<QHash<QUuid, BatchItem::SourceStamp>>();
        for (const auto& [id, url] : candidates) {
            if (stop.stop_requested()) break;
            stamps->insert(id, reader(url));
        }
        postTo(context, [pass, stamps] {
            if (const auto live = pass.lock()) live->estimateWithStamps(*stamps);
        });
    });
}

void EstimatePass::estimateWithStamps(const QHash<QUuid, BatchItem::SourceStamp>& stamps) {
    if (stop_.stop_requested() || !(owner_.spec() == spec_)) return;
    jobs_ = prepareEstimates(stamps);
    window_.fill([this] { return startNextEstimate(); });
}

std::vector<EstimatePass::EstimateJob> EstimatePass::prepareEstimates(
    const QHash<QUuid, BatchItem::SourceStamp>& stamps) {
    for (int row = 0; row < static_cast<int>(owner_.items().size()); ++row) {
        if (!isEstimated(owner_.items()[row])) continue;
        // Whatever the card showed, it now shows the answer for this pass.
        owner_.rewriteItem(row, [&](BatchItem& item) {
            if (const auto stamp = stamps.constFind(item.id); stamp != stamps.cend()) item.stamp = *stamp;
            if (const std::optional<Estimate> hit = owner_.cachedEstimate(EstimateCacheKey::of(item, spec_))) {
                item.state = BatchItem::Estimated{hit->bytes};
                item.warningsAboutTheAnswer = hit->warnings;
            } else {
                item.state = BatchItem::Estimating{};
            }
        });
    }
    std::vector<EstimateJob> jobs;
    for (const BatchItem& item : owner_.items()) {
        if (std::optional<EstimateJob> job = estimateJob(item)) jobs.push_back(std::move(*job));
    }
    std::stable_partition(jobs.begin(), jobs.end(), [](const EstimateJob& job) { return !job.readsLong; });
    return jobs;
}

std::optional<EstimatePass::EstimateJob> EstimatePass::estimateJob(const BatchItem& item) const {
    if (!isEstimated(item) || owner_.cachedEstimate(EstimateCacheKey::of(item, spec_))) return std::nullopt;
    // What admission read of the header: a drawing's sides are those it is drawn at, not those
    // of the pictures it may hold.
    std::optional<PixelDimensions> sides;
    if (item.header && !item.header->isVector) sides = PixelDimensions{item.header->width, item.header->height};
    return EstimateJob{item.id, item.url, item.page, reportedSource(item, spec_, engine_),
                       LongRead::of(sides, item.stamp.byteCount)};
}

bool EstimatePass::startNextEstimate() {
    if (next_ >= jobs_.size()) return false;
    const EstimateJob& job = jobs_[next_++];
    // An estimate is the export's conversion at preview effort, of which only the size and
    // the warnings are kept; the bytes are let go on the converting thread.
    window_.start(
        job.url, spec_, job.page, EncodeEffort::preview,
        [job, purges = owner_.purgeGeneration(), spec = spec_](JobOutcome<ConversionResult>& done) {
            EstimateOutcome outcome;
            outcome.id = job.id;
            outcome.url = job.url;
            outcome.page = job.page;
            outcome.purges = purges;
            if (auto result = outcome.take(done, job.url, spec, job.source)) {
                outcome.estimate = Estimate{result->byteCount(), std::move(result->warnings)};
            }
            return outcome;
        },
        [pass = weak_from_this()](const EstimateOutcome& outcome) {
            if (const auto live = pass.lock()) live->receiveEstimateOutcome(outcome);
        });
    return true;
}

void EstimatePass::receiveEstimateOutcome(const EstimateOutcome& outcome) {
    if (stop_.stop_requested() || !(owner_.spec() == spec_)) {
        // The rest of this pass is discarded as it finishes.
        cancel();
        return;
    }
    applyEstimateOutcome(outcome);
    window_.fill([this] { return startNextEstimate(); });
}

void EstimatePass::applyEstimateOutcome(const EstimateOutcome& outcome) {
    if (outcome.kind == Settlement::Kind::cancelled) return;
    const std::optional<int> index = owner_.indexOf(outcome.id);
    if (!index) return;
    const BatchItem& item = owner_.items()[*index];
    if (!isEstimated(item)) return;
    if (outcome.kind == Settlement::Kind::failed) {
        // Failures are never cached: the next pass tries again.
        owner_.withItem(*index, [&](BatchItem& card) {
            card.state = BatchItem::Failed{outcome.reason};
            card.detailsOfTheFailure = outcome.details;
        });
        return;
    }
    if (outcome.purges != owner_.purgeGeneration()) return;
    owner_.cacheEstimate(EstimateCacheKey{outcome.url, outcome.page, spec_.encodingIdentity(), item.stamp},
                         outcome.estimate);
    owner_.withItem(*index, [&](BatchItem& card) {
        card.state = BatchItem::Estimated{outcome.estimate.bytes};
        card.warningsAboutTheAnswer = outcome.estimate.warnings;
    });
}

} // namespace pictavo
