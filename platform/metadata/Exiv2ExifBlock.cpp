#include "platform/metadata/Exiv2ExifBlock.h"

#include <exiv2/exiv2.hpp>
#include <string>

namespace platform {

bool isMakerNote(const Exiv2::Exifdatum& datum) {
    const std::string group = datum.groupName();
    return datum.key() == "Exif.Photo.MakerNote" || group == "MakerNote" || Exiv2::ExifTags::isMakerGroup(group);
}

Bytes wholeExifBlock(const Exiv2::ExifData& data, int order) {
    const auto byteOrder = order == Exiv2::invalidByteOrder ? Exiv2::littleEndian : static_cast<Exiv2::ByteOrder>(order);
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, byteOrder, data);
    Exiv2::ExifData written;
    if (!blob.empty()) Exiv2::ExifParser::decode(written, blob.data(), static_cast<std::uint32_t>(blob.size()));
    bool whole = true;
    for (const auto& datum : data) whole = whole && written.findKey(Exiv2::ExifKey(datum.key())) != written.end();
    if (whole) return Bytes(blob.begin(), blob.end());
    Exiv2::MemIo io;
    Exiv2::TiffParser::encode(io, nullptr, 0, byteOrder, data, Exiv2::IptcData(), Exiv2::XmpData());
    if (io.size() <= 0) return {};
    return Bytes(io.mmap(), io.mmap() + io.size());
}

} // namespace platform
