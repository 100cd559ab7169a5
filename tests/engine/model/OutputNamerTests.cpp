#include "ImageEngine/Model/OutputNamer.h"

#include "platform/files/FilePath.h"
#include "platform/files/SafeFileName.h"
#include "platform/text/UnicodeText.h"
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
    for (const auto& [scale, name] : {std::pair{2.0, "Holiday@2x.jpg"}, {1.5, "Holiday@1.5x.jpg"},
                                      {0.25, "Holiday@0.25x.jpg"}, {1e20, "Holiday@1e+20x.jpg"}})
        EXPECT_EQ(jpegName("{name}@{scale}x", {1, 1}, scale), name);
    EXPECT_EQ(jpegName("{name}-q{quality}", {1, 1}, std::nullopt, 85), "Holiday-q85.jpg");
    EXPECT_EQ(jpegName("{w}", {99.5, 1}), "100.jpg");

    // Sides outside the integer range expand to nothing.
    const double nan = std::nan("");
    const double infinity = std::numeric_limits<double>::infinity();
    EXPECT_EQ(jpegName("{name}-{w}x{h}", {nan, infinity}), "Holiday-x.jpg");
    EXPECT_EQ(jpegName("{name}-{w}x{h}", {1e19, -1e19}), "Holiday-x.jpg");
    EXPECT_EQ(jpegName("{name}-{w}", {-3.5, 1}), "Holiday--4.jpg");

    // Known tokens inside unknown ones still expand; a typed extension of the format is kept.
    const std::pair<const char*, const char*> patterns[] = {
        {"{name} as {format}", "Holiday as jpg.jpg"}, {"{name}{name}", "HolidayHoliday.jpg"}, {"{nam}", "{nam}.jpg"},
        {"{a{name}", "{aHoliday.jpg"}, {"{name", "{name.jpg"}, {"{NAME}}", "{NAME}}.jpg"},
        {"caf\u00E9 {name} \U0001F600", "caf\u00E9 Holiday \U0001F600.jpg"}, {"{name}.JPG", "Holiday.JPG"},
        {"{name}.jpg", "Holiday.jpg"}, {"{name}.png", "Holiday.png.jpg"}, {"", "Holiday.jpg"}, {"   ", "Holiday.jpg"},
        {".jpg", "Holiday.jpg"}, {" \t\n\u00A0.JPG", "Holiday.jpg"}, {"{quality}", "Holiday.jpg"}, {"  x  ", "  x  .jpg"}};
    for (const auto& [pattern, name] : patterns) EXPECT_EQ(jpegName(pattern), name) << pattern;
    // A JPEG source keeps its own extension as the output's.
    EXPECT_EQ(jpegName("{name}-small", {1, 1}, std::nullopt, std::nullopt, "Beach.JPEG"), "Beach-small.JPEG");
    EXPECT_EQ(jpegName("{name}.{format}", {1, 1}, std::nullopt, std::nullopt, "Beach.jpeg"), "Beach.jpeg");
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
    EXPECT_EQ(std::tuple(asked[0], asked[1], asked[2], asked.back()),
              std::tuple("photo.jpg", "photo-1.jpg", "photo-2.jpg", "photo-10000.jpg"));
}

// A photo whose name is as long as a name may be: its numbered names are shortened before the
// number, never inside a character, so that the disk holds them (the writer's tests show the
// file written beside such a photo).
TEST(OutputNamerUniqueURL, ANameAsLongAsTheDiskAllowsIsShortenedToHoldItsNumberBetweenCharacters) {
    TemporaryFolder folder;
    const auto taken = [](const std::filesystem::path& path) { return platform::pathExists(path); };
    // Two-byte letters: 125 of them and ".jpg" fill 254 bytes; "-1" leaves room for 124.
    std::string accented;
    for (int i = 0; i < 125; ++i) accented += "\u00E9";
    folder.write(accented + ".jpg", {1});
    const std::string numbered = OutputNamer::uniqueURL(folder.path(), accented + ".jpg", taken).filename().string();
    EXPECT_LE(numbered.size(), platform::maximumFileNameBytes);
    EXPECT_TRUE(platform::isValidUTF8(numbered)) << numbered;
    EXPECT_EQ(numbered, accented.substr(0, 2 * 124) + "-1.jpg");
    folder.write(numbered, {1});
    EXPECT_TRUE(std::filesystem::exists(folder.file(numbered)));
}
