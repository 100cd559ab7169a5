#include "ImageEngine/Model/OutputFormat.h"
#include "ImageEngine/Pipeline/WriteableFormats.h"
#include "ImageEngine/Encoding/imageio/ImageIOFormats.h"

#include "JsonDecoding.h"

#include <gtest/gtest.h>

using pictavo::OutputFormat;
using platform::ContentType;
namespace json = platform::json;

namespace {

OutputFormat formatOf(const char* identifier) { return OutputFormat(ContentType::importedAs(identifier)); }

constexpr auto decoded = engine_testing::decoded<OutputFormat>;

std::vector<std::string> idsOf(const std::vector<OutputFormat>& formats) {
    std::vector<std::string> ids;
    for (const auto& format : formats) ids.push_back(format.id());
    return ids;
}

} // namespace

TEST(OutputFormat, SameAsSourceAnswersForEveryFormat) {
    const auto& same = OutputFormat::sameAsSource();
    EXPECT_FALSE(same.utType());
    EXPECT_FALSE(pictavo::ImageIOFormats::compression(same));
    EXPECT_EQ(std::tuple(same.displayName(), pictavo::WriteableFormats::summary(same), same.fileExtension("jpg"),
                         same.supportsQuality(), same.supportsAlpha()),
              std::tuple("Same as source", "Optimise without converting", "img", true, true));
}

TEST(OutputFormat, NamesSummariesAndExtensionsOfTheFixedFormatsAndOfOthersByTheirExtension) {
    struct Row { const OutputFormat* format; const char* name; const char* summary; const char* extension; };
    // Formats outside the fixed sets are probed: the writer keeps every pixel of PNG and BMP;
    // PDF cannot be read back, ICNS is not a writer format, so they have no word.
    const Row rows[] = {
        {&OutputFormat::jpeg(), "JPEG", "Lossy, no transparency", "jpg"},
        {&OutputFormat::webp(), "WebP", "Lossy, transparency", "webp"},
        {&OutputFormat::jpeg2000(), "JPEG 2000", "Lossy, no transparency", "jp2"},
        {&OutputFormat::gif(), "GIF", "256 colours, transparency", "gif"},
        {&OutputFormat::bmp(), "BMP", "Lossless, no transparency", "bmp"},
        {&OutputFormat::png(), "PNG", "Lossless, transparency", "png"},
        {&OutputFormat::icns(), "ICNS", "Transparency", "icns"}, {&OutputFormat::pdf(), "PDF", "Transparency", "pdf"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.format->displayName(), row.name);
        EXPECT_EQ(pictavo::WriteableFormats::summary(*row.format), row.summary) << row.name;
        EXPECT_EQ(row.format->fileExtension(), row.extension) << row.name;
    }
    EXPECT_EQ(formatOf("com.ilm.openexr-image").displayName(), "OpenEXR");
    EXPECT_EQ(formatOf("public.heics").displayName(), "HEICS");

    // Formats outside the tables fall back to their extension.
    EXPECT_EQ(OutputFormat(*ContentType::forFilenameExtension("xyz")).displayName(), "XYZ");
    EXPECT_EQ(OutputFormat(ContentType::svg()).displayName(), "SVG");
    EXPECT_EQ(pictavo::WriteableFormats::summary(OutputFormat(ContentType::svg())), "No transparency");
    const auto bare = formatOf("org.example.no-extension");
    EXPECT_FALSE(pictavo::ImageIOFormats::compression(bare));
    EXPECT_EQ(std::tuple(bare.displayName(), bare.fileExtension(), bare.fileExtension("raw"), bare.supportsQuality(),
                         bare.supportsAlpha()),
              std::tuple("IMG", "img", "img", false, false));
    EXPECT_TRUE(formatOf("com.ilm.openexr-image").supportsAlpha());
    EXPECT_FALSE(OutputFormat::jpeg2000().supportsAlpha());
    EXPECT_TRUE(OutputFormat::jpeg2000().supportsQuality());
    EXPECT_FALSE(OutputFormat::png().supportsQuality());

    // Output extensions keep the source spelling when it fits.
    for (const auto& [source, output] : {std::pair{"JPEG", "JPEG"}, {"JPG", "JPG"}, {"jpe", "jpe"}, {"png", "jpg"}, {"", "jpg"}})
        EXPECT_EQ(OutputFormat::jpeg().fileExtension(source), output) << source;
    EXPECT_EQ(OutputFormat::tiff().fileExtension("TIF"), "TIF");
    EXPECT_EQ(OutputFormat::tiff().fileExtension("tiff "), "tiff");
}

TEST(OutputFormat, EqualityFollowsTheTypeHashingAgreesAndJsonIsOneExactString) {
    const OutputFormat a(*ContentType::withIdentifier("public.png"));
    const OutputFormat b(*ContentType::withIdentifier("PUBLIC.PNG"));
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.hash(), b.hash());
    EXPECT_EQ(a, OutputFormat::png());
    EXPECT_NE(a, OutputFormat::sameAsSource());
    EXPECT_NE(OutputFormat::png().hash(), OutputFormat::sameAsSource().hash());
    // Built on the spot, the imported four are the registry's own types.
    EXPECT_EQ(OutputFormat::avif(), OutputFormat(ContentType::avif()));
    EXPECT_EQ(OutputFormat::avif().utType()->preferredFilenameExtension(), "avif");

    EXPECT_EQ(json::write(OutputFormat::webp().encode()), "\"org.webmproject.webp\"");
    EXPECT_EQ(decoded("\"org.webmproject.webp\""), OutputFormat::webp());
    EXPECT_EQ(decoded("\"PUBLIC.JPEG\""), OutputFormat::jpeg());
    EXPECT_EQ(decoded("\"com.brackwen.pictavobyfenwid.same-as-source\""), OutputFormat::sameAsSource());
    // Known but not writeable decodes all the same.
    EXPECT_EQ(decoded("\"public.camera-raw-image\"").id(), "public.camera-raw-image");

    const auto failureOf = [](const std::string& text) {
        return engine_testing::decodingFailure([&] { decoded(text); });
    };
    const auto empty = failureOf("\"\"");
    EXPECT_EQ(empty.kind(), json::DecodingError::Kind::dataCorrupted);
    EXPECT_EQ(empty.description(), "Unknown type identifier ");
    EXPECT_EQ(failureOf("\"COM.BRACKWEN.PICTAVOBYFENWID.SAME-AS-SOURCE\"").description(),
              "Unknown type identifier COM.BRACKWEN.PICTAVOBYFENWID.SAME-AS-SOURCE");
    EXPECT_EQ(failureOf("\"org.example.unknown\"").description(), "Unknown type identifier org.example.unknown");
    EXPECT_EQ(failureOf("42").kind(), json::DecodingError::Kind::typeMismatch);
}

TEST(OutputFormat, SameAsSourceResolvesToTheSourceOrAFallBack) {
    const std::unordered_set<std::string> writeable = {"public.png", "public.jpeg", "public.tiff"};
    const auto& same = OutputFormat::sameAsSource();

    EXPECT_EQ(same.resolved(std::nullopt, true, writeable), (OutputFormat::Resolution{OutputFormat::png(), std::nullopt}));
    EXPECT_EQ(same.resolved(std::nullopt, false, writeable), (OutputFormat::Resolution{OutputFormat::jpeg(), std::nullopt}));
    for (bool alpha : {true, false})
        EXPECT_EQ(same.resolved(ContentType::tiff(), alpha, writeable),
                  (OutputFormat::Resolution{OutputFormat::tiff(), std::nullopt}));

    const auto fellBack = same.resolved(ContentType::cameraRawImage(), false, writeable);
    EXPECT_EQ(fellBack.format, OutputFormat::jpeg());
    EXPECT_EQ(fellBack.insteadOf, ContentType::cameraRawImage());
    EXPECT_EQ(same.resolved(ContentType::gif(), true, writeable).format, OutputFormat::png());

    // A real format is never replaced, writeable or not.
    EXPECT_EQ(OutputFormat::bmp().resolved(ContentType::png(), true, {}),
              (OutputFormat::Resolution{OutputFormat::bmp(), std::nullopt}));

    const OutputFormat::Resolution again{OutputFormat::jpeg(), ContentType::cameraRawImage()};
    EXPECT_EQ(fellBack, again);
    EXPECT_EQ(fellBack.hash(), again.hash());
    EXPECT_NE(fellBack, (OutputFormat::Resolution{OutputFormat::jpeg(), std::nullopt}));
}

TEST(WriteableFormats, JoinEncodersAndOptimisersThatHonourBothPoliciesAndOrderTheCommonlyWanted) {
    const OutputFormat svg(ContentType::svg());
    const auto ids = pictavo::WriteableFormats::writeableIdentifiers({OutputFormat::png(), OutputFormat::jpeg()},
                                                   {svg, OutputFormat::pdf()}, {svg, OutputFormat::gif()});
    EXPECT_EQ(ids, (std::unordered_set<std::string>{"public.png", "public.jpeg", "public.svg-image"}));

    EXPECT_EQ(idsOf(pictavo::WriteableFormats::commonlyWantedAmong({"public.tiff", "org.webmproject.webp", "public.png", "public.jpeg",
                                                  "public.heic", "com.microsoft.bmp"})),
              (std::vector<std::string>{"public.heic", "public.jpeg", "public.png", "org.webmproject.webp",
                                        "public.tiff"}));
    EXPECT_TRUE(pictavo::WriteableFormats::commonlyWantedAmong({}).empty());
}
