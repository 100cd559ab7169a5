#include "platform/metadata/JPEGPictures.h"

#include "support/JPEGSamples.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

platform::ByteView view(const platform::Bytes& bytes) { return platform::ByteView(bytes.data(), bytes.size()); }

// Data after the picture may hold what looks like markers, a start of image among them.
TEST(JPEGPictures, TheFirstPictureEndsAtItsOwnEndOfImageWhateverItsScansAndWhateverFollows) {
    const platform::Bytes tail = bytesOf("\xFF\xD8\xFF\xE1 not a picture \xFF\xD9");
    for (const JPEGKind kind : {JPEGKind::sequential, JPEGKind::progressive, JPEGKind::grey}) {
        platform::Bytes file = makeJpeg(33, 17, 95, kind);
        const std::size_t picture = file.size();
        file.insert(file.end(), tail.begin(), tail.end());
        EXPECT_EQ(platform::jpegFirstPictureLength(view(file)), picture);
        const auto following = platform::jpegFollowing(view(file));
        ASSERT_TRUE(following);
        EXPECT_EQ(std::pair(following->bytes, following->pictures), std::pair(tail.size(), std::int64_t{0}));
        EXPECT_FALSE(platform::jpegFollowing(view(makeJpeg(33, 17, 95, kind))));
        EXPECT_FALSE(platform::jpegFirstPictureLength(platform::ByteView(file.data(), picture - 2)));
    }
}

TEST(JPEGPictures, AnIndexTheRewriteLostCannotBeMadeTrue) {
    const platform::Bytes source = withPicturesAfter(makeJpeg(16, 16), {makeJpeg(8, 8), makeJpeg(8, 8)});
    EXPECT_EQ(platform::jpegFollowing(view(source))->pictures, 2);
    const auto whole = platform::jpegFollowedAsBefore(makeJpeg(16, 16), view(source));
    EXPECT_FALSE(whole);
    EXPECT_EQ(whole.cause(), "the rewritten picture does not hold the source's MPF index");
}

} // namespace
