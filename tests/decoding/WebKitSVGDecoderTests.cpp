#include "ImageEngine/Decoding/DecoderRegistry.h"
#include "ImageEngine/Decoding/WebKitSVGDecoder.h"
#include "ImageEngine/Decoding/WebKitSVGSource.h"
#include "support/ConversionErrorCapture.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

using namespace pictavo;
using testing_support::thrownBy;

namespace {

platform::Bytes bytes(const std::string& text) { return platform::Bytes(text.begin(), text.end()); }

// Screening sends a filter to the browser; reading it there starts no browser, and its
// properties are those the system drawer reads.
TEST(WebKitSVGDecoder, TheStandardDecoderHandsWhatNeedsTheBrowserToIt) {
    testing_support::TemporaryFolder folder;
    const auto path = folder.write("blurred.svg", bytes(R"~(<svg xmlns="http://www.w3.org/2000/svg" width="60" height="40">
  <filter id="b"><feGaussianBlur stdDeviation="2"/></filter><rect width="60" height="40" filter="url(#b)"/></svg>)~"));
    const auto decoded = DecoderRegistry::standard().decoder(path)->decode(path, 3);
    ASSERT_NE(decoded.asVector(), nullptr);
    EXPECT_NE(dynamic_cast<const WebKitSVGSource*>(decoded.asVector()->source.get()), nullptr);
    EXPECT_EQ(decoded.asVector()->source->intrinsicSize(), (platform::Size{60, 40}));
    for (const auto& properties : {decoded.properties(), WebKitSVGDecoder().properties(path)})
        EXPECT_EQ(std::tuple(properties.pixelSize(), properties.isVector, properties.hasAlpha, properties.sourceUTType),
                  std::tuple(platform::Size{60, 40}, true, true, platform::ContentType::svg()));

    const auto sizeless = folder.write("sizeless.svg", bytes("<svg xmlns=\"http://www.w3.org/2000/svg\"><mask/></svg>"));
    EXPECT_EQ(thrownBy([&] { WebKitSVGDecoder().decode(sizeless); }), ConversionError::decodeFailed("sizeless.svg"));
}

} // namespace
