#include "ImageEngine/Encoding/jpeg/JFIFDensity.h"

#include "support/ExifSamples.h"

#include <gtest/gtest.h>

#include <exiv2/exiv2.hpp>

#include <tuple>

using pictavo::JFIFDensity;

namespace {

platform::PropertyMap resolution(double across, double down, const char* unitKey = nullptr) {
    platform::PropertyMap map{{platform::keys::dpiWidth, across}, {platform::keys::dpiHeight, down}};
    if (unitKey) map[unitKey] = true;
    return map;
}

std::tuple<JFIFDensity::Unit, int, int> numbers(const std::optional<JFIFDensity>& density) {
    EXPECT_TRUE(density);
    if (!density) return {};
    return {density->unit, density->across, density->down};
}

// JFIF holds whole numbers to 65535: a resolution is rounded, a shape keeps its ratio.
TEST(JFIFDensity, AResolutionBecomesWholeDotsAndAShapeKeepsItsRatio) {
    using Unit = JFIFDensity::Unit;
    EXPECT_EQ(numbers(JFIFDensity::of(resolution(299.9994, 149.9997))), std::tuple(Unit::inch, 300, 150));
    EXPECT_EQ(numbers(JFIFDensity::of(resolution(299.72, 299.72, platform::keys::resolutionInCentimetres))),
              std::tuple(Unit::centimetre, 118, 118));
    const char* none = platform::keys::resolutionHasNoUnit;
    EXPECT_EQ(numbers(JFIFDensity::of(resolution(2.5, 1, none))), std::tuple(Unit::none, 5, 2));
    EXPECT_EQ(numbers(JFIFDensity::of(resolution(300000, 100000, none))), std::tuple(Unit::none, 65535, 21845));
    EXPECT_FALSE(JFIFDensity::of(resolution(100000, 100000)));
    EXPECT_FALSE(JFIFDensity::of(resolution(0.2, 0.2)));
    EXPECT_FALSE(JFIFDensity::of({}));
}

platform::Bytes exifWith(const char* unit) {
    Exiv2::ExifData data;
    data["Exif.Image.Make"] = std::string("Pictavo Test Camera");
    data["Exif.Image.XResolution"] = Exiv2::URational(72, 1);
    data["Exif.Image.YResolution"] = Exiv2::URational(72, 1);
    if (unit) data["Exif.Image.ResolutionUnit"] = std::uint16_t(std::stoi(unit));
    data["Exif.Thumbnail.XResolution"] = Exiv2::URational(180, 1);
    data["Exif.Thumbnail.YResolution"] = Exiv2::URational(180, 1);
    data["Exif.Thumbnail.ResolutionUnit"] = std::uint16_t(2);
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, data);
    return platform::Bytes(blob.begin(), blob.end());
}

// An EXIF resolution with no unit counts in inches: it cannot be made to say centimetres, and
// stays as it was rather than say a number in the wrong unit. The thumbnail keeps its own.
TEST(JFIFDensity, TheEXIFResolutionSaysWhatTheHeaderSaysOrStaysAsItWas) {
    const JFIFDensity centimetres{JFIFDensity::Unit::centimetre, 118, 59};
    const auto tags = testing_support::exifTags(centimetres.agreeingExif(exifWith("2")));
    EXPECT_EQ(std::tuple(tags.at("Exif.Image.XResolution"), tags.at("Exif.Image.YResolution"),
                         tags.at("Exif.Image.ResolutionUnit"), tags.at("Exif.Image.Make")),
              std::tuple("118/1", "59/1", "3", "Pictavo Test Camera"));
    EXPECT_EQ(std::tuple(tags.at("Exif.Thumbnail.XResolution"), tags.at("Exif.Thumbnail.ResolutionUnit")),
              std::tuple("180/1", "2"));
    const platform::Bytes unitless = exifWith(nullptr);
    EXPECT_EQ(centimetres.agreeingExif(unitless), unitless);
    const auto inches = testing_support::exifTags(JFIFDensity{JFIFDensity::Unit::inch, 300, 300}.agreeingExif(unitless));
    EXPECT_EQ(inches.at("Exif.Image.XResolution"), "300/1");
}

} // namespace
