#pragma once
#include "ImageEngine/Model/Estimate.h"
#include "ImageEngine/Model/OutputSpec.h"
#include "app/batch/BatchItem.h"
#include "app/batch/ConversionWindow.h"
#include "app/batch/Converting.h"
#include "app/batch/EstimateCacheKey.h"
#include "app/batch/Settlement.h"

#include <QHash>
#include <QTimer>
#include <QUuid>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

class QObject;

namespace pictavo {

// One debounced pass of size estimates over the batch, with the specification of the moment
// it was scheduled: after the debounce it reads every card's stamp, shows each card its
// cached estimate or marks it estimating, and converts the cards that missed at preview
// effort, at most `width` at a time, applying each outcome before the next conversion starts
// and filling the owner's cache. Cards whose picture reads long (LongRead) are converted after
// the others, so that no photo's estimate waits behind a panorama's; each in card order. A pass whose specification is no longer the owner's, or
// that was cancelled, discards whatever still comes back.
//
// Thread rule: made, driven and cancelled on the main thread only. Stamps are read on the
// file-work pool and conversions run through a ConversionWindow; each comes back through the
// event loop as one call here. Work under way holds the pass weakly, so a pass its owner has
// let go of hears nothing more.
class EstimatePass : public std::enable_shared_from_this<EstimatePass> {
public:
    using StampReader = std::function<BatchItem::SourceStamp(const std::filesystem::path&)>;

    // What a pass needs of the store that owns it.
    class Owner {
    public:
        virtual const std::vector<BatchItem>& items() const = 0;
        // The card's row now; none once it has left the batch.
        virtual std::optional<int> indexOf(const QUuid& id) = 0;
        virtual const OutputSpec& spec() const = 0;
        // Raised whenever cards are removed or the batch is cleared.
        virtual std::int64_t purgeGeneration() const = 0;
        // Changes a card whatever it showed.
        virtual void rewriteItem(int index, const std::function<void(BatchItem&)>& change) = 0;
        // Changes a card under the rule that an exported or failed card keeps its result.
        virtual void withItem(int index, const std::function<void(BatchItem&)>& change) = 0;
        virtual std::optional<Estimate> cachedEstimate(const EstimateCacheKey& key) const = 0;
        virtual void cacheEstimate(const EstimateCacheKey& key, const Estimate& estimate) = 0;

    protected:
        ~Owner() = default;
    };

    // What a pass is given.
    struct Setup {
        const Converting& engine;
        std::int64_t width = 1;
        std::chrono::milliseconds debounce{0};
        StampReader stampReader;
    };

    // `context` is the owner as a QObject: work under way comes back only while it lives.
    EstimatePass(Owner& owner, QObject* context, const Setup& setup, OutputSpec spec);

    // Starts the debounce; the pass runs when it ends.
    void start();
    // Stops the debounce, the stamp reading and the conversions; nothing more is applied.
    void cancel();

private:
    // The cards a pass looks at: not exported, and with their source still there.
    static bool isEstimated(const BatchItem& item) { return !item.isExported() && !item.sourceIsGone; }

    struct EstimateJob {
        QUuid id;
        std::filesystem::path url;
        std::int64_t page = 1;
        // The card's header with the card's byte count, for failure reports.
        std::optional<FailureDetails::Source> source;
        bool readsLong = false;
    };

    struct EstimateOutcome : Settlement {
        QUuid id;
        std::filesystem::path url;
        std::int64_t page = 1;
        // The owner's purgeGeneration when the conversion started.
        std::int64_t purges = 0;
        Estimate estimate;
    };

    void run();
    void estimateWithStamps(const QHash<QUuid, BatchItem::SourceStamp>& stamps);
    std::vector<EstimateJob> prepareEstimates(const QHash<QUuid, BatchItem::SourceStamp>& stamps);
    std::optional<EstimateJob> estimateJob(const BatchItem& item) const;
    bool startNextEstimate();
    void receiveEstimateOutcome(const EstimateOutcome& outcome);
    void applyEstimateOutcome(const EstimateOutcome& outcome);

    Owner& owner_;
    QObject* const context_;
    const StampReader stampReader_;
    const OutputSpec spec_;
    const Converting& engine_;
    QTimer debounce_;
    // Asked to stop when the pass is cancelled; the stamp reading looks at it.
    std::stop_source stop_;
    ConversionWindow window_;
    std::vector<EstimateJob> jobs_;
    std::size_t next_ = 0;
};

} // namespace pictavo
