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
    // Relative colorimetric keeps every in-gamut colour exactly and maps the source white
    // to the destination white, which is what a photo converted to sRGB should look like;
    // most matrix-shaper profiles have no perceptual tables, so perceptual would fall back
    // to it anyway. Black-point compensation keeps shadow detail when the source black is
    // not the destination's (CMYK print profiles), instead of clipping it.
    void* handle = cmsCreateTransform(input.get(), sourceFormat, output.get(), destinationFormat,
                                      INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_BLACKPOINTCOMPENSATION);
    if (!handle) return nullptr;
    ColourTransformRef made(new ColourTransform(handle));

    std::lock_guard lock(state_->mutex);
    if (state_->entries.size() >= maximumEntries) state_->entries.clear();
    return state_->entries.emplace(std::move(key), std::move(made)).first->second;
}

} // namespace platform
