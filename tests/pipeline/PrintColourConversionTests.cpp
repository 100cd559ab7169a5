#include "ConversionTesting.h"
#include "SourceImages.h"

#include "platform/base/BigEndian.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <array>
#include <string>

namespace {

using namespace pictavo;
using namespace pipeline_testing;
using testing_support::TemporaryFolder;

const std::filesystem::path ghostscriptProfiles = "/usr/share/color/icc/ghostscript";

struct Transform {
    Transform(const platform::Bytes& from, cmsUInt32Number fromFormat, cmsUInt32Number toFormat,
              cmsUInt32Number intent, cmsUInt32Number flags) {
        cmsHPROFILE source = cmsOpenProfileFromMem(from.data(), static_cast<cmsUInt32Number>(from.size()));
        cmsHPROFILE sRGB = cmsCreate_sRGBProfile();
        handle = fromFormat == TYPE_RGB_8 ? cmsCreateTransform(sRGB, fromFormat, source, toFormat, intent, flags)
                                          : cmsCreateTransform(source, fromFormat, sRGB, toFormat, intent, flags);
        cmsCloseProfile(source);
        cmsCloseProfile(sRGB);
    }
    ~Transform() { cmsDeleteTransform(handle); }
    cmsHTRANSFORM handle;
};

// A photo as a print shop receives it: its sRGB colours separated into the press's inks.
Picture separated(const Picture& photo, const platform::Bytes& press) {
    Picture inks(photo.width, photo.height, 4);
    inks.cmyk = true;
    const Transform transform(press, TYPE_RGB_8, TYPE_CMYK_8, INTENT_PERCEPTUAL, 0);
    cmsDoTransform(transform.handle, photo.pixels.data(), inks.pixels.data(),
                   static_cast<cmsUInt32Number>(photo.width * photo.height));
    return inks;
}

using Means = std::array<double, 3>;

Means meansOf(const platform::Image& image) {
    Means sums{};
    for (std::int64_t y = 0; y < image.height(); ++y)
        for (std::int64_t x = 0; x < image.width(); ++x) {
            const auto pixel = colourAt(image, x, y);
            for (int c = 0; c < 3; ++c) sums[c] += pixel[c];
        }
    const double count = static_cast<double>(image.width() * image.height());
    return {sums[0] / count, sums[1] / count, sums[2] / count};
}

// What lcms2 itself gives for the decoded inks with this intent and these flags.
Means lcmsMeans(const platform::Image& inks, cmsUInt32Number intent, cmsUInt32Number flags) {
    const Transform transform(inks.colourSpace()->iccData(), TYPE_CMYK_8, TYPE_RGB_8, intent, flags);
    Means sums{};
    std::vector<std::uint8_t> row(static_cast<std::size_t>(inks.width()) * 3);
    for (std::int64_t y = 0; y < inks.height(); ++y) {
        cmsDoTransform(transform.handle, inks.row(y), row.data(), static_cast<cmsUInt32Number>(inks.width()));
        for (std::size_t i = 0; i < row.size(); ++i) sums[i % 3] += row[i];
    }
    const double count = static_cast<double>(inks.width() * inks.height());
    return {sums[0] / count, sums[1] / count, sums[2] / count};
}

bool within(const Means& actual, const Means& expected, double levels) {
    for (int c = 0; c < 3; ++c)
        if (std::abs(actual[c] - expected[c]) > levels) return false;
    return true;
}

class PrintColourConversion : public testing::Test {
protected:
    TemporaryFolder folder;
};

TEST_F(PrintColourConversion, ACMYKPhotoComesOutInTheSameColoursInEveryFormatAsItsProfileRendersThem) {
    const auto press = testing_support::readFile(ghostscriptProfiles / "default_cmyk.icc");
    cmsHPROFILE pressProfile = cmsOpenProfileFromMem(press.data(), static_cast<cmsUInt32Number>(press.size()));
    ASSERT_EQ(cmsGetHeaderRenderingIntent(pressProfile), static_cast<cmsUInt32Number>(INTENT_PERCEPTUAL));
    cmsCloseProfile(pressProfile);

    const auto path = folder.write("print.jpg", encode(separated(photoLike(96, 64), press), ".jpg[Q=95]", 1, press));
    const auto source = standardEngine().decoders().decoder(path)->decode(path, 1).asRaster()->image;
    ASSERT_EQ(source->colourSpace()->model(), platform::ColourModel::cmyk);
    const Means expected = lcmsMeans(*source, INTENT_PERCEPTUAL, 0);
    // The other rendering is far enough away that a format taking it shows.
    ASSERT_FALSE(within(lcmsMeans(*source, INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_BLACKPOINTCOMPENSATION), expected, 3));

    for (const auto& format : {OutputFormat::png(), OutputFormat::tiff(), OutputFormat::jpeg(), OutputFormat::webp(),
                               OutputFormat::bmp()}) {
        for (const auto policy : {ColourPolicy::preserve, ColourPolicy::convertToSRGB}) {
            SCOPED_TRACE(format.id() + (policy == ColourPolicy::preserve ? " kept" : " sRGB"));
            auto spec = specFor(format);
            spec.colour = policy;
            if (format.id() == OutputFormat::jpeg().id()) spec.quality = QualityMode::quality(95);
            const auto output = decodedOutput(standardEngine().convert(path, spec, 1, EncodeEffort::final), folder);
            ASSERT_TRUE(output);
            EXPECT_TRUE(!output->colourSpace() || output->colourSpace()->isSRGB());
            const Means means = meansOf(*output);
            EXPECT_TRUE(within(means, expected, 1.0))
                << means[0] << " " << means[1] << " " << means[2] << " where lcms gives " << expected[0] << " "
                << expected[1] << " " << expected[2];
        }
    }
}

TEST_F(PrintColourConversion, APNGKeepsAProfileWhoseHeaderMisstatesItsLength) {
    const auto wide = testing_support::readFile(ghostscriptProfiles / "a98.icc");
    ASSERT_EQ(platform::readBigEndian32(wide.data()), wide.size());
    platform::Bytes misstated;
    platform::appendBigEndian32(misstated, 1'000'000);
    misstated.insert(misstated.end(), wide.begin() + 4, wide.end());
    const auto path = folder.write("wide.jpg", encode(photoLike(48, 32), ".jpg[Q=95]", 1, misstated));
    const auto source = standardEngine().decoders().decoder(path)->decode(path, 1).asRaster()->image;
    ASSERT_TRUE(source->colourSpace() && !source->colourSpace()->isSRGB());

    // The colours are kept as they are, so the profile has to come along to mean them.
    const auto output = decodedOutput(standardEngine().convert(path, specFor(OutputFormat::png()), 1, EncodeEffort::final),
                                      folder, {48, 32});
    ASSERT_TRUE(output->colourSpace());
    EXPECT_EQ(output->colourSpace()->iccData(), wide);
    EXPECT_EQ(colourAt(*output, 20, 10), colourAt(*source, 20, 10));
}

} // namespace
