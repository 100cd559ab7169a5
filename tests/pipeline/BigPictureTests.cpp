#include "ConversionTesting.h"
#include "platform/base/ProcessInfo.h"

#include <gtest/gtest.h>
#include <vips/vips.h>

#include <string>

namespace {

using namespace pictavo;
using namespace pipeline_testing;
using testing_support::TemporaryFolder;

// A picture of the given size written by libvips: red rising from left to right, green from
// top to bottom, blue at 128, and a chequered square of 512 pixels a side whose top-left
// corner stands at a third of each side. It is made a few rows at a time, never whole.
void writePicture(const std::filesystem::path& path, int width, int height, const char* options) {
    VipsImage* coordinates = nullptr;
    ASSERT_EQ(vips_xyz(&coordinates, width, height, nullptr), 0);
    const double scales[] = {255.0 / width, 255.0 / height};
    const double offsets[] = {0, 0};
    VipsImage* ramps = nullptr;
    ASSERT_EQ(vips_linear(coordinates, &ramps, scales, offsets, 2, "uchar", TRUE, nullptr), 0);
    g_object_unref(coordinates);
    VipsImage* colour = nullptr;
    ASSERT_EQ(vips_bandjoin_const1(ramps, &colour, 128, nullptr), 0);
    g_object_unref(ramps);

    VipsImage* squares = nullptr;
    ASSERT_EQ(vips_xyz(&squares, 512, 512, nullptr), 0);
    VipsImage* cells = nullptr;
    ASSERT_EQ(vips_andimage_const1(squares, &cells, 32, nullptr), 0);
    g_object_unref(squares);
    VipsImage* first = nullptr;
    VipsImage* second = nullptr;
    ASSERT_EQ(vips_extract_band(cells, &first, 0, nullptr), 0);
    ASSERT_EQ(vips_extract_band(cells, &second, 1, nullptr), 0);
    g_object_unref(cells);
    VipsImage* chequer = nullptr;
    ASSERT_EQ(vips_eorimage(first, second, &chequer, nullptr), 0);
    g_object_unref(first);
    g_object_unref(second);
    VipsImage* bright = nullptr;
    ASSERT_EQ(vips_linear1(chequer, &bright, 7.0, 0.0, "uchar", TRUE, nullptr), 0);
    g_object_unref(chequer);
    VipsImage* threeBands = nullptr;
    VipsImage* bands[] = {bright, bright, bright};
    ASSERT_EQ(vips_bandjoin(bands, &threeBands, 3, nullptr), 0);
    g_object_unref(bright);

    VipsImage* picture = nullptr;
    ASSERT_EQ(vips_insert(colour, threeBands, &picture, width / 3, height / 3, nullptr), 0);
    g_object_unref(colour);
    g_object_unref(threeBands);
    const std::string target = path.string() + options;
    ASSERT_EQ(vips_image_write_to_file(picture, target.c_str(), nullptr), 0) << vips_error_buffer();
    g_object_unref(picture);
}

class BigPicture : public testing::Test {
protected:
    void SetUp() override {
        const std::uint64_t memory = platform::ProcessInfo::physicalMemory();
        if (memory < 8'000'000'000ULL)
            GTEST_SKIP() << "this machine has " << memory / 1'000'000 << " MB of memory; the big pictures need 8 GB";
    }

    // The picture converted to JPEG at the sizing, read back.
    platform::ImageRef converted(const std::filesystem::path& source, ResizeSpec sizing, platform::Size size) {
        auto spec = specFor(OutputFormat::jpeg());
        spec.sizing = sizing;
        spec.quality = QualityMode::quality(60);
        spec.metadata = MetadataPolicy::strip;
        const auto result = standardEngine().convert(source, spec, 1, EncodeEffort::final);
        return decodedOutput(result, folder, size);
    }

    TemporaryFolder folder;
};

// Red and green rise across and down the picture; the chequered square is dark and light,
// in cells of 32 stored pixels, drawn at `scale`.
void expectPicture(const platform::Image& image, double scale) {
    const auto width = image.width();
    const auto height = image.height();
    for (const auto& [x, y] : {std::pair{width / 10, height / 10}, std::pair{width * 9 / 10, height / 5},
                               std::pair{width / 5, height * 9 / 10}, std::pair{width * 4 / 5, height * 4 / 5}}) {
        SCOPED_TRACE(std::to_string(x) + ", " + std::to_string(y));
        const int red = static_cast<int>(255.0 * (x + 0.5) / width);
        const int green = static_cast<int>(255.0 * (y + 0.5) / height);
        EXPECT_TRUE(near(colourAt(image, x, y), {red, green, 128, 255}, 6));
    }
    const double cell = 32 * scale;
    const auto at = [&](double column, double row) {
        return colourAt(image, static_cast<std::int64_t>(width / 3 + (column + 0.5) * cell),
                        static_cast<std::int64_t>(height / 3 + (row + 0.5) * cell))[1];
    };
    EXPECT_LT(at(0, 0), 70);
    EXPECT_GT(at(1, 0), 150);
    EXPECT_GT(at(0, 1), 150);
    EXPECT_LT(at(1, 1), 70);
}

} // namespace

// Pictures larger than one conversion's share of memory: a panorama drawn at half its size,
// decoded whole with the other conversions held back, and a vast PNG drawn at a tenth,
// decoded at a reduced size as its rows are read.
TEST_F(BigPicture, APanoramaAtHalfAndAVastPNGAtATenthAreDrawnAtTheAskedSize) {
    const auto panorama = folder.path() / "panorama.jpg";
    writePicture(panorama, 20'000, 15'000, "[Q=85,strip]");
    expectPicture(*converted(panorama, ResizeSpec::percentage(0.5), {10'000, 7'500}), 0.5);
    std::filesystem::remove(panorama);

    const auto vast = folder.path() / "vast.png";
    writePicture(vast, 24'000, 24'000, "[compression=1,filter=none,strip]");
    expectPicture(*converted(vast, ResizeSpec::percentage(0.1), {2'400, 2'400}), 0.1);
}
