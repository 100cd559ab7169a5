#pragma once
#include "ImageEngine/Model/OutputSpec.h"
#include "app/batch/BatchItem.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace pictavo {

// What an estimate depends on: the card's file as admitted, its page, the specification
// without its name pattern (renaming never costs an estimate) and the file's stamp (an
// edited file misses).
struct EstimateCacheKey {
    std::filesystem::path url;
    std::int64_t page = 1;
    OutputSpec identity;
    BatchItem::SourceStamp stamp;
    friend bool operator==(const EstimateCacheKey&, const EstimateCacheKey&) = default;

    // The key of the card's estimate under `spec`.
    static EstimateCacheKey of(const BatchItem& item, const OutputSpec& spec) {
        return EstimateCacheKey{item.url, item.page, spec.encodingIdentity(), item.stamp};
    }
};

struct EstimateCacheKeyHash {
    std::size_t operator()(const EstimateCacheKey& key) const;
};

} // namespace pictavo
