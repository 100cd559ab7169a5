#include "ConversionTesting.h"

#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Encoding/EncoderRegistry.h"
#include "ImageEngine/Model/IconLadder.h"
#include "platform/files/FilePath.h"
#include "support/EncodedSamples.h"
#include "support/IconSamples.h"
#include "support/PSDSamples.h"
#include "support/TGASamples.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace pictavo;
using namespace pipeline_testing;
using testing_support::TemporaryFolder;

constexpr int sampleWidth = 24;
constexpr int sampleHeight = 16;

struct Source {
    std::string name;
    platform::Bytes bytes;
};

// A Photoshop file as an editor saves it: transparent RGB coded with PackBits, or a big
// document's 16-bit CMYK.
platform::Bytes photoshopSample(bool bigCMYK) {
    testing_support::PSDSample sample;
    sample.width = sampleWidth;
    sample.height = sampleHeight;
    sample.packBits = true;
    sample.version = bigCMYK ? 2 : 1;
    sample.mode = bigCMYK ? 4 : 3;
    sample.depth = bigCMYK ? 16 : 8;
    sample.layerCount = bigCMYK ? 1 : -1;
    for (int channel = 0; channel < 4; ++channel) {
        platform::Bytes stored;
        for (int y = 0; y < sampleHeight; ++y)
            for (int x = 0; x < sampleWidth; ++x) {
                const auto value = static_cast<std::uint8_t>(channel == 3 ? 255 - 8 * y : (x * 10 + y * 3 * channel) % 256);
                stored.push_back(value);
                if (bigCMYK) stored.push_back(value);
            }
        sample.channels.push_back(std::move(stored));
    }
    return testing_support::psdFile(sample);
}

// One small file of every kind this machine reads, made as other programs make them.
std::vector<Source> sourcesOfEveryReadableKind() {
    testing_support::SampleImage picture;
    picture.width = sampleWidth;
    picture.height = sampleHeight;
    std::vector<Source> sources;
    for (const auto& [name, suffix] : std::vector<std::pair<std::string, std::string>>{
             {"png.png", ".png"}, {"jpeg.jpg", ".jpg[Q=95]"}, {"tiff.tif", ".tif"}, {"gif.gif", ".gif"},
             {"webp.webp", ".webp[lossless]"}, {"heic.heic", ".heic"}, {"avif.avif", ".avif"},
             {"jpeg2000.jp2", ".jp2"}, {"jxl.jxl", ".jxl"}, {"ppm.ppm", ".ppm"}, {"radiance.hdr", ".hdr"}}) {
        if (auto bytes = testing_support::encodeSample(picture, suffix)) sources.push_back({name, *bytes});
    }
    sources.push_back({"bitmap.bmp", testing_support::bmpFile(sampleWidth, sampleHeight, 24)});
    sources.push_back({"icon.ico", testing_support::icoFile({{16, false, 32}, {24, true, 32}})});
    sources.push_back({"raw.dng", testing_support::dngFile(sampleWidth, sampleHeight, 1)});
    // TGA as Netpbm writes it: run-length coded true colour, and an uncoded colour map.
    if (auto ppm = testing_support::encodeSample(picture, ".ppm"))
        for (const auto& [name, options] : {std::pair{"rgb.tga", "-rgb"}, std::pair{"mapped.tga", "-cmap -norle"}})
            if (auto tga = testing_support::netpbmTGA(*ppm, options)) sources.push_back({name, *tga});
    sources.push_back({"layers.psd", photoshopSample(false)});
    sources.push_back({"press.psb", photoshopSample(true)});
    return sources;
}

TEST(ConversionFormats, EveryReadableKindBecomesEveryWritableFormat) {
    TemporaryFolder folder;
    const auto& engine = standardEngine();
    const auto sources = sourcesOfEveryReadableKind();
    ASSERT_GE(sources.size(), 12u);
    const auto formats = engine.encoders().supportedFormats();
    ASSERT_GE(formats.size(), 8u);

    for (const auto& source : sources) {
        const auto path = folder.write(source.name, source.bytes);
        const auto size = engine.properties(path).orientedPixelSize();
        for (const auto& format : formats) {
            SCOPED_TRACE(source.name + " to " + format.id());
            auto spec = specFor(format);
            spec.metadata = MetadataPolicy::strip;
            ConversionResult result = engine.convert(path, spec, 1, EncodeEffort::final);
            EXPECT_EQ(result.format, format);
            ASSERT_TRUE(result.data && !result.data->empty());
            EXPECT_EQ(platform::pathExtension(result.suggestedFileName),
                      format.fileExtension(platform::pathExtension(source.name)));
            if (const auto ladder = IconLadder::forFormat(format)) {
                EXPECT_EQ(result.pixelSize.width, result.pixelSize.height);
                continue;
            }
            if (format != OutputFormat::pdf()) {
                decodedOutput(result, folder, size);
                continue;
            }
            EXPECT_EQ(result.pixelSize, size);
            EXPECT_EQ(std::string(result.data->begin(), result.data->begin() + 5), "%PDF-");
        }
    }
}

TEST(ConversionFormats, DamagedAndCutShortFilesOfEveryKindFailAsConversionErrors) {
    TemporaryFolder folder;
    const auto& engine = standardEngine();
    for (const auto& source : sourcesOfEveryReadableKind()) {
        const auto extension = platform::pathExtension(source.name);
        auto cut = [&](std::size_t keep) { return platform::Bytes(source.bytes.begin(), source.bytes.begin() + keep); };
        std::vector<std::pair<std::string, platform::Bytes>> damaged{
            {"header", cut(std::min<std::size_t>(12, source.bytes.size()))}, {"empty", {}}, {"noise", platform::Bytes(300, 0x5a)}};
        // An icon file cut after its directory still holds whole pictures, which are read.
        if (source.name != "icon.ico")
            for (std::size_t keep : {source.bytes.size() / 2, source.bytes.size() * 3 / 4})
                damaged.emplace_back("first " + std::to_string(keep) + " of " + std::to_string(source.bytes.size()) + " bytes", cut(keep));
        for (const auto& [damage, bytes] : damaged) {
            SCOPED_TRACE(source.name + " cut to its " + damage);
            const auto path = folder.write("damaged." + extension, bytes);
            // A PNG cut short goes into another format, so that its pixels must be decoded.
            const bool cutPNG = source.name == "png.png" && damage.starts_with("first");
            EXPECT_THROW(engine.convert(path, specFor(cutPNG ? OutputFormat::tiff() : OutputFormat::png()), 1,
                                        EncodeEffort::final),
                         ConversionError);
        }
    }
}

} // namespace
