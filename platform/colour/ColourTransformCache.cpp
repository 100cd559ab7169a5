#include "platform/colour/ColourTransformCache.h"

#include "platform/colour/LcmsProfile.h"

#include <functional>
#include <mutex>
#include <string_view>
#include <unordered_map>

namespace platform {
namespace {

struct Key {
    ColourSpaceRef source;
    ColourSpaceRef destination;
    std::uint32_t sourceFormat;
    std::uint32_t destinationFormat;

    bool operator==(const Key& other) const {
        return sourceFormat == other.sourceFormat && destinationFormat == other.destinationFormat &&
               (source == other.source || source->iccData() == other.source->iccData()) &&
               (destination == other.destination || destination->iccData() == other.destination->iccData());
    }
};

std::size_t hashOf(const Bytes& bytes) {
    return std::hash<std::string_view>()(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

struct KeyHash {
    std::size_t operator()(const Key& key) const {
        std::size_t hash = hashOf(key.source->iccData());
        hash = hash * 31 + hashOf(key.destination->iccData());
        hash = hash * 31 + key.sourceFormat;
        return hash * 31 + key.destinationFormat;
    }
};

struct Rendering {
    cmsUInt32Number intent;
    cmsUInt32Number flags;
};

constexpr Rendering colorimetric{INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_BLACKPOINTCOMPENSATION};

// How colours leave a space. Print (CMYK) and Lab profiles hold a table for each intent, and
// their header names the one their maker meant a picture to be seen through: perceptual for
// the common press profiles, which compresses the press's range into the screen's instead of
// clipping it, as colour-managed viewers show such files. Every other space, and a header
// naming an absolute or unknown intent (a screen has no paper to imitate), keeps relative
// colorimetric: it keeps every in-gamut colour exactly and maps the source white to the
// destination white, and matrix-shaper profiles have no perceptual tables to offer anyway.
// Black-point compensation goes with relative colorimetric, keeping shadow detail where the
// two blacks differ instead of clipping it.
Rendering renderingFrom(const ColourSpace& source, cmsHPROFILE profile) {
    if (source.model() == ColourModel::cmyk || source.model() == ColourModel::lab) {
        const cmsUInt32Number named = cmsGetHeaderRenderingIntent(profile);
        if (named == INTENT_PERCEPTUAL || named == INTENT_SATURATION) return {named, 0};
    }
    return colorimetric;
}

// A long session meets only a handful of profiles; the bound keeps a stream of unusual
// ones from growing the cache without end.
constexpr std::size_t maximumEntries = 64;

} // namespace

ColourTransform::~ColourTransform() { cmsDeleteTransform(handle_); }

void ColourTransform::apply(const void* input, void* output, std::size_t pixelCount) const {
    cmsDoTransform(handle_, input, output, static_cast<cmsUInt32Number>(pixelCount));
}

struct ColourTransformCache::State {
    std::mutex mutex;
    std::unordered_map<Key, ColourTransformRef, KeyHash> entries;
};

ColourTransformCache::ColourTransformCache() : state_(std::make_unique<State>()) {}
ColourTransformCache::~ColourTransformCache() = default;

ColourTransformCache& ColourTransformCache::shared() {
    static ColourTransformCache cache;
    return cache;
}

ColourTransformRef ColourTransformCache::transform(const ColourSpaceRef& source, std::uint32_t sourceFormat,
                                                   const ColourSpaceRef& destination,
                                                   std::uint32_t destinationFormat) {
    if (!source || !destination) return nullptr;
    Key key{source, destination, sourceFormat, destinationFormat};
    {
        std::lock_guard lock(state_->mutex);
        if (auto found = state_->entries.find(key); found != state_->entries.end()) return found->second;
    }

    // Made outside the lock: linking profiles can take milliseconds, and other threads
    // should not wait for a pair they do not need. Two threads may make the same transform
    // once; the first one stored wins.
    const LcmsProfile input = openLcmsProfile(source->iccData());
    const LcmsProfile output = openLcmsProfile(destination->iccData());
    if (!input || !output) return nullptr;
    const auto link = [&](const Rendering& rendering) {
        return cmsCreateTransform(input.get(), sourceFormat, output.get(), destinationFormat, rendering.intent,
                                  rendering.flags);
    };
    const Rendering named = renderingFrom(*source, input.get());
    void* handle = link(named);
    // A profile may name an intent it holds no table for, nor one lcms2 falls back on; it is
    // then rendered as any other source is.
    if (!handle && named.intent != colorimetric.intent) handle = link(colorimetric);
    if (!handle) return nullptr;
    ColourTransformRef made(new ColourTransform(handle));

    std::lock_guard lock(state_->mutex);
    if (state_->entries.size() >= maximumEntries) state_->entries.clear();
    return state_->entries.emplace(std::move(key), std::move(made)).first->second;
}

} // namespace platform
