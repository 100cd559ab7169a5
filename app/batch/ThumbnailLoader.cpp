#include "app/batch/ThumbnailLoader.h"

#include "ImageEngine/Decoding/SourceFile.h"
#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Stages/AdjustmentStage.h"
#include "ImageEngine/Stages/OrientationStage.h"
#include "ImageEngine/Stages/Redraw.h"
#include "app/batch/LongRead.h"
#include "app/desktop/BackgroundWork.h"
#include "platform/base/MainThread.h"
#include "platform/text/TextFormat.h"

#include <QMutex>
#include <QMutexLocker>
#include <QPointer>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace pictavo {

namespace fs = std::filesystem;

namespace {

// Seconds between the Unix epoch and 2001-01-01 00:00:00 UTC, the reference date of the key.
constexpr std::int64_t referenceDateOffset = 978'307'200;

struct Waiter {
    QPointer<QObject> context;
    ThumbnailLoader::Delivery done;
};

// The sides scaled so that the longer one is at most `longest`, each at least one pixel.
std::pair<std::int64_t, std::int64_t> fitted(double width, double height, int longest, bool enlarge) {
    double scale = static_cast<double>(longest) / std::max(width, height);
    if (!enlarge) scale = std::min(scale, 1.0);
    return {std::max<std::int64_t>(std::llround(width * scale), 1), std::max<std::int64_t>(std::llround(height * scale), 1)};
}

// The page decoded for a preview whose longer side is at most `longest`, at a reduced size
// where the format allows, so that a picture larger than one conversion's share still has one;
// a page the file does not have falls back to its first.
DecodedImage decodePage(const ImageDecoder& decoder, const fs::path& url, std::int64_t page, int longest,
                        const std::shared_ptr<PixelMemory>& memory, std::stop_token stop,
                        PixelMemory::Precedence precedence) {
    DecodeRequest request;
    request.page = std::max<std::int64_t>(page, 1);
    request.memory = memory;
    request.stop = std::move(stop);
    request.precedence = precedence;
    request.drawnSize = [longest](const ImageProperties& properties) -> std::optional<PixelDimensions> {
        // A drawing is drawn at the preview's size, small ones enlarged.
        const auto [width, height] = fitted(static_cast<double>(properties.pixelWidth),
                                            static_cast<double>(properties.pixelHeight), longest, properties.isVector);
        return PixelDimensions{width, height};
    };
    try {
        return decoder.decodeFor(url, request);
    } catch (const ConversionError& error) {
        if (request.page == 1 || !error.get<ConversionError::PageOutOfRange>()) throw;
        request.page = 1;
        return decoder.decodeFor(url, request);
    }
}

// Whether the picture belongs on the lane of long reads, from its length and its header's sides.
bool readsLong(const ThumbnailLoader::Request& request) {
    if (request.stamp.byteCount > LongRead::largeFileBytes) return true;
    try {
        return LongRead::of(storedSidesInHeader(request.url, request.page), request.stamp.byteCount);
    } catch (const std::exception&) {
        return false; // the read that makes the preview fails as well, at once
    }
}

// Previews being made, waiting for memory or not.
std::atomic<int> previewsUnderWay = 0;

QThreadPool* onePreviewAtATime() {
    auto* made = new QThreadPool;
    made->setMaxThreadCount(1);
    return made;
}

bool isDisplayReady(const platform::Image& image) {
    return image.bitsPerComponent() == 8 && image.componentsPerPixel() == 4 &&
           image.alphaInfo() == platform::AlphaInfo::premultipliedLast && image.colourSpace() &&
           image.colourSpace()->isSRGB();
}

platform::ImageRef displayReady(const platform::ImageRef& image, std::int64_t width, std::int64_t height) {
    if (!image) return nullptr;
    if (isDisplayReady(*image) && image->width() == width && image->height() == height) return image;
    return redrawn(image, width, height, platform::ColourSpace::sRGB(), platform::BitmapLayout::premultipliedLast);
}

QImage toQImage(const platform::Image& image) {
    QImage result(static_cast<int>(image.width()), static_cast<int>(image.height()),
                  QImage::Format_RGBA8888_Premultiplied);
    if (result.isNull()) return {};
    const std::size_t rowBytes = static_cast<std::size_t>(image.width()) * 4;
    for (std::int64_t y = 0; y < image.height(); ++y) {
        std::memcpy(result.scanLine(static_cast<int>(y)), image.row(y), rowBytes);
    }
    return result;
}

} // namespace

struct ThumbnailLoader::State {
    struct Entry {
        QImage image;
        ThumbnailSource source;
        std::int64_t bytes = 0;
        std::uint64_t lastUsed = 0;
    };

    mutable QMutex lock;
    std::unordered_map<QString, Entry> cache;
    std::int64_t cachedBytes = 0;
    std::uint64_t clock = 0;
    std::unordered_set<ThumbnailSource> kept;
    // The key each source was last asked for: its current variant.
    std::unordered_map<fs::path, QString> current;
    std::unordered_map<QString, std::vector<Waiter>> waiting;
    const DecoderRegistry decoders = DecoderRegistry::standard();
    std::shared_ptr<PixelMemory> memory;
    // Asked when the loader goes, so that a preview waiting for memory gives up.
    std::stop_source stopping;

    bool spared(const QString& key, const Entry& entry) const {
        if (!kept.count(entry.source)) return false;
        const auto now = current.find(entry.source.path);
        return now != current.end() && now->second == key;
    }

    // Under the lock.
    void evict(const std::optional<QString>& protectedKey) {
        while (cachedBytes > byteBudget) {
            auto victim = cache.end();
            for (auto entry = cache.begin(); entry != cache.end(); ++entry) {
                if (protectedKey && entry->first == *protectedKey) continue;
                if (spared(entry->first, entry->second)) continue;
                if (victim == cache.end() || entry->second.lastUsed < victim->second.lastUsed) victim = entry;
            }
            if (victim == cache.end()) return;
            cachedBytes -= victim->second.bytes;
            cache.erase(victim);
        }
    }

    // Under the lock; the key is not present.
    void insert(const QString& key, const QImage& image, const ThumbnailSource& source, std::uint64_t used) {
        const std::int64_t bytes = static_cast<std::int64_t>(image.bytesPerLine()) * image.height();
        cache.emplace(key, Entry{image, source, bytes, used});
        cachedBytes += bytes;
        evict(key);
    }
};

ThumbnailLoader::ThumbnailLoader(QObject* parent, std::shared_ptr<PixelMemory> memory)
    : QObject(parent), state_(std::make_shared<State>()) {
    state_->memory = std::move(memory);
}

ThumbnailLoader::~ThumbnailLoader() { state_->stopping.request_stop(); }

// Never destroyed: a preview may still be being made when the application object goes.
QThreadPool& ThumbnailLoader::pool() {
    static QThreadPool* const pool = onePreviewAtATime();
    return *pool;
}

QThreadPool& ThumbnailLoader::largePool() {
    static QThreadPool* const pool = onePreviewAtATime();
    return *pool;
}

void ThumbnailLoader::dropQueuedPreviews() {
    pool().clear();
    largePool().clear();
}

bool ThumbnailLoader::previewsRunning() { return previewsUnderWay > 0; }

QString ThumbnailLoader::keyText(const Request& request) {
    const Reorientation& turn = request.adjustments.reorientation;
    QString tag = QStringLiteral("t") + QString::number(turn.quarterTurns());
    if (turn.mirrored()) tag += QLatin1Char('m');
    if (request.adjustments.greyscale) tag += QLatin1Char('g');
    std::string modified = "-1.0";
    if (request.stamp.modifiedNanoseconds) {
        const double seconds =
            static_cast<double>(*request.stamp.modifiedNanoseconds - referenceDateOffset * 1'000'000'000LL) / 1e9;
        modified = platform::doubleText(seconds);
    }
    return QString::fromStdString(sourceOf(request).path.string()) + QStringLiteral("#p") +
           QString::number(request.page) + QLatin1Char('#') + QString::number(request.maxPixelSize) +
           QLatin1Char('#') + tag + QLatin1Char('#') + QString::number(request.stamp.byteCount) + QLatin1Char('@') +
           QString::fromStdString(modified);
}

ThumbnailLoader::Request ThumbnailLoader::requestFor(const BatchItem& item, const Adjustments& adjustments,
                                                     int maxPixelSize) {
    if (const auto* exported = std::get_if<BatchItem::Exported>(&item.state); exported && item.originalWasReplaced) {
        // The original is in the Trash; only one page of one picture ever replaces one.
        return Request{exported->url, 1, maxPixelSize, Adjustments::none(), exported->stamp};
    }
    return Request{item.url, item.page, maxPixelSize, adjustments, item.stamp};
}

ThumbnailSource ThumbnailLoader::sourceOf(const Request& request) {
    return ThumbnailSource{fs::absolute(request.url).lexically_normal(), request.stamp};
}

void ThumbnailLoader::thumbnail(const Request& request, QObject* context, Delivery done) {
    platform::assertMainThread();
    const QString key = keyText(request);
    const ThumbnailSource source = sourceOf(request);
    std::uint64_t used = 0;
    {
        QMutexLocker locker(&state_->lock);
        used = ++state_->clock;
        state_->current[source.path] = key;
        if (const auto hit = state_->cache.find(key); hit != state_->cache.end()) {
            hit->second.lastUsed = used;
            const QImage image = hit->second.image;
            locker.unlock();
            done(image);
            return;
        }
        auto& waiters = state_->waiting[key];
        waiters.push_back(Waiter{QPointer<QObject>(context), std::move(done)});
        if (waiters.size() > 1) return;
    }
    auto work = [state = state_, request, key, source, used](QThreadPool& lane, PixelMemory::Precedence precedence) {
        ++previewsUnderWay;
        QImage image;
        if (readSourceStamp(request.url) == request.stamp) {
            // A preview waiting for memory lets the lane make the next meanwhile.
            const PixelMemory::LendingWhileWaiting lending([&lane] { lane.releaseThread(); },
                                                           [&lane] { lane.reserveThread(); });
            image = make(state->decoders, request, state->memory, state->stopping.get_token(), precedence);
            // A file changed while it was read makes no preview of either version.
            if (readSourceStamp(request.url) != request.stamp) image = QImage();
        }
        std::vector<Waiter> waiters;
        {
            QMutexLocker locker(&state->lock);
            if (!image.isNull() && !state->cache.count(key)) state->insert(key, image, source, used);
            if (auto entry = state->waiting.find(key); entry != state->waiting.end()) {
                waiters = std::move(entry->second);
                state->waiting.erase(entry);
            }
        }
        for (Waiter& waiter : waiters) {
            postTo(waiter.context, [image, done = std::move(waiter.done)] { done(image); });
        }
        --previewsUnderWay;
    };
    // A small picture's preview is held in memory before the conversions waiting, as its read
    // is short; a large one's waits in turn, as a conversion would.
    pool().start([work = std::move(work), request] {
        if (readsLong(request)) largePool().start([work] { work(largePool(), PixelMemory::Precedence::inTurn); });
        else work(pool(), PixelMemory::Precedence::first);
    });
}

void ThumbnailLoader::keep(std::unordered_set<ThumbnailSource> sources) {
    platform::assertMainThread();
    QMutexLocker locker(&state_->lock);
    state_->kept = std::move(sources);
    state_->evict(std::nullopt);
}

std::int64_t ThumbnailLoader::cachedBytes() const {
    QMutexLocker locker(&state_->lock);
    return state_->cachedBytes;
}

std::size_t ThumbnailLoader::entryCount() const {
    QMutexLocker locker(&state_->lock);
    return state_->cache.size();
}

bool ThumbnailLoader::holds(const QString& key) const {
    QMutexLocker locker(&state_->lock);
    return state_->cache.count(key) > 0;
}

QImage ThumbnailLoader::make(const DecoderRegistry& decoders, const Request& request,
                             const std::shared_ptr<PixelMemory>& memory, std::stop_token stop,
                             PixelMemory::Precedence precedence) {
    try {
        const ImageDecoderRef decoder = decoders.decoder(request.url);
        const DecodedImage decoded = decodePage(*decoder, request.url, request.page, request.maxPixelSize, memory,
                                                std::move(stop), precedence);
        platform::ImageRef picture;
        if (const auto* raster = decoded.asRaster()) {
            // Scaled first, so that turning upright moves only the preview's pixels.
            const auto [width, height] = fitted(static_cast<double>(raster->image->width()),
                                                static_cast<double>(raster->image->height()), request.maxPixelSize, false);
            picture = displayReady(raster->image, width, height);
            if (!picture) return {};
            picture = OrientationStage::normalise(picture, raster->properties.orientation);
        } else if (const auto* vector = decoded.asVector()) {
            const platform::Size size = vector->source->intrinsicSize();
            if (!(size.width > 0) || !(size.height > 0)) return {};
            // A vector is drawn at the preview's size, small ones enlarged.
            const auto [width, height] = fitted(size.width, size.height, request.maxPixelSize, true);
            picture = vector->source->render(static_cast<double>(width), static_cast<double>(height));
        }
        if (!picture) return {};
        const Reorientation& turn = request.adjustments.reorientation;
        if (!turn.isIdentity()) picture = AdjustmentStage::reorient(picture, turn);
        if (request.adjustments.greyscale) picture = AdjustmentStage::greyscale(picture, false);
        picture = displayReady(picture, picture->width(), picture->height());
        if (!picture) return {};
        return toQImage(*picture);
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace pictavo
