#include "ImageEngine/Model/OutputNamer.h"

#include "platform/files/FilePath.h"
#include "platform/files/SafeFileName.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

using namespace pictavo;
using testing_support::TemporaryFolder;

namespace {

std::string jpegName(const std::string& pattern, platform::Size size = {1920, 1080},
                     std::optional<double> scale = std::nullopt, std::optional<std::int64_t> quality = std::nullopt,
                     const std::string& source = "Holiday.heic") {
    return OutputNamer::fileName(source, pattern, OutputFormat::jpeg(), size, scale, quality);
}

} // namespace

TEST(OutputNamerFileName, ExpandsKnownTokensCopiesUnknownOnesKeepsTheTypedExtensionAndFallsBackToTheSourceName) {
    EXPECT_EQ(jpegName("{name}-{w}x{h}"), "Holiday-1920x1080.jpg");
    EXPECT_EQ(jpegName("{name}@{scale}x", {1, 1}, 2.0), "Holiday@2x.jpg");
    EXPECT_EQ(jpegName("{name}@{scale}x", {1, 1}, 1.5), "Holiday@1.5x.jpg");
    EXPECT_EQ(jpegName("{name}@{scale}x", {1, 1}, 0.25), "Holiday@0.25x.jpg");
    EXPECT_EQ(jpegName("{name}@{scale}x", {1, 1}, 1e20), "Holiday@1e+20x.jpg");
    EXPECT_EQ(jpegName("{name}-q{quality}", {1, 1}, std::nullopt, 85), "Holiday-q85.jpg");
    EXPECT_EQ(jpegName("{name} as {format}"), "Holiday as jpg.jpg");
    EXPECT_EQ(jpegName("{w}", {99.5, 1}), "100.jpg");
    EXPECT_EQ(jpegName("{name}{name}"), "HolidayHoliday.jpg");

    // Sides outside the integer range expand to nothing.
    const double nan = std::nan("");
    const double infinity = std::numeric_limits<double>::infinity();
    EXPECT_EQ(jpegName("{name}-{w}x{h}", {nan, infinity}), "Holiday-x.jpg");
    EXPECT_EQ(jpegName("{name}-{w}x{h}", {1e19, -1e19}), "Holiday-x.jpg");
    EXPECT_EQ(jpegName("{name}-{w}", {-3.5, 1}), "Holiday--4.jpg");

    // Known tokens inside unknown ones still expand.
    EXPECT_EQ(jpegName("{nam}"), "{nam}.jpg");
    EXPECT_EQ(jpegName("{a{name}"), "{aHoliday.jpg");
    EXPECT_EQ(jpegName("{name"), "{name.jpg");
    EXPECT_EQ(jpegName("{NAME}}"), "{NAME}}.jpg");
    EXPECT_EQ(jpegName("caf\u00E9 {name} \U0001F600"), "caf\u00E9 Holiday \U0001F600.jpg");

    EXPECT_EQ(jpegName("{name}.JPG"), "Holiday.JPG");
    EXPECT_EQ(jpegName("{name}.jpg"), "Holiday.jpg");
    EXPECT_EQ(jpegName("{name}.png"), "Holiday.png.jpg");
    // A JPEG source keeps its own extension as the output's.
    EXPECT_EQ(jpegName("{name}-small", {1, 1}, std::nullopt, std::nullopt, "Beach.JPEG"), "Beach-small.JPEG");
    EXPECT_EQ(jpegName("{name}.{format}", {1, 1}, std::nullopt, std::nullopt, "Beach.jpeg"), "Beach.jpeg");

    EXPECT_EQ(jpegName(""), "Holiday.jpg");
    EXPECT_EQ(jpegName("   "), "Holiday.jpg");
    EXPECT_EQ(jpegName(".jpg"), "Holiday.jpg");
    EXPECT_EQ(jpegName(" \t\n\u00A0.JPG"), "Holiday.jpg");
    EXPECT_EQ(jpegName("{quality}"), "Holiday.jpg");
    EXPECT_EQ(jpegName("  x  "), "  x  .jpg");
    // Source names follow the platform's extension rules.
    EXPECT_EQ(jpegName("", {1, 1}, std::nullopt, std::nullopt, ".hidden"), ".hidden.jpg");
    EXPECT_EQ(jpegName("", {1, 1}, std::nullopt, std::nullopt, "archive.tar.gz"), "archive.tar.jpg");
    EXPECT_EQ(jpegName("", {1, 1}, std::nullopt, std::nullopt, "README"), "README.jpg");
}

TEST(OutputNamerFileName, NamesAreAlwaysOneSafePathComponentThatFitsTheFileSystem) {
    EXPECT_EQ(jpegName("a/b:c"), "a-b-c.jpg");
    EXPECT_EQ(jpegName("{name}", {1, 1}, std::nullopt, std::nullopt, "10:30 trip/day.heic"), "10-30 trip-day.jpg");
    EXPECT_EQ(jpegName("../../etc/passwd"), "..-..-etc-passwd.jpg");
    // A NUL would cut the name short at the system call, and write a file nobody checked.
    EXPECT_EQ(jpegName(std::string("abc\0.jpg", 8)), "abc-.jpg");
    EXPECT_EQ(jpegName("tab\there\x7F\u0085end"), "tab-here--end.jpg");
    EXPECT_EQ(jpegName("{name}", {1, 1}, std::nullopt, std::nullopt, std::string("ev\0il\r.heic", 11)),
              "ev-il-.jpg");
    // Bytes that are not UTF-8 are kept as the file system gave them.
    EXPECT_EQ(jpegName("{name}", {1, 1}, std::nullopt, std::nullopt, "caf\xE9.heic"), "caf\xE9.jpg");

    // The preview shows the name the writer will write: one that fits the file system, with
    // its extension.
    const std::string name = jpegName("{name}-" + std::string(400, 'x'));
    EXPECT_EQ(name.size(), platform::maximumFileNameBytes);
    EXPECT_TRUE(name.starts_with("Holiday-xxx"));
    EXPECT_TRUE(name.ends_with("x.jpg"));
}

TEST(OutputNamerUniqueURL, NumbersNamesInOrderUntilOneIsFreeAndGivesUpInsteadOfLoopingForEver) {
    TemporaryFolder folder;
    folder.write("a.png", {1});
    folder.write("a-1.png", {1});
    folder.write("README", {1});
    const auto taken = [](const std::filesystem::path& path) { return platform::pathExists(path); };
    EXPECT_EQ(OutputNamer::uniqueURL(folder.path(), "a.png", taken), folder.file("a-2.png"));
    EXPECT_EQ(OutputNamer::uniqueURL(folder.path(), "b.png", taken), folder.file("b.png"));
    EXPECT_EQ(OutputNamer::uniqueURL(folder.path(), "README", taken), folder.file("README-1"));
    EXPECT_EQ(OutputNamer::uniqueURL(folder.path(), "a.tar.gz", [&](const std::filesystem::path& path) {
                  return path.filename() == "a.tar.gz";
              }),
              folder.file("a.tar-1.gz"));

    std::vector<std::string> asked;
    const auto everythingTaken = [&](const std::filesystem::path& path) {
        asked.push_back(path.filename().string());
        return true;
    };
    EXPECT_THROW(OutputNamer::uniqueURL("/out", "photo.jpg", everythingTaken), OutputNamer::NoFreeName);
    ASSERT_EQ(asked.size(), static_cast<std::size_t>(OutputNamer::maximumAttempts + 1));
    EXPECT_EQ(asked[0], "photo.jpg");
    EXPECT_EQ(asked[1], "photo-1.jpg");
    EXPECT_EQ(asked[2], "photo-2.jpg");
    EXPECT_EQ(asked.back(), "photo-10000.jpg");
}
