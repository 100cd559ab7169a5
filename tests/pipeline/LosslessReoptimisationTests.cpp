#include "ConversionTesting.h"

#include "ImageEngine/Model/FormatOrdering.h"
#include "ImageEngine/Encoding/EncoderRegistry.h"
#include "ImageEngine/Encoding/LosslessReoptimisation.h"
#include "ImageEngine/Pipeline/WriteableFormats.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace pictavo;
using pipeline_testing::bothPolicies;
using pipeline_testing::ResizingOptimiser;
using LosslessReoptimisation::Ineligibility;

OutputSpec keeping(const OutputFormat& format, MetadataPolicy metadata = MetadataPolicy::keepAll) {
    auto spec = pipeline_testing::specFor(format);
    spec.metadata = metadata;
    return spec;
}

ImageProperties source(const platform::ContentType& type, std::uint32_t orientation = 1) {
    ImageProperties properties;
    properties.pixelWidth = 40;
    properties.pixelHeight = 30;
    properties.orientation = orientation;
    properties.sourceUTType = type;
    properties.byteCount = 1000;
    return properties;
}

SourceOptimiserRegistry registryLikeTheStandardOne() {
    return SourceOptimiserRegistry({
        std::make_shared<ResizingOptimiser>(OutputFormat::jpeg(), bothPolicies, 0, true),
        std::make_shared<ResizingOptimiser>(OutputFormat::png(), bothPolicies),
        std::make_shared<ResizingOptimiser>(OutputFormat(platform::ContentType::svg()), bothPolicies),
        std::make_shared<ResizingOptimiser>(OutputFormat::pdf(), std::set{MetadataPolicy::keepAll}),
    });
}

TEST(LosslessReoptimisation, TheFirstFailingTestOfTheSpecificationDecidesThenTheOptimiserMustCarryOutThePolicyAndTurn) {
    const auto jpeg = source(platform::ContentType::jpeg());
    const auto ineligibility = [](const OutputSpec& spec, const ImageProperties& source, std::int64_t page = 1) {
        return LosslessReoptimisation::ineligibility(spec, page, source);
    };
    OutputSpec spec = keeping(OutputFormat::jpeg());
    EXPECT_EQ(ineligibility(spec, jpeg), std::nullopt);
    EXPECT_TRUE(LosslessReoptimisation::wouldBeTheSameFile(spec, 1, jpeg));
    spec.colour = ColourPolicy::convertToSRGB;
    EXPECT_EQ(ineligibility(spec, jpeg), Ineligibility::colour);
    spec.sizing = ResizeSpec::percentage(0.5);
    EXPECT_EQ(ineligibility(spec, jpeg), Ineligibility::resize);
    spec.format = OutputFormat::png();
    EXPECT_EQ(ineligibility(spec, jpeg), Ineligibility::differentFormat);
    EXPECT_FALSE(LosslessReoptimisation::wouldBeTheSameFile(spec, 1, jpeg));

    spec = keeping(OutputFormat::jpeg());
    spec.quality = QualityMode::quality(80);
    EXPECT_EQ(ineligibility(spec, jpeg), Ineligibility::quality);
    spec = keeping(OutputFormat::jpeg());
    spec.adjustments.greyscale = true;
    EXPECT_EQ(ineligibility(spec, jpeg), Ineligibility::adjustments);
    spec = keeping(OutputFormat::jpeg());
    spec.adjustments.reorientation = Reorientation(0, true);
    EXPECT_EQ(ineligibility(spec, jpeg), Ineligibility::adjustments);
    // A full turn is no turn.
    spec.adjustments.reorientation = Reorientation(4, false);
    EXPECT_EQ(ineligibility(spec, jpeg), std::nullopt);

    // Pages, frames and missing types are not the same file.
    auto gif = source(platform::ContentType::gif());
    gif.frameCount = 12;
    EXPECT_EQ(ineligibility(keeping(OutputFormat::gif()), gif), Ineligibility::animated);
    auto pdf = source(platform::ContentType::pdf());
    EXPECT_EQ(ineligibility(keeping(OutputFormat::pdf()), pdf, 2), Ineligibility::multiPage);
    pdf.pageCount = 3;
    EXPECT_EQ(ineligibility(keeping(OutputFormat::pdf()), pdf), Ineligibility::multiPage);
    auto unknown = source(platform::ContentType::png());
    unknown.sourceUTType.reset();
    EXPECT_EQ(ineligibility(keeping(OutputFormat::png()), unknown), Ineligibility::differentFormat);
    // Same as source is a request to resolve, never the source's own format.
    EXPECT_EQ(ineligibility(keeping(OutputFormat::sameAsSource()), source(platform::ContentType::png())),
              Ineligibility::differentFormat);

    const auto registry = registryLikeTheStandardOne();
    const auto checked = [&](const OutputSpec& spec, const ImageProperties& source) {
        return LosslessReoptimisation::check(spec, 1, source, registry);
    };
    const auto onePage = source(platform::ContentType::pdf());
    EXPECT_EQ(checked(keeping(OutputFormat::pdf(), MetadataPolicy::strip), onePage), Ineligibility::metadata);
    EXPECT_EQ(checked(keeping(OutputFormat::pdf()), onePage), std::nullopt);
    EXPECT_EQ(checked(keeping(OutputFormat::jpeg(), MetadataPolicy::strip), source(platform::ContentType::jpeg(), 6)),
              std::nullopt);
    const auto turnedPNG = source(platform::ContentType::png(), 6);
    EXPECT_EQ(checked(keeping(OutputFormat::png(), MetadataPolicy::strip), turnedPNG), Ineligibility::orientation);
    EXPECT_EQ(checked(keeping(OutputFormat::png()), turnedPNG), std::nullopt);

    const auto tiff = source(platform::ContentType::tiff());
    EXPECT_EQ(checked(keeping(OutputFormat::tiff()), tiff), Ineligibility::noOptimiser);
    // The specification's own reasons come before the optimiser's.
    spec = keeping(OutputFormat::tiff());
    spec.colour = ColourPolicy::convertToSRGB;
    EXPECT_EQ(checked(spec, tiff), Ineligibility::colour);
}

std::vector<std::string> ids(const std::vector<OutputFormat>& formats) {
    std::vector<std::string> result;
    for (const auto& format : formats) result.push_back(format.id());
    return result;
}

TEST(SourceOptimiserRegistry, FindsTheLastOptimiserOfAFormatAndListsTheFormatsThatHonourAPolicyInOrder) {
    auto first = std::make_shared<ResizingOptimiser>(OutputFormat::png(), std::set{MetadataPolicy::keepAll});
    auto second = std::make_shared<ResizingOptimiser>(OutputFormat::png(), std::set{MetadataPolicy::strip});
    const SourceOptimiserRegistry pair({first, second});
    EXPECT_EQ(pair.optimiser(OutputFormat::png()), second);
    EXPECT_EQ(pair.optimiser(OutputFormat::jpeg()), nullptr);
    EXPECT_EQ(pair.optimiser(OutputFormat::sameAsSource()), nullptr);
    EXPECT_EQ(ids(pair.formats(MetadataPolicy::strip)), std::vector<std::string>{"public.png"});
    EXPECT_TRUE(pair.formats(MetadataPolicy::keepAll).empty());

    const auto registry = registryLikeTheStandardOne();
    auto keepAll = ids(registry.formats(MetadataPolicy::keepAll));
    std::sort(keepAll.begin(), keepAll.end());
    EXPECT_EQ(keepAll, (std::vector<std::string>{"com.adobe.pdf", "public.jpeg", "public.png", "public.svg-image"}));
    auto strip = ids(registry.formats(MetadataPolicy::strip));
    std::sort(strip.begin(), strip.end());
    EXPECT_EQ(strip, (std::vector<std::string>{"public.jpeg", "public.png", "public.svg-image"}));
    EXPECT_EQ(ids(registry.supportedFormats()),
              (std::vector<std::string>{"public.jpeg", "com.adobe.pdf", "public.png", "public.svg-image"}));

    // Formats are ordered by label, then by identifier.
    const auto sorted = sortedByDisplayName({OutputFormat::sameAsSource(), OutputFormat::png(),
                                             OutputFormat::jpeg2000(), OutputFormat::webp(), OutputFormat::jpeg(),
                                             OutputFormat::avif()});
    std::vector<std::string> labels;
    for (const auto& format : sorted) labels.push_back(format.displayName());
    // Case-sensitive scalar order: "WebP" after "Same as source", "JPEG" before "JPEG 2000".
    EXPECT_EQ(labels, (std::vector<std::string>{"AVIF", "JPEG", "JPEG 2000", "PNG", "Same as source", "WebP"}));
}

TEST(WriteableFormats, AreWhatTheStandardEncodersWriteAndWhatTheirOptimisersKeepAndStrip) {
    const auto writeable = pipeline_testing::standardEngine().writableIdentifiers();
    EXPECT_FALSE(writeable.count(std::string(OutputFormat::sameAsSourceMarker)));
    const auto encoders = EncoderRegistry::standard();
    for (const auto& format : encoders.formats()) EXPECT_TRUE(writeable.count(format.id())) << format.id();
    const auto optimisers = SourceOptimiserRegistry::standard();
    for (const auto& format : optimisers.supportedFormats()) {
        const auto policies = optimisers.optimiser(format)->honouredMetadataPolicies();
        const bool both = policies.count(MetadataPolicy::keepAll) && policies.count(MetadataPolicy::strip);
        EXPECT_EQ(writeable.count(format.id()) > 0, encoders.hasEncoder(format) || both) << format.id();
    }
    for (const auto& id : writeable) {
        const auto type = platform::ContentType::withIdentifier(id);
        ASSERT_TRUE(type) << id;
        const OutputFormat format(*type);
        EXPECT_TRUE(encoders.hasEncoder(format) || optimisers.optimiser(format)) << id;
    }
}

} // namespace
