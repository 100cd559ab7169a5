#include "ImageEngine/Encoding/icns/ICNSContainer.h"

#include "platform/base/BigEndian.h"

#include <limits>

namespace pictavo::ICNSContainer {
namespace {

constexpr std::uint64_t typeAndLengthBytes = 8;

} // namespace

std::optional<platform::Bytes> write(const std::map<std::int64_t, platform::Bytes>& pngsBySide) {
    platform::Bytes body;
    for (const auto& element : elementTable) {
        const auto png = pngsBySide.find(element.side);
        if (png == pngsBySide.end()) continue;
        const std::uint64_t elementLength = typeAndLengthBytes + png->second.size();
        if (elementLength > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
        body.insert(body.end(), element.type.begin(), element.type.end());
        platform::appendBigEndian32(body, elementLength);
        body.insert(body.end(), png->second.begin(), png->second.end());
    }
    const std::uint64_t fileLength = typeAndLengthBytes + body.size();
    if (body.empty() || fileLength > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;

    platform::Bytes file{'i', 'c', 'n', 's'};
    file.reserve(fileLength);
    platform::appendBigEndian32(file, fileLength);
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

} // namespace pictavo::ICNSContainer
