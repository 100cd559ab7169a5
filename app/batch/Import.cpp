#include "app/batch/Import.h"

#include "app/desktop/BackgroundWork.h"
#include "platform/base/MainThread.h"

#include <QFile>

#include <algorithm>
#include <utility>

namespace pictavo {

Import::Import(Owner& owner, QObject* context, QList<QUrl> urls, DecoderRegistry decoders, Completion done)
    : owner_(owner), context_(context), urls_(std::move(urls)), decoders_(std::move(decoders)), done_(std::move(done)) {}

void Import::start() {
    platform::assertMainThread();
    runInBackground(fileWorkPool(), [import = weak_from_this(), context = QPointer<QObject>(context_), urls = urls_,
                                     decoders = decoders_] {
        auto discovery = std::make_shared<Discovery>(Discovery::of(urls, decoders));
        postTo(context, [import, discovery] {
            if (const std::shared_ptr<Import> alive = import.lock()) alive->discovered(std::move(*discovery));
        });
    });
}

void Import::forget(const std::unordered_set<std::string>& keys) {
    if (ended_ || overtaken_) return;
    tombstones_.insert(keys.begin(), keys.end());
}

void Import::overtake() {
    overtaken_ = true;
    tombstones_.clear();
}

void Import::discovered(Discovery discovery) {
    if (ended_) return;
    if (overtaken_) {
        end({});
    } else if (owner_.isExporting()) {
        // Still under way (its tombstones still matter) until the run's end admits it.
        owed_ = std::move(discovery);
        owner_.importOwed(shared_from_this());
    } else {
        end(admit(discovery));
    }
}

void Import::admitOwed() {
    if (ended_ || !owed_) return;
    const Discovery owed = std::move(*owed_);
    owed_.reset();
    end(overtaken_ ? Result{} : admit(owed));
}

void Import::abandon() {
    if (ended_) return;
    ended_ = true;
    owed_.reset();
    if (Completion done = std::exchange(done_, {})) done({});
}

Import::Result Import::admit(const Discovery& discovery) {
    std::vector<Admitted> cards;
    // The same key twice in one discovery (a file dropped with its folder, a link and its
    // target) is one card, the first found.
    std::unordered_set<std::string> taken;
    for (const Discovery::Found& file : discovery.found) {
        std::string key = file.key.string();
        if (owner_.knows(key) || tombstones_.contains(key) || taken.contains(key)) continue;
        taken.insert(key);

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
    const auto added = static_cast<std::int64_t>(cards.size());
    if (added > 0) owner_.importAdmits(std::move(cards));
    return {added, discovery.skipped};
}

void Import::end(Result result) {
    ended_ = true;
    tombstones_.clear();
    // The owner may let go of the import here; what is left to do needs only the completion.
    Completion done = std::exchange(done_, {});
    owner_.importEnded(*this);
    if (done) done(result);
}

} // namespace pictavo
