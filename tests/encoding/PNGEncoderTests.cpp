#include "ImageEngine/Encoding/EncoderRegistry.h"
#include "ImageEngine/Encoding/imageio/ImageIOEncoder.h"
#include "ImageEngine/Encoding/png/LibDeflatePNGEncoder.h"
#include "ImageEngine/Encoding/png/LibDeflatePNGSourceOptimiser.h"
#include "ImageEngine/Encoding/SourceOptimiserRegistry.h"
#include "PNGFiles.h"
#include "support/SampleImages.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace pictavo;
using platform::Bytes;

namespace {

constexpr std::size_t generous = 1 << 30;

Bytes withText(png_files::Picture picture) {
    picture.texts = {{"Comment", "metadata to strip"}};
    return png_files::encode(picture);
}

std::optional<Bytes> recompressed(const Bytes& file, bool strip, EncodeEffort effort = EncodeEffort::final) {
    return LibDeflatePNGEncoder::recompressPNG(file, effort, strip);
}

} // namespace

TEST(LibDeflatePNGEncoder, IsTheStandardPNGEncoderAndOptimiserHonouringBothPolicies) {
    EXPECT_TRUE(dynamic_cast<const LibDeflatePNGEncoder*>(&EncoderRegistry::standard().encoder(OutputFormat::png())));

    const auto optimiser = SourceOptimiserRegistry::standard().optimiser(OutputFormat::png());
    EXPECT_TRUE(dynamic_cast<const LibDeflatePNGSourceOptimiser*>(optimiser.get()));
    EXPECT_EQ(optimiser->honouredMetadataPolicies(), (std::set{MetadataPolicy::keepAll, MetadataPolicy::strip}));
    EXPECT_FALSE(optimiser->bakesOrientationWithoutDecoding());
}

TEST(LibDeflatePNGEncoder, WritesTheSamePixelsAsThePlatformWriterAndNeverMoreBytes) {
    const ImageIOEncoder platformWriter(OutputFormat::png());
    const LibDeflatePNGEncoder encoder;
    // An opaque image drawn with alpha is written without it; a translucent one keeps it.
    const std::pair<platform::ImageRef, int> images[] = {
        {testing_support::solidImage(90, 70, 20, 140, 230), 2},
        {testing_support::patternImage(90, 70, 8, 4, platform::AlphaInfo::last), 6},
        {testing_support::patternImage(90, 70, 8, 1, platform::AlphaInfo::none), 0},
    };
    for (const auto& [image, colourType] : images) {
        SCOPED_TRACE(colourType);
        const Bytes reference = platformWriter.encode(image, EncodeOptions(EncodeEffort::final, MetadataPolicy::keepAll));
        const auto expected = png_files::decodeAsRGBA(reference);
        ASSERT_TRUE(expected);
        for (const EncodeEffort effort : {EncodeEffort::preview, EncodeEffort::final}) {
            const Bytes written = encoder.encode(image, EncodeOptions(effort, MetadataPolicy::keepAll));
            EXPECT_LE(written.size(), reference.size());
            const auto decoded = png_files::decodeAsRGBA(written);
            ASSERT_TRUE(decoded);
            EXPECT_EQ(decoded->rows, expected->rows);
            EXPECT_EQ(png_files::decode(written)->colourType, colourType);
        }
    }
}

TEST(RecompressPNG, KeepingMetadataNeverFailsStrippingRefusesWhatItCannotRead) {
    const LibDeflatePNGSourceOptimiser optimiser;
    const Bytes notAPNG{'G', 'I', 'F', '8', '9', 'a', 0, 1, 2, 3};
    const Bytes damaged = png_files::withDamagedPixelData(withText(png_files::picture(40, 30, 2, 8)));
    for (const Bytes& unreadable : {notAPNG, damaged}) {
        EXPECT_EQ(recompressed(unreadable, false), unreadable);
        EXPECT_FALSE(recompressed(unreadable, true));
        EXPECT_EQ(optimiser.optimise(unreadable, MetadataPolicy::keepAll, 6), unreadable);
        EXPECT_ANY_THROW(optimiser.optimise(unreadable, MetadataPolicy::strip, 1, EncodeEffort::preview));
    }
}

TEST(RecompressPNG, StrippingAnInterlacedFileDropsTheTextAndLeavesThePixelDataAlone) {
    auto picture = png_files::picture(33, 21, 2, 8);
    picture.interlaced = true;
    const Bytes file = withText(picture);
    const auto stripped = recompressed(file, true);
    ASSERT_TRUE(stripped);
    EXPECT_TRUE(png_files::decode(*stripped)->texts.empty());
    EXPECT_EQ(PNGChunks::imageData(*PNGChunks::parse(*stripped)), PNGChunks::imageData(*PNGChunks::parse(file)));
    EXPECT_EQ(png_files::decode(*stripped)->rows, picture.rows);
}

TEST(RecompressPNG, StrippingAFileWithNothingToGainGivesItsOwnBytesUpToIEND) {
    const Bytes tight = *recompressed(png_files::encode(png_files::picture(40, 40, 2, 8)), false, EncodeEffort::preview);
    Bytes trailing = tight;
    trailing.insert(trailing.end(), {'x', 'y'});
    EXPECT_EQ(recompressed(trailing, true, EncodeEffort::preview), tight);
}

TEST(RecompressPNG, StrippingAnAnimationKeepsEveryFrameChunk) {
    const Bytes animated = png_files::animated(withText(png_files::picture(16, 16, 6, 8, true)));
    const auto stripped = recompressed(animated, true);
    ASSERT_TRUE(stripped);
    auto expected = png_files::typesOf(animated);
    expected.erase(std::remove(expected.begin(), expected.end(), "tEXt"), expected.end());
    EXPECT_EQ(png_files::typesOf(*stripped), expected);
    EXPECT_EQ(PNGChunks::header(*PNGChunks::parse(*stripped))->colourType, 6);
    EXPECT_EQ(recompressed(animated, false), animated);
}

TEST(PixelDataIsDamaged, DamageIsFoundWithinTheBudgetPastItAndInInterlacedData) {
    for (const bool interlace : {false, true}) {
        SCOPED_TRACE(interlace ? "interlaced" : "progressive");
        auto picture = png_files::picture(30, 20, 2, 8);
        picture.interlaced = interlace;
        const Bytes sound = png_files::encode(picture);
        const auto soundChunks = *PNGChunks::parse(sound);
        const Bytes damaged = png_files::withDamagedPixelData(sound);
        const auto damagedChunks = *PNGChunks::parse(damaged);
        for (const std::size_t budget : {generous, std::size_t{20 * (30 * 3 + 1) - 1}, std::size_t{0}}) {
            EXPECT_FALSE(LibDeflatePNGEncoder::pixelDataIsDamaged(soundChunks, budget)) << budget;
            EXPECT_TRUE(LibDeflatePNGEncoder::pixelDataIsDamaged(damagedChunks, budget)) << budget;
        }
        // Without a header first, nothing says what the data should hold.
        EXPECT_TRUE(LibDeflatePNGEncoder::pixelDataIsDamaged({soundChunks.begin() + 1, soundChunks.end()}, generous));
    }
}

TEST(PixelDataIsDamaged, ALargePictureWithOneIDATOverwrittenIsDamagedPastTheBudget) {
    const Bytes sound = png_files::encode(png_files::picture(1600, 1200, 2, 8));
    const auto soundChunks = *PNGChunks::parse(sound);
    const auto idats = std::count_if(soundChunks.begin(), soundChunks.end(), [](auto& chunk) { return chunk.type == "IDAT"; });
    ASSERT_GT(idats, 8);
    const std::size_t budget = 1 << 20; // well under the 5.7 MB of filtered rows
    EXPECT_FALSE(LibDeflatePNGEncoder::pixelDataIsDamaged(soundChunks, budget));

    const Bytes overwritten = png_files::withOneIDATOverwritten(sound, static_cast<std::size_t>(idats / 2));
    EXPECT_TRUE(LibDeflatePNGEncoder::pixelDataIsDamaged(*PNGChunks::parse(overwritten), budget));
    // A stream cut short by a lost chunk, and one followed by stray bytes, are damaged too.
    auto withoutLast = soundChunks;
    withoutLast.erase(std::find_if(withoutLast.rbegin(), withoutLast.rend(), [](auto& chunk) { return chunk.type == "IDAT"; }).base() - 1);
    EXPECT_TRUE(LibDeflatePNGEncoder::pixelDataIsDamaged(withoutLast, budget));
    auto withStrayBytes = soundChunks;
    withStrayBytes.insert(withStrayBytes.end() - 1, PNGChunks::Chunk::owning("IDAT", Bytes{1, 2, 3}));
    EXPECT_TRUE(LibDeflatePNGEncoder::pixelDataIsDamaged(withStrayBytes, budget));
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
        const Bytes source = testing_support::readFile(path);
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
