#pragma once
#include "platform/files/FileStatus.h"

#include <cstddef>
#include <filesystem>
#include <functional>

namespace pictavo {

// Which picture a thumbnail shows: the file's absolute, cleaned path and its stamp, so that
// an edited file makes a new thumbnail.
struct ThumbnailSource {
    std::filesystem::path path;
    platform::FileStamp stamp;
    friend bool operator==(const ThumbnailSource&, const ThumbnailSource&) = default;
};

} // namespace pictavo

template <>
struct std::hash<pictavo::ThumbnailSource> {
    std::size_t operator()(const pictavo::ThumbnailSource& source) const {
        return std::filesystem::hash_value(source.path) ^ (std::hash<std::int64_t>{}(source.stamp.byteCount) << 1);
    }
};
