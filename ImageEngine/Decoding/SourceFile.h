#pragma once
#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Model/PixelDimensions.h"
#include "platform/base/Bytes.h"
#include "platform/files/FilePath.h"
#include "platform/read/StoredSides.h"

#include <cstdint>
#include <filesystem>
#include <optional>

namespace pictavo {

// The refusal of a file this computer reads no image from, whatever its name says: one
// without an extension, or a pipe, a device, a socket or a folder where a source was.
ConversionError unreadableKindOfFile();

// Throws what the user reads when a source could not be opened for a reason that is no
// damaged image: the refusal above when it is not a regular file, and the read error itself
// (whose sentence says there is no such file, or no permission to view it) when it is not
// there or may not be read. Returns, for the caller to report, on any other read error.
void refuseWhatCannotBeOpened(const platform::FileError& error);

// A source's bytes, read without waiting on a pipe nor reading a device without end. What
// is not a regular file is refused as above; any other read error is thrown unchanged.
platform::Bytes readSourceFile(const std::filesystem::path& url);
// The first bytes of a source, read the same way: enough for the header of a picture whose
// metadata segments before it are of any ordinary size.
platform::Bytes readSourceStart(const std::filesystem::path& url);
// The source's length in bytes; 0 when it cannot be known.
std::uint64_t sourceLength(const std::filesystem::path& url);
// What the header of a source declares of the stored pixels of its page (1 the first), read
// where the header lies without reading the file whole (see platform/read/StoredSides.h for
// the formats); none for other formats or when the header does not read. What is not a
// regular file is refused as above; any other read error is thrown unchanged.
std::optional<platform::StoredSides> storedPictureInHeader(const std::filesystem::path& url, std::int64_t page = 1);
// Its sides alone.
std::optional<PixelDimensions> storedSidesInHeader(const std::filesystem::path& url, std::int64_t page = 1);

} // namespace pictavo
