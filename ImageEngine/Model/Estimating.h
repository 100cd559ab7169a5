#pragma once
#include "ImageEngine/Model/Estimate.h"
#include "ImageEngine/Model/OutputSpec.h"

#include <cstdint>
#include <filesystem>
#include <future>
#include <stop_token>

namespace pictavo {

// Something that can tell how large a conversion's output would be, and what it would warn
// about, without writing anything.
//
// The future holds the estimate, or the conversion's error: a ConversionError, a file
// error, or platform::CancellationError once `stop` was requested. Never wait on it from
// the interface thread: a conversion can take seconds, and the window would freeze.
class Estimating {
public:
    virtual ~Estimating() = default;

    // `page` counts from 1.
    std::future<Estimate> estimate(const std::filesystem::path& source, const OutputSpec& spec, std::int64_t page,
                                   std::stop_token stop = {}) const {
        return startEstimate(source, spec, page, std::move(stop));
    }
    // The first page.
    std::future<Estimate> estimate(const std::filesystem::path& source, const OutputSpec& spec) const {
        return startEstimate(source, spec, 1, {});
    }

protected:
    // The spec is copied before this returns: the caller may change or drop its own at once.
    virtual std::future<Estimate> startEstimate(const std::filesystem::path& source, const OutputSpec& spec,
                                                std::int64_t page, std::stop_token stop) const = 0;
};

} // namespace pictavo
