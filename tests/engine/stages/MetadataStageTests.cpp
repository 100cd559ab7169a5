#include "ImageEngine/Stages/MetadataStage.h"

#include <gtest/gtest.h>

using namespace pictavo;

TEST(MetadataStage, KeepsTheSourceMetadataOnlyUnderKeepAllAndAlwaysDeclaresUpright) {
    ImageProperties source;
    source.orientation = 6;
    source.preserved = PreservedProperties(platform::PropertyMap{{platform::keys::orientation, std::int64_t{6}}});
    const auto kept = MetadataStage(MetadataPolicy::keepAll, source).options(80, EncodeEffort::final);
    ASSERT_TRUE(kept.preserved);
    EXPECT_EQ(kept.preserved->dictionary, source.preserved->dictionary);
    EXPECT_EQ(kept.orientation, 1u);
    EXPECT_EQ(kept.quality, 80);
    EXPECT_EQ(kept.effort, EncodeEffort::final);

    const auto stripped = MetadataStage(MetadataPolicy::strip, source).options(std::nullopt, EncodeEffort::preview);
    EXPECT_FALSE(stripped.preserved);
    EXPECT_EQ(stripped.orientation, 1u);
    EXPECT_EQ(stripped.effort, EncodeEffort::preview);
    EXPECT_EQ(stripped.metadata, MetadataPolicy::strip);
}
