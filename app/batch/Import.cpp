#include "app/batch/Import.h"

#include "app/desktop/BackgroundWork.h"
#include "platform/base/Cancellation.h"
#include "platform/base/MainThread.h"

#include <QFile>

#include <algorithm>
#include <iterator>
#include <utility>

namespace pictavo {

Import::Import(Owner& owner, QObject* context, QList<QUrl> urls, DecoderRegistry decoders,
               std::shared_ptr<PixelMemory> memory, Completion done)
    : owner_(owner), context_(context), urls_(std::move(urls)), decoders_(std::move(decoders)), memory_(std::move(memory)),
      done_(std::move(done)) {}

void Import::start() {
    platform::assertMainThread();
    runInBackground(fileWorkPool(), [import = weak_from_this(), context = QPointer<QObject>(context_), urls = urls_,
                                     decoders = decoders_, memory = memory_, stop = stop_.get_token()] {
        const auto handBack = [&](Discovery part, bool last) {
            postTo(context, [import, part = std::make_shared<Discovery>(std::move(part)), last] {
                if (const std::shared_ptr<Import> alive = import.lock()) alive->discovered(std::move(*part), last);
            });
        };
        Discovery found = Discovery::of(urls, decoders, memory);
        std::vector<Discovery::Found> deferred = std::exchange(found.deferred, {});
        handBack(std::move(found), deferred.empty());
        if (deferred.empty()) return;
        Discovery rest;
        try {
            rest.found = Discovery::inspected(std::move(deferred), decoders, memory, stop);
        } catch (const platform::CancellationError&) {
            // Stopped only once the import was overtaken or abandoned, which keep none of it.
        }
        handBack(std::move(rest), true);
    });
}

void Import::forget(const std::unordered_set<std::string>& keys) {
    if (ended_ || overtaken_) return;
    tombstones_.insert(keys.begin(), keys.end());
}

void Import::overtake() {
    overtaken_ = true;
    stop_.request_stop();
    tombstones_.clear();
}

void Import::discovered(Discovery part, bool last) {
    if (ended_) return;
    discovering_ = !last;
    if (!findings_) findings_ = std::move(part);
    else {
        std::move(part.found.begin(), part.found.end(), std::back_inserter(findings_->found));
        findings_->skipped += part.skipped;
    }
    admitNextSlice();
}

void Import::admitOwed() {
    if (ended_ || !owed_) return;
    owed_ = false;
    admitNextSlice();
}

void Import::abandon() {
    if (ended_) return;
    ended_ = true;
    stop_.request_stop();
    findings_.reset();
    if (Completion done = std::exchange(done_, {})) done({});
}

void Import::admitNextSlice() {
    if (ended_ || owed_) return;
    if (overtaken_) return end({});
    if (owner_.isExporting()) {
        // Still under way (its tombstones still matter) until the run's end admits the rest.
        owed_ = true;
        owner_.importOwed(shared_from_this());
        return;
    }
    const std::vector<Discovery::Found>& found = findings_->found;
    const std::size_t last = std::min(found.size(), next_ + filesPerSlice);
    std::vector<Admitted> cards;
    for (; next_ < last; ++next_) {
        const Discovery::Found& file = found[next_];
        std::string key = file.key.string();
        // A file dropped with its folder, or a link and its target, is one card, the first found.
        if (owner_.knows(key)) {
            // Once per file, however many paths named it.
            if (taken_.insert(key).second) ++alreadyInBatch_;
            continue;
        }
        if (tombstones_.contains(key) || !taken_.insert(key).second) continue;

        BatchItem item;
        item.id = QUuid::createUuid();
        item.url = file.url;
        item.displayName = QFile::decodeName(file.url.filename().c_str());
        item.stamp = file.stamp;
        item.pageCount = std::max<std::int64_t>(file.pageCount, 1);
        item.header = file.source;
        item.frameCount = std::max<std::int64_t>(file.frameCount, 1);
        cards.push_back(Admitted{std::move(key), std::move(item)});
    }
    added_ += static_cast<std::int64_t>(cards.size());
    if (!cards.empty()) owner_.importAdmits(std::move(cards));
    // The batch's observers may have cleared it, or let go of the import, meanwhile.
    if (ended_) return;
    if (next_ < found.size()) {
        postTo(QPointer<QObject>(context_), [import = weak_from_this()] {
            if (const std::shared_ptr<Import> alive = import.lock()) alive->admitNextSlice();
        });
        return;
    }
    if (discovering_) return;
    end(overtaken_ ? Result{} : Result{added_, findings_->skipped, alreadyInBatch_});
}

void Import::end(Result result) {
    ended_ = true;
    tombstones_.clear();
    taken_.clear();
    findings_.reset();
    // The owner may let go of the import here; what is left to do needs only the completion.
    Completion done = std::exchange(done_, {});
    owner_.importEnded(*this);
    if (done) done(result);
}

} // namespace pictavo
