#include "ImageEngine/Core/MetadataStage.h"

#include <gtest/gtest.h>

using namespace pictavo;

namespace {

ImageProperties withMetadata() {
    ImageProperties properties;
    properties.orientation = 6;
    platform::PropertyMap dictionary;
    dictionary[platform::keys::orientation] = std::int64_t{6};
    properties.preserved = PreservedProperties(dictionary);
    return properties;
}

} // namespace

TEST(MetadataStage, KeepsTheSourceMetadataOnlyUnderKeepAllAndAlwaysDeclaresUpright) {
    const auto source = withMetadata();
    const auto kept = MetadataStage::options(MetadataPolicy::keepAll, source, 80, EncodeEffort::final);
    ASSERT_TRUE(kept.preserved);
    EXPECT_EQ(kept.preserved->dictionary, source.preserved->dictionary);
    EXPECT_EQ(kept.orientation, 1u);
    EXPECT_EQ(kept.quality, 80);
    EXPECT_EQ(kept.effort, EncodeEffort::final);
    EXPECT_EQ(kept.metadata, MetadataPolicy::keepAll);

    const auto stripped = MetadataStage::options(MetadataPolicy::strip, source, std::nullopt, EncodeEffort::preview);
    EXPECT_FALSE(stripped.preserved);
    EXPECT_FALSE(stripped.quality);
    EXPECT_EQ(stripped.orientation, 1u);
    EXPECT_EQ(stripped.effort, EncodeEffort::preview);
    EXPECT_EQ(stripped.metadata, MetadataPolicy::strip);
}
