#include "ImageEngine/Encoding/png/ZlibStream.h"

#include "platform/base/BigEndian.h"
#include "platform/base/RawDeflate.h"

#include "shims/pctv_libdeflate.h"

#include <algorithm>
#include <memory>

namespace pictavo {
namespace {

constexpr std::size_t headerLength = 2;
constexpr std::size_t trailerLength = 4;
// The shortest stream worth reading: header, one byte of body, trailer.
constexpr std::size_t shortestStream = headerLength + 1 + trailerLength;

bool isReadableHeader(std::uint8_t cmf, std::uint8_t flg) {
    const bool deflateWithSmallWindow = (cmf & 0x8F) == 0x08;
    const bool presetDictionary = (flg & 0x20) != 0;
    const bool checksumHolds = (static_cast<unsigned>(cmf) * 256 + flg) % 31 == 0;
    return deflateWithSmallWindow && !presetDictionary && checksumHolds;
}

// The stream decodes to exactly `buffer`, checked as it decodes: the read-back never holds a
// second copy of the rows.
bool readsBackAs(std::span<const std::uint8_t> stream, std::span<const std::uint8_t> buffer, std::size_t budget) {
    if (stream.size() < shortestStream || buffer.empty() || budget < buffer.size()) return false;
    if (!isReadableHeader(stream[0], stream[1])) return false;
    const std::uint32_t storedAdler = platform::readBigEndian32(stream.data() + stream.size() - trailerLength);
    if (pctv_libdeflate_adler32(1, buffer.data(), buffer.size()) != storedAdler) return false;
    return platform::inflatesRawTo(stream.subspan(headerLength, stream.size() - headerLength - trailerLength), buffer);
}

} // namespace

std::optional<platform::Bytes> inflateZlib(std::span<const std::uint8_t> stream, std::size_t expectedLength,
                                           std::size_t budget) {
    if (stream.size() < shortestStream || expectedLength < 1 || budget < expectedLength) return std::nullopt;
    if (!isReadableHeader(stream[0], stream[1])) return std::nullopt;
    const std::uint32_t storedAdler = platform::readBigEndian32(stream.data() + stream.size() - trailerLength);
    const auto body = stream.subspan(headerLength, stream.size() - headerLength - trailerLength);

    // One spare byte shows a stream that decodes to more than it should.
    platform::Bytes output(expectedLength + 1);
    const auto produced = platform::inflateRaw(body, output);
    if (!produced || *produced != expectedLength) return std::nullopt;
    output.resize(expectedLength);

    if (pctv_libdeflate_adler32(1, output.data(), output.size()) != storedAdler) return std::nullopt;
    return output;
}

std::optional<platform::Bytes> deflateAndVerify(std::span<const std::uint8_t> buffer, int level,
                                                std::size_t budget) {
    if (buffer.empty()) return std::nullopt;
    std::uint8_t* compressed = nullptr;
    std::size_t compressedLength = 0;
    if (pctv_libdeflate_zlib(buffer.data(), buffer.size(), level, &compressed, &compressedLength) != 0)
        return std::nullopt;
    const std::unique_ptr<std::uint8_t, decltype(&pctv_libdeflate_free)> owner(compressed, pctv_libdeflate_free);
    const std::span<const std::uint8_t> stream(compressed, compressedLength);
    if (!readsBackAs(stream, buffer, budget)) return std::nullopt;
    return platform::Bytes(stream.begin(), stream.end());
}

} // namespace pictavo
