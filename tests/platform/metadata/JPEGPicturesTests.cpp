#include "platform/metadata/JPEGPictures.h"

#include "support/JPEGSamples.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

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

namespace {

// A video after a gain map is more than the index lists: its bytes are told apart.
TEST(JPEGPictures, WhatFollowsTheLastListedPictureIsCountedApart) {
    const platform::Bytes video = bytesOf(std::string("\0\0\0\x18" "ftypmp42", 12) + std::string(500, 'v'));
    platform::Bytes source = withPicturesAfter(makeJpeg(16, 16), {makeJpeg(8, 8)});
    const std::size_t pictures = source.size() - *platform::jpegFirstPictureLength(view(source));
    EXPECT_EQ(platform::jpegFollowing(view(source))->bytesAfterPictures, 0u);
    source.insert(source.end(), video.begin(), video.end());
    const auto following = platform::jpegFollowing(view(source));
    ASSERT_TRUE(following);
    EXPECT_EQ(std::tuple(following->bytes, following->pictures, following->bytesAfterPictures),
              std::tuple(pictures + video.size(), std::int64_t{1}, video.size()));
}

// The JPEG library reads on past such damage, so what follows the picture it reads is
// still found, and so are the further pictures the index lists.
TEST(JPEGPictures, WhatFollowsADamagedFirstPictureIsFoundWhereTheLibraryStopsReadingIt) {
    const platform::Bytes second = makeJpeg(8, 8);
    const platform::Bytes commented = withSegmentAfterSOI(makeJpeg(16, 16), 0xFE, bytesOf("a comment of the camera's own"));
    platform::Bytes unended = commented;
    unended.resize(unended.size() - 2); // no end of image
    const platform::Bytes shortened = withSegmentLengthOff(withPicturesAfter(commented, {second}), 0xFE, -3);
    const platform::Bytes lengthened = withSegmentLengthOff(withPicturesAfter(commented, {second}), 0xFE, 3);
    for (const auto& [name, source] : {std::pair{"short segment", shortened}, std::pair{"long segment", lengthened},
                                       std::pair{"no end", withPicturesAfter(unended, {second})}}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(platform::jpegFirstPictureLength(view(source)));
        const auto following = platform::jpegFollowing(view(source));
        ASSERT_TRUE(following);
        EXPECT_EQ(std::pair(following->bytes, following->pictures), std::pair(second.size(), std::int64_t{1}));
    }
    // A start of image before any image data is damage the library does not read past.
    platform::Bytes twoStarts = commented;
    twoStarts.insert(twoStarts.begin() + 2, {0xFF, 0xD8});
    twoStarts.insert(twoStarts.end(), second.begin(), second.end());
    EXPECT_FALSE(platform::jpegFollowing(view(twoStarts)));
}

} // namespace
