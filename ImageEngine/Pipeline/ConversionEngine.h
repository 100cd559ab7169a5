#pragma once
#include "ImageEngine/Model/ConversionResult.h"
#include "ImageEngine/Model/EncodeOptions.h"
#include "ImageEngine/Model/ImageProperties.h"
#include "ImageEngine/Model/OutputFormat.h"
#include "ImageEngine/Model/OutputSpec.h"
#include "ImageEngine/Decoding/DecoderRegistry.h"
#include "ImageEngine/Encoding/EncoderRegistry.h"
#include "ImageEngine/Encoding/SourceOptimiserRegistry.h"
#include "ImageEngine/Running/JobOutcome.h"
#include "ImageEngine/Running/PixelMemory.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <unordered_set>

namespace pictavo {

// The one object through which the program converts images. It holds the three registries
// and nothing else, all constant, so any number of its operations may run at once from any
// thread. Conversions started through `converted` run as jobs of the shared encode executor;
// they hold the registries themselves, so a job still waiting when the engine goes away runs
// safely. An estimate is the same conversion at preview effort, of which only the byte count
// and the warnings are kept.
//
// Thread rule: any thread.
class ConversionEngine {
public:
    // Decoded pictures are held in `memory`, the process's own unless another is given.
    ConversionEngine(DecoderRegistry decoders, EncoderRegistry encoders, SourceOptimiserRegistry optimisers,
                     std::shared_ptr<PixelMemory> memory = PixelMemory::shared());

    const DecoderRegistry& decoders() const { return registries_->decoders; }
    const EncoderRegistry& encoders() const { return registries_->encoders; }
    const SourceOptimiserRegistry& optimisers() const { return registries_->optimisers; }
    const std::shared_ptr<PixelMemory>& pixelMemory() const { return memory_; }

    ImageProperties properties(const std::filesystem::path& source) const;
    // The format the conversion will really write. A concrete format is returned without
    // touching the file.
    OutputFormat resolvedFormat(const std::filesystem::path& source, const OutputSpec& spec, std::int64_t page) const;
    // What the conversion of this page writes, and the source's own type when same-as-source
    // had to fall back from it. Everything that names the written format asks here.
    OutputFormat::Resolution resolution(const ImageProperties& properties, const OutputSpec& spec,
                                        std::int64_t page) const;
    // Every format this source can be written as: the encoders' formats, and its own format
    // when it may be kept by re-optimising its bytes.
    std::unordered_set<std::string> writableIdentifiers(const ImageProperties& properties, const OutputSpec& spec,
                                                        std::int64_t page) const;
    // Every format some source can be written as: the encoders' formats, and each format
    // only re-optimised from its bytes whose optimiser can keep and strip metadata alike.
    std::unordered_set<std::string> writableIdentifiers() const;

    using Completion = std::function<void(JobOutcome<ConversionResult>)>;
    // One page converted as a job of the shared encode executor; `done` is handed the result
    // or the error on the thread that converted it, and must not throw. Asking `stop` to stop
    // ends the conversion at its next check with platform::CancellationError.
    void converted(const std::filesystem::path& source, const OutputSpec& spec, std::int64_t page,
                   EncodeEffort effort, std::stop_token stop, Completion done) const;
    // The conversion itself, on the calling thread.
    ConversionResult convert(const std::filesystem::path& source, const OutputSpec& spec, std::int64_t page,
                             EncodeEffort effort, std::stop_token stop = {}) const;

private:
    struct Registries {
        DecoderRegistry decoders;
        EncoderRegistry encoders;
        SourceOptimiserRegistry optimisers;
    };
    std::shared_ptr<const Registries> registries_;
    std::shared_ptr<PixelMemory> memory_;
};

} // namespace pictavo
