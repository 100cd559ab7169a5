#pragma once
#include "ImageEngine/Decoding/DecoderRegistry.h"
#include "ImageEngine/Model/Adjustments.h"
#include "ImageEngine/Running/PixelMemory.h"
#include "app/batch/BatchItem.h"
#include "app/batch/ThumbnailSource.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <stop_token>
#include <unordered_set>

namespace pictavo {

// The previews of a window's cards, made off the main thread and kept in a memory cache
// bounded by a byte budget. A preview shows the page as the export turns it: upright, with
// the batch's turn, mirror and greyscale applied.
//
// The budget is soft: eviction spares the entry just made and the current preview of every
// kept source (a card whose file can no longer make it again). Only a source's current
// variant is spared, so turning or paging through a kept card cannot grow the cache for ever.
class ThumbnailLoader : public QObject {
    Q_OBJECT

public:
    static constexpr std::int64_t byteBudget = 134'217'728;

    struct Request {
        std::filesystem::path url;
        // Counted from 1; a page the file does not have shows its first.
        std::int64_t page = 1;
        int maxPixelSize = 256;
        Adjustments adjustments;
        BatchItem::SourceStamp stamp;
    };
    using Delivery = std::function<void(const QImage&)>;

    // Previews are held in the memory conversions are held in, which also bounds the largest
    // picture one is read from.
    explicit ThumbnailLoader(QObject* parent = nullptr, std::shared_ptr<PixelMemory> memory = PixelMemory::shared());
    ~ThumbnailLoader() override;

    // What a card's preview is made from: its source's page, turned as the batch turns it; or,
    // once its original was replaced, the file that took the original's place, as it was
    // written, which holds the turn already and is what the card now stands for.
    static Request requestFor(const BatchItem& item, const Adjustments& adjustments, int maxPixelSize);

    // "path#p<page>#<max>#t<turns>[m][g]#<bytes>@<seconds since 2001, or -1.0>".
    static QString keyText(const Request& request);
    static ThumbnailSource sourceOf(const Request& request);

    // A cached preview is handed to `done` before this returns and touches no file.
    // Otherwise it is made on a pool thread (once, however many ask for it meanwhile) and
    // handed to `done` on the main thread, unless `context` has gone by then. A null image
    // says that none can be made: the file is unreadable, too large to decode, or no longer
    // the version the stamp describes. Failures are not cached. Main thread only.
    void thumbnail(const Request& request, QObject* context, Delivery done);

    // The sources whose current preview eviction spares; evicts at once. Main thread only.
    void keep(std::unordered_set<ThumbnailSource> sources);

    std::int64_t cachedBytes() const;
    std::size_t entryCount() const;
    bool holds(const QString& key) const;

    // The threads previews are made on, one at a time each, beside the conversions that keep
    // the processors busy: every preview starts on the first, which hands a picture that reads
    // long (LongRead: a large one, one in a long file, one whose sides its header does not
    // give) on to the second, so that no photo's preview waits behind a panorama's. The first's
    // previews are held in memory before the conversions waiting there. A preview waiting for
    // memory lends its thread to the next of its lane until it has it.
    static QThreadPool& pool();
    static QThreadPool& largePool();
    // Previews not started are dropped, in both.
    static void dropQueuedPreviews();
    // Whether a preview is being made, or waits for memory, in either.
    static bool previewsRunning();

    // The preview itself, made on the calling thread; null when none can be made. A picture
    // is read at a reduced size whatever its size, held in `memory` (waiting there with the
    // precedence given until `stop` is asked), and refused before any pixel is read only when
    // even that is more than the memory holds.
    static QImage make(const DecoderRegistry& decoders, const Request& request,
                       const std::shared_ptr<PixelMemory>& memory, std::stop_token stop = {},
                       PixelMemory::Precedence precedence = PixelMemory::Precedence::inTurn);

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace pictavo
