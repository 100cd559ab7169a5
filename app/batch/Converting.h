#pragma once
#include "ImageEngine/Model/ConversionResult.h"
#include "ImageEngine/Model/EncodeEffort.h"
#include "ImageEngine/Model/ImageProperties.h"
#include "ImageEngine/Model/OutputFormat.h"
#include "ImageEngine/Model/OutputSpec.h"
#include "ImageEngine/Running/JobOutcome.h"
#include "ImageEngine/Running/PixelMemory.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <stop_token>

namespace pictavo {

// What the batch needs of the conversion engine, for its estimates (at preview effort) and
// its exports and dragged cards (at final effort): one page converted as a job of the shared
// encode executor, its result (or error, or platform::CancellationError once `stop` was
// asked to stop) handed to `done` on the thread that converted it. `done` must not throw.
// And, for failure reports, the format a conversion of a source writes.
//
// Thread rule: any thread.
class Converting {
public:
    using Completion = std::function<void(JobOutcome<ConversionResult>)>;

    virtual ~Converting() = default;
    virtual void converted(const std::filesystem::path& source, const OutputSpec& spec, std::int64_t page,
                           EncodeEffort effort, std::stop_token stop, Completion done) const = 0;
    virtual OutputFormat::Resolution resolution(const ImageProperties& properties, const OutputSpec& spec,
                                                std::int64_t page) const = 0;
    // The memory the conversions are held in, where reading a file for its header is held too.
    virtual const std::shared_ptr<PixelMemory>& pixelMemory() const = 0;
};

} // namespace pictavo
