#pragma once
#include "ImageEngine/Pipeline/ConversionEngine.h"
#include "app/batch/Converting.h"

namespace pictavo {

// The conversion engine as an export run sees it.
class EngineConverting : public Converting {
public:
    explicit EngineConverting(const ConversionEngine& engine) : engine_(engine) {}

    std::future<ConversionResult> converted(const std::filesystem::path& source, const OutputSpec& spec,
                                            std::int64_t page, EncodeEffort effort,
                                            std::stop_token stop) const override {
        return engine_.converted(source, spec, page, effort, std::move(stop));
    }

private:
    const ConversionEngine& engine_;
};

} // namespace pictavo
