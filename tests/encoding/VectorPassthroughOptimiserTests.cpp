#include "ImageEngine/Encoding/SourceOptimiserRegistry.h"
#include "ImageEngine/Encoding/vector/VectorPassthroughOptimiser.h"
#include "ImageEngine/Minify/CannotStrip.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>

#include <string>

using namespace pictavo;

namespace {

platform::Bytes bytesOf(const std::string& text) { return platform::Bytes(text.begin(), text.end()); }

const OutputFormat svg{platform::ContentType::svg()};

TEST(VectorPassthroughOptimiser, TheStandardRegistryKeepsPDFAsItIsAndCutsSVGMetadataOnlyWhenAsked) {
    const auto registry = SourceOptimiserRegistry::standard();
    const auto forSVG = registry.optimiser(svg);
    const auto forPDF = registry.optimiser(OutputFormat::pdf());
    ASSERT_TRUE(forSVG && forPDF);
    EXPECT_EQ(forSVG->honouredMetadataPolicies(), (std::set{MetadataPolicy::keepAll, MetadataPolicy::strip}));
    EXPECT_EQ(forPDF->honouredMetadataPolicies(), std::set{MetadataPolicy::keepAll});
    EXPECT_FALSE(forSVG->bakesOrientationWithoutDecoding());

    const auto anything = bytesOf("%PDF-1.4 whatever <metadata/> \x01\x02");
    for (auto policy : {MetadataPolicy::keepAll, MetadataPolicy::strip}) EXPECT_EQ(forPDF->optimise(anything, policy, 6), anything);
    EXPECT_EQ(forSVG->optimise(anything, MetadataPolicy::keepAll, 1), anything);

    const auto withMetadata = bytesOf("<svg xmlns=\"http://www.w3.org/2000/svg\">\n  <metadata>m</metadata>\n  <rect/>\n</svg>");
    EXPECT_EQ(forSVG->optimise(withMetadata, MetadataPolicy::keepAll, 1), withMetadata);
    EXPECT_EQ(forSVG->optimise(withMetadata, MetadataPolicy::strip, 1),
              bytesOf("<svg xmlns=\"http://www.w3.org/2000/svg\">\n  <rect/>\n</svg>"));
    const auto without = bytesOf("<svg xmlns=\"http://www.w3.org/2000/svg\"><rect/></svg>");
    EXPECT_EQ(forSVG->optimise(without, MetadataPolicy::strip, 1), without);
    const auto unresolved = testing_support::thrown<SVGMetadata::CannotStrip>([&] {
        forSVG->optimise(bytesOf("<!DOCTYPE svg [ <!ENTITY a 'x'> ]><svg><metadata/>&b;</svg>"), MetadataPolicy::strip, 1);
    });
    ASSERT_TRUE(unresolved);
    EXPECT_EQ(unresolved->reason(), "an entity this does not resolve: &b;");
}

TEST(VectorPassthroughOptimiser, APassThroughThatStripsNothingNeverStrips) {
    const VectorPassthroughOptimiser keeping(svg, {MetadataPolicy::keepAll}, VectorPassthroughOptimiser::Stripping::nothing);
    const auto withMetadata = bytesOf("<svg><metadata/></svg>");
    EXPECT_EQ(keeping.optimise(withMetadata, MetadataPolicy::strip, 1), withMetadata);
}

} // namespace
