#include "platform/metadata/ExifToXMP.h"

#include "support/ExifSamples.h"

#include <gtest/gtest.h>

#include <exiv2/exiv2.hpp>
#include <algorithm>
#include <map>

using namespace testing_support;
using platform::XMPPacket;

namespace {

// Every property of the packet as exiv2 reads it ("Xmp.tiff.Make" -> "Pictavo Test Camera").
std::map<std::string, std::string> properties(const XMPPacket& packet) {
    Exiv2::XmpData data;
    EXPECT_EQ(Exiv2::XmpParser::decode(data, packet.text), 0);
    std::map<std::string, std::string> found;
    for (const auto& datum : data) found[datum.key()] = datum.toString();
    return found;
}

} // namespace

TEST(ExifToXMP, CameraAndGPSFieldsJoinTheCarriedPacketWhoseOwnValuesStay) {
    const XMPPacket carried{xmpPacket(3)};
    for (const auto& exif : {cameraExifBlock(), withExifMarker(cameraExifBlock())}) {
        auto merged = platform::xmpWithExif(&carried, exif);
        ASSERT_TRUE(merged);
        auto fields = properties(*merged);
        EXPECT_EQ(fields["Xmp.dc.title"], "lang=\"x-default\" Harbour at dusk");
        EXPECT_EQ(fields["Xmp.tiff.Make"], "Pictavo Test Camera");
        EXPECT_EQ(fields["Xmp.tiff.Model"], "PT-1");
        EXPECT_EQ(fields["Xmp.photoshop.DateCreated"], "2024-05-06T07:08:09");
        EXPECT_EQ(fields["Xmp.exif.GPSLatitude"], "51,30.0000000N");
        EXPECT_EQ(fields["Xmp.exif.GPSLongitude"], "0,7.5000000W");
        // The packet's own orientation is its editor's word, not the camera's.
        EXPECT_EQ(fields["Xmp.tiff.Orientation"], "3");
        EXPECT_EQ(fields["Xmp.exif.PixelXDimension"], "4000");
        // How the source stored its pixels describes no other file.
        EXPECT_EQ(fields.count("Xmp.tiff.ImageWidth") + fields.count("Xmp.tiff.ImageLength"), 0u);
    }
    // Without a carried packet the fields make one of their own.
    auto alone = platform::xmpWithExif(nullptr, exifBlock(true, std::nullopt));
    ASSERT_TRUE(alone);
    auto fields = properties(*alone);
    EXPECT_EQ(fields["Xmp.tiff.Make"], "Pictavo Test Camera");
    EXPECT_EQ(fields.count("Xmp.tiff.Orientation"), 0u);
}

TEST(ExifToXMP, DamagedEXIFOrAnUnreadablePacketGivesNothingRatherThanAFailure) {
    const XMPPacket carried{xmpPacket(6)};
    platform::Bytes block = cameraExifBlock();
    platform::Bytes outOfRange = block;
    outOfRange[7] = 0x7F; // IFD0 far past the end
    platform::Bytes cut(block.begin(), block.begin() + 12);
    for (const auto& damaged : {platform::Bytes{}, platform::Bytes{'I', 'I', '*', 0}, outOfRange, cut,
                                platform::Bytes(64, 0xFF)}) {
        EXPECT_FALSE(platform::xmpWithExif(&carried, damaged));
        EXPECT_FALSE(platform::xmpWithExif(nullptr, damaged));
    }
    const XMPPacket unreadable{"<x:xmpmeta><rdf:RDF"};
    EXPECT_FALSE(platform::xmpWithExif(&unreadable, block));
}

TEST(ExifToXMP, ALensNamePaddedWithMegabytesOfBlanksIsTrimmedInOnePass) {
    // A JPEG's EXIF may run over many segments: a lens name of four million leading blanks,
    // taken off one at a time, kept a conversion busy for hours. Little-endian TIFF: IFD0
    // pointing at an EXIF directory that holds only the lens model.
    const std::string lens = std::string(4'000'000, ' ') + "PT Lens 35mm";
    const auto count = static_cast<std::uint32_t>(lens.size() + 1);
    platform::Bytes block = {'I', 'I', 42, 0, 8, 0, 0, 0,
                             1, 0, 0x69, 0x87, 4, 0, 1, 0, 0, 0, 26, 0, 0, 0, 0, 0, 0, 0,
                             1, 0, 0x34, 0xA4, 2, 0,
                             static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(count >> 8),
                             static_cast<std::uint8_t>(count >> 16), static_cast<std::uint8_t>(count >> 24),
                             44, 0, 0, 0, 0, 0, 0, 0};
    const std::size_t lensOffset = block.size();
    block.resize(lensOffset + lens.size() + 1); // the name's closing NUL comes with the resize
    std::copy(lens.begin(), lens.end(), block.begin() + static_cast<std::ptrdiff_t>(lensOffset));
    const auto packet = platform::xmpWithExif(nullptr, block);
    ASSERT_TRUE(packet);
    EXPECT_EQ(properties(*packet)["Xmp.exifEX.LensModel"], "PT Lens 35mm");
}
