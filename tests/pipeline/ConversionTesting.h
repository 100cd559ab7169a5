#pragma once
#include "ImageEngine/Pipeline/ConversionEngine.h"
#include "platform/pixels/Image.h"
#include "support/TemporaryFolder.h"

#include <array>
#include <filesystem>
#include <optional>
#include <set>
#include <string>

namespace pipeline_testing {

// The engine the application makes, over the standard registries.
const pictavo::ConversionEngine& standardEngine();

// What a user would ask for: the given format, original size, lossless, metadata kept,
// colour preserved, a white matte, no adjustments, "{name}.{format}".
pictavo::OutputSpec specFor(const pictavo::OutputFormat& format);

// The output written into the folder under its suggested name and read back by the
// engine's own decoders: the first page, or the largest picture of an icon file.
platform::ImageRef decodedOutput(const pictavo::ConversionResult& result, const testing_support::TemporaryFolder& folder);
// The same, once the result and the decoded picture are both found to be `size`; a failure
// of the test, thrown before any pixel is read, when either is not.
platform::ImageRef decodedOutput(const pictavo::ConversionResult& result, const testing_support::TemporaryFolder& folder,
                                 platform::Size size);

// Red, green, blue and alpha of a pixel (top-left origin) at 8 bits, whatever the image's
// depth, layout or premultiplication; grey gives three equal values.
std::array<int, 4> colourAt(const platform::Image& image, std::int64_t x, std::int64_t y);

// Whether each component is within `tolerance` of the expected one.
bool near(const std::array<int, 4>& actual, const std::array<int, 4>& expected, int tolerance);

inline const std::set<pictavo::MetadataPolicy> bothPolicies{pictavo::MetadataPolicy::keepAll,
                                                            pictavo::MetadataPolicy::strip};

// An optimiser that gives the answers it is handed and changes a file's length by a fixed
// amount (dropping bytes from its end, or padding it); without a change it cannot read the file.
class ResizingOptimiser : public pictavo::SourceOptimiser {
public:
    ResizingOptimiser(pictavo::OutputFormat format, std::set<pictavo::MetadataPolicy> policies,
                      std::optional<std::ptrdiff_t> change = 0, bool bakes = false)
        : format_(std::move(format)), policies_(std::move(policies)), change_(change), bakes_(bakes) {}
    pictavo::OutputFormat format() const override { return format_; }
    std::set<pictavo::MetadataPolicy> honouredMetadataPolicies() const override { return policies_; }
    bool bakesOrientationWithoutDecoding() const override { return bakes_; }
    platform::Bytes optimise(const platform::Bytes& source, pictavo::MetadataPolicy, std::uint32_t,
                             pictavo::EncodeEffort, std::uint64_t) const override;

private:
    pictavo::OutputFormat format_;
    std::set<pictavo::MetadataPolicy> policies_;
    std::optional<std::ptrdiff_t> change_;
    bool bakes_;
};

} // namespace pipeline_testing
