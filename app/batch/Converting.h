#pragma once
#include "ImageEngine/Model/ConversionResult.h"
#include "ImageEngine/Model/EncodeEffort.h"
#include "ImageEngine/Model/OutputSpec.h"

#include <cstdint>
#include <filesystem>
#include <future>
#include <stop_token>

namespace pictavo {

// What an export run needs of the conversion engine: one page converted as a job of the
// shared encode executor, its result (or error, or platform::CancellationError once `stop`
// was asked to stop) arriving through the future. Never waited on from the interface thread.
class Converting {
public:
    virtual ~Converting() = default;
    virtual std::future<ConversionResult> converted(const std::filesystem::path& source, const OutputSpec& spec,
                                                    std::int64_t page, EncodeEffort effort,
                                                    std::stop_token stop) const = 0;
};

} // namespace pictavo
