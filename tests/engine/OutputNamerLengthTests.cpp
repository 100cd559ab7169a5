#include "ImageEngine/Core/OutputNamer.h"
#include "platform/SafeFileName.h"

#include <gtest/gtest.h>

namespace {

using pictavo::OutputFormat;
using pictavo::OutputNamer;

// The preview shows the name the writer will write: one that fits the file system, with
// its extension.
TEST(OutputNamerLength, ALongPatternIsShortenedBeforeTheExtension) {
    const std::string pattern = "{name}-" + std::string(400, 'x');
    const std::string name =
        OutputNamer::fileName("photo.png", pattern, OutputFormat::webp(), {100, 100}, std::nullopt, std::nullopt);
    EXPECT_EQ(name.size(), platform::maximumFileNameBytes);
    EXPECT_TRUE(name.starts_with("photo-xxx"));
    EXPECT_TRUE(name.ends_with("x.webp"));
    EXPECT_EQ(OutputNamer::fileName("../photo.png", "../{name}", OutputFormat::png(), {1, 1}, std::nullopt, std::nullopt)
                  .find('/'),
              std::string::npos);
}

} // namespace
