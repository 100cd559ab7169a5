#include "support/WebPInspection.h"

#include <gtest/gtest.h>
#include <webp/decode.h>
#include <webp/mux.h>

namespace testing_support {

DecodedWebP decodeWebP(const platform::Bytes& webp) {
    DecodedWebP decoded;
    std::uint8_t* pixels = WebPDecodeRGBA(webp.data(), webp.size(), &decoded.width, &decoded.height);
    EXPECT_NE(pixels, nullptr);
    if (pixels) decoded.rgba.assign(pixels, pixels + static_cast<std::size_t>(decoded.width) * decoded.height * 4);
    WebPFree(pixels);
    return decoded;
}

std::optional<platform::Bytes> webpChunk(const platform::Bytes& webp, const char* fourcc) {
    WebPData data = {webp.data(), webp.size()};
    WebPMux* mux = WebPMuxCreate(&data, 0);
    EXPECT_NE(mux, nullptr);
    std::optional<platform::Bytes> payload;
    WebPData found;
    if (mux != nullptr && WebPMuxGetChunk(mux, fourcc, &found) == WEBP_MUX_OK)
        payload = platform::Bytes(found.bytes, found.bytes + found.size);
    WebPMuxDelete(mux);
    return payload;
}

} // namespace testing_support
