#include "platform/metadata/ExifRepair.h"

#include <gtest/gtest.h>

namespace {

platform::ByteView viewOf(const platform::Bytes& bytes) { return platform::ByteView(bytes.data(), bytes.size()); }

} // namespace

TEST(ExifRepair, AnEmptyFirstDirectoryAsGIMPWritesItIsSoundButAnEmptyGPSDirectoryIsAPointerGoneAstray) {
    // Big-endian TIFF header, IFD0 at 8 with no entries and no next directory.
    const platform::Bytes gimp = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0};
    EXPECT_TRUE(platform::exifDamages(viewOf(gimp)).empty());
    const auto kept = platform::repairedExif(gimp);
    EXPECT_EQ(kept.block, gimp);
    EXPECT_EQ(kept.leftOut, "");

    // IFD0 holding only a GPS pointer to offset 26, where two bytes of zero stand.
    const platform::Bytes astray = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x88, 0x25, 0, 4, 0, 0, 0, 1, 0, 0, 0, 26,
                                    0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(platform::exifDamages(viewOf(astray)), std::vector<std::string>{"the GPS directory (it holds no entries)"});
    const auto repaired = platform::repairedExif(astray);
    EXPECT_FALSE(repaired.block);
    EXPECT_EQ(repaired.leftOut, "the EXIF is damaged: the GPS directory (it holds no entries) could not be read, so the "
                                "EXIF was left out");
}
