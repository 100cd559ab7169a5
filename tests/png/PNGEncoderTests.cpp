#include "ImageEngine/Core/ConversionError.h"
#include "ImageEngine/Encoding/EncoderRegistry.h"
#include "ImageEngine/Encoding/ImageIOEncoder.h"
#include "ImageEngine/Encoding/LibDeflatePNGEncoder.h"
#include "ImageEngine/Encoding/LibDeflatePNGSourceOptimiser.h"
#include "ImageEngine/Encoding/PNGChunks.h"
#include "ImageEngine/Encoding/SourceOptimiserRegistry.h"
#include "PNGFiles.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace pictavo;
using platform::Bytes;

namespace {

constexpr std::size_t generous = 1 << 30;

platform::ImageRef drawnImage(int width, int height, int components, platform::AlphaInfo alpha, bool opaque) {
    auto pixels = std::make_shared<Bytes>(static_cast<std::size_t>(width * height * components));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < components; ++c) {
                const bool isAlpha = alpha != platform::AlphaInfo::none && c == components - 1;
                std::uint8_t value = static_cast<std::uint8_t>((x / 4) * (c + 3) + (y / 3) * (5 - c));
                if (isAlpha) value = opaque || (x + y) % 5 ? 255 : 128;
                (*pixels)[(static_cast<std::size_t>(y) * width + x) * components + c] = value;
            }
    const auto space = components == 1 ? platform::ColourSpace::deviceGray() : platform::ColourSpace::sRGB();
    return platform::Image::make(width, height, 8, components, alpha, space, std::move(pixels),
                                 static_cast<std::size_t>(width * components));
}

Bytes withText(png_files::Picture picture) {
    picture.texts = {{"Comment", "metadata to strip"}};
    return png_files::encode(picture);
}

Bytes damagedPixelData(const Bytes& file) {
    auto chunks = *PNGChunks::parse(file);
    auto idat = std::find_if(chunks.begin(), chunks.end(), [](auto& chunk) { return chunk.type == "IDAT"; });
    Bytes payload(idat->payload.begin(), idat->payload.end());
    payload[payload.size() / 2] ^= 0x33;
    payload[payload.size() / 2 + 1] ^= 0x77;
    *idat = PNGChunks::Chunk::owning("IDAT", payload);
    return *PNGChunks::assemble(chunks);
}

std::vector<std::string> typesOf(const Bytes& file) {
    std::vector<std::string> types;
    const auto chunks = PNGChunks::parse(file);
    for (const auto& chunk : *chunks) types.push_back(chunk.type);
    return types;
}

} // namespace

TEST(LibDeflatePNGEncoder, AnswersAsALosslessEffortSensitiveGreyCapableEncoder) {
    const LibDeflatePNGEncoder encoder;
    EXPECT_EQ(encoder.format(), OutputFormat::png());
    EXPECT_FALSE(encoder.supportsQuality());
    EXPECT_TRUE(encoder.writesLosslesslyWithoutAQuality());
    EXPECT_TRUE(encoder.writesSingleChannelGrey());
    EXPECT_TRUE(encoder.carriesColourSpace());
    EXPECT_FALSE(encoder.writesTheSameFileAtEveryEffort());
    EXPECT_EQ(encoder.qualityRange(), (QualityRange{1, 100}));
    const ImageEncoder& asEncoder = encoder;
    EXPECT_FALSE(dynamic_cast<const MultiImageEncoder*>(&asEncoder));
}

TEST(LibDeflatePNGEncoder, WritesTheSamePixelsAsThePlatformWriterAndNeverMoreBytes) {
    const ImageIOEncoder platformWriter(OutputFormat::png());
    const LibDeflatePNGEncoder encoder;
    const platform::ImageRef images[] = {
        drawnImage(90, 70, 4, platform::AlphaInfo::last, true),
        drawnImage(90, 70, 4, platform::AlphaInfo::last, false),
        drawnImage(90, 70, 1, platform::AlphaInfo::none, true),
    };
    for (const auto& image : images) {
        const Bytes reference = platformWriter.encode(image, EncodeOptions(EncodeEffort::final, MetadataPolicy::keepAll));
        const auto expected = png_files::decodeAsRGBA(reference);
        ASSERT_TRUE(expected);
        for (const EncodeEffort effort : {EncodeEffort::preview, EncodeEffort::final}) {
            const Bytes written = encoder.encode(image, EncodeOptions(effort, MetadataPolicy::keepAll));
            EXPECT_LE(written.size(), reference.size());
            const auto decoded = png_files::decodeAsRGBA(written);
            ASSERT_TRUE(decoded);
            EXPECT_EQ(decoded->rows, expected->rows);
        }
    }
    // An opaque image drawn with alpha is written without it; a translucent one keeps it.
    EXPECT_EQ(png_files::decode(encoder.encode(images[0], EncodeOptions(EncodeEffort::final, MetadataPolicy::strip)))->colourType, 2);
    EXPECT_EQ(png_files::decode(encoder.encode(images[1], EncodeOptions(EncodeEffort::final, MetadataPolicy::strip)))->colourType, 6);
    EXPECT_EQ(png_files::decode(encoder.encode(images[2], EncodeOptions(EncodeEffort::final, MetadataPolicy::strip)))->colourType, 0);
}

TEST(RecompressPNG, KeepingMetadataAlwaysGivesAFileAndNeverALargerOne) {
    const Bytes notAPNG{'G', 'I', 'F', '8', '9', 'a', 0, 1, 2, 3};
    EXPECT_EQ(LibDeflatePNGEncoder::recompressPNG(notAPNG, EncodeEffort::final, false), notAPNG);
    const Bytes damaged = damagedPixelData(png_files::encode(png_files::picture(40, 30, 2, 8)));
    EXPECT_EQ(LibDeflatePNGEncoder::recompressPNG(damaged, EncodeEffort::final, false), damaged);

    auto picture = png_files::picture(50, 40, 6, 8);
    picture.compressionLevel = 1;
    const Bytes loose = withText(picture);
    const auto smaller = LibDeflatePNGEncoder::recompressPNG(loose, EncodeEffort::final, false);
    ASSERT_TRUE(smaller);
    EXPECT_LT(smaller->size(), loose.size());
    EXPECT_EQ(png_files::decode(*smaller)->rows, picture.rows);
    EXPECT_EQ(png_files::decode(*smaller)->texts.size(), 1u);
}

TEST(RecompressPNG, StrippingRefusesDamagedOrUnreadableFiles) {
    const Bytes damaged = damagedPixelData(withText(png_files::picture(40, 30, 2, 8)));
    EXPECT_FALSE(LibDeflatePNGEncoder::recompressPNG(damaged, EncodeEffort::final, true));
    EXPECT_FALSE(LibDeflatePNGEncoder::recompressPNG(Bytes{1, 2, 3}, EncodeEffort::final, true));
}

TEST(RecompressPNG, StrippingAnInterlacedFileDropsTheTextAndLeavesThePixelDataAlone) {
    auto picture = png_files::picture(33, 21, 2, 8);
    picture.interlaced = true;
    const Bytes file = withText(picture);
    const auto stripped = LibDeflatePNGEncoder::recompressPNG(file, EncodeEffort::final, true);
    ASSERT_TRUE(stripped);
    EXPECT_TRUE(png_files::decode(*stripped)->texts.empty());
    const auto before = PNGChunks::parse(file);
    const auto after = PNGChunks::parse(*stripped);
    EXPECT_EQ(PNGChunks::imageData(*after), PNGChunks::imageData(*before));
    EXPECT_EQ(png_files::decode(*stripped)->rows, picture.rows);
}

TEST(RecompressPNG, StrippingAFileWithNothingToGainGivesItsOwnBytesUpToIEND) {
    const Bytes loose = png_files::encode(png_files::picture(40, 40, 2, 8));
    const Bytes tight = *LibDeflatePNGEncoder::recompressPNG(loose, EncodeEffort::preview, false);
    Bytes trailing = tight;
    trailing.insert(trailing.end(), {'x', 'y'});
    EXPECT_EQ(LibDeflatePNGEncoder::recompressPNG(trailing, EncodeEffort::preview, true), tight);
}

TEST(RecompressPNG, StrippingAnAnimationKeepsEveryFrameChunk) {
    const Bytes still = withText(png_files::picture(16, 16, 6, 8, true));
    auto chunks = *PNGChunks::parse(still);
    const Bytes frame = PNGChunks::imageData(chunks);
    Bytes frameData{0, 0, 0, 2};
    frameData.insert(frameData.end(), frame.begin(), frame.end());
    chunks.insert(chunks.begin() + 1, PNGChunks::Chunk::owning("acTL", Bytes{0, 0, 0, 2, 0, 0, 0, 0}));
    chunks.insert(chunks.end() - 1, PNGChunks::Chunk::owning("fcTL", Bytes(26, 0)));
    chunks.insert(chunks.end() - 1, PNGChunks::Chunk::owning("fdAT", frameData));
    const Bytes animated = *PNGChunks::assemble(chunks);
    const auto stripped = LibDeflatePNGEncoder::recompressPNG(animated, EncodeEffort::final, true);
    ASSERT_TRUE(stripped);
    auto expected = typesOf(animated);
    expected.erase(std::remove(expected.begin(), expected.end(), "tEXt"), expected.end());
    EXPECT_EQ(typesOf(*stripped), expected);
    EXPECT_EQ(PNGChunks::header(*PNGChunks::parse(*stripped))->colourType, 6);
    EXPECT_EQ(LibDeflatePNGEncoder::recompressPNG(animated, EncodeEffort::final, false), animated);
}

TEST(PixelDataIsDamaged, OnlyWhatCanBeCheckedCanBeDamaged) {
    const Bytes sound = png_files::encode(png_files::picture(30, 20, 2, 8));
    const Bytes damaged = damagedPixelData(sound);
    const auto soundChunks = *PNGChunks::parse(sound);
    const auto damagedChunks = *PNGChunks::parse(damaged);
    EXPECT_FALSE(LibDeflatePNGEncoder::pixelDataIsDamaged(soundChunks, generous));
    EXPECT_TRUE(LibDeflatePNGEncoder::pixelDataIsDamaged(damagedChunks, generous));
    // Over the budget, without a header first, or interlaced: it cannot be told, so it is sound.
    EXPECT_FALSE(LibDeflatePNGEncoder::pixelDataIsDamaged(damagedChunks, 20 * (30 * 3 + 1) - 1));
    EXPECT_FALSE(LibDeflatePNGEncoder::pixelDataIsDamaged({damagedChunks.begin() + 1, damagedChunks.end()}, generous));
    auto interlaced = png_files::picture(30, 20, 2, 8);
    interlaced.interlaced = true;
    const Bytes interlacedDamaged = damagedPixelData(png_files::encode(interlaced));
    EXPECT_FALSE(LibDeflatePNGEncoder::pixelDataIsDamaged(*PNGChunks::parse(interlacedDamaged), generous));
}

TEST(LibDeflatePNGSourceOptimiser, IsThePNGEntryOfTheStandardRegistryAndHonoursBothPolicies) {
    const auto optimiser = SourceOptimiserRegistry::standard().optimiser(OutputFormat::png());
    ASSERT_TRUE(optimiser);
    EXPECT_TRUE(dynamic_cast<const LibDeflatePNGSourceOptimiser*>(optimiser.get()));
    EXPECT_EQ(optimiser->honouredMetadataPolicies(), (std::set{MetadataPolicy::keepAll, MetadataPolicy::strip}));
    EXPECT_FALSE(optimiser->bakesOrientationWithoutDecoding());
    EXPECT_TRUE(dynamic_cast<const LibDeflatePNGEncoder*>(&EncoderRegistry::standard().encoder(OutputFormat::png())));
}

TEST(LibDeflatePNGSourceOptimiser, KeepingNeverThrowsStrippingADamagedFileDoes) {
    const LibDeflatePNGSourceOptimiser optimiser;
    const Bytes notAPNG(100, 0x42);
    EXPECT_EQ(optimiser.optimise(notAPNG, MetadataPolicy::keepAll, 6), notAPNG);
    const Bytes damaged = damagedPixelData(withText(png_files::picture(40, 30, 2, 8)));
    EXPECT_EQ(optimiser.optimise(damaged, MetadataPolicy::keepAll, 1), damaged);
    EXPECT_ANY_THROW(optimiser.optimise(damaged, MetadataPolicy::strip, 1));
    EXPECT_ANY_THROW(optimiser.optimise(notAPNG, MetadataPolicy::strip, 1, EncodeEffort::preview));
}

TEST(LibDeflatePNGSourceOptimiser, RealDebianPNGsComeBackWithIdenticalPixelsAndNeverLarger) {
    // Icons no one here made: palettes, transparency, grey and RGBA as their authors saved them.
    std::vector<std::filesystem::path> paths;
    for (const char* folder : {"/usr/share/icons/Adwaita/48x48/legacy", "/usr/share/icons/hicolor/48x48/apps",
                               "/usr/share/pixmaps"}) {
        std::error_code error;
        for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
            if (it->path().extension() == ".png" && it->is_regular_file()) paths.push_back(it->path());
    }
    if (paths.empty()) GTEST_SKIP() << "no icon theme installed";
    std::sort(paths.begin(), paths.end());
    if (paths.size() > 24) paths.resize(24);

    const LibDeflatePNGSourceOptimiser optimiser;
    std::size_t rewritten = 0;
    for (const auto& path : paths) {
        std::ifstream stream(path, std::ios::binary);
        const Bytes source((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
        const Bytes optimised = optimiser.optimise(source, MetadataPolicy::keepAll, 1);
        EXPECT_LE(optimised.size(), source.size()) << path;
        if (optimised != source) ++rewritten;
        const auto before = png_files::decodeAsRGBA(source);
        const auto after = png_files::decodeAsRGBA(optimised);
        ASSERT_TRUE(before && after) << path;
        EXPECT_EQ(after->bitDepth, before->bitDepth) << path;
        EXPECT_EQ(after->rows, before->rows) << path;
    }
    EXPECT_GT(rewritten, 0u);
}
