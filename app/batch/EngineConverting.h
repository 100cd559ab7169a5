#pragma once
#include "ImageEngine/Pipeline/ConversionEngine.h"
#include "app/batch/Converting.h"

namespace pictavo {

// The conversion engine as the batch sees it.
class EngineConverting : public Converting {
public:
    explicit EngineConverting(const ConversionEngine& engine) : engine_(engine) {}

    void converted(const std::filesystem::path& source, const OutputSpec& spec, std::int64_t page,
                   EncodeEffort effort, std::stop_token stop, Completion done) const override {
        engine_.converted(source, spec, page, effort, std::move(stop), std::move(done));
    }
    OutputFormat::Resolution resolution(const ImageProperties& properties, const OutputSpec& spec,
                                        std::int64_t page) const override {
        return engine_.resolution(properties, spec, page);
    }
    const std::shared_ptr<PixelMemory>& pixelMemory() const override { return engine_.pixelMemory(); }

private:
    const ConversionEngine& engine_;
};

} // namespace pictavo
