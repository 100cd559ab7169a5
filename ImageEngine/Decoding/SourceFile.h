#pragma once
#include "ImageEngine/Model/ConversionError.h"
#include "platform/base/Bytes.h"
#include "platform/files/FilePath.h"

#include <filesystem>

namespace pictavo {

// The refusal of a file this computer reads no image from, whatever its name says: one
// without an extension, or a pipe, a device, a socket or a folder where a source was.
ConversionError unreadableKindOfFile();

// Throws the refusal above when the read error says the source is not a regular file, which
// is no damaged image; returns, for the caller to report, when it is any other read error.
void refuseWhatIsNotAFile(const platform::FileError& error);

// A source's bytes, read without waiting on a pipe nor reading a device without end. What
// is not a regular file is refused as above; any other read error is thrown unchanged.
platform::Bytes readSourceFile(const std::filesystem::path& url);

} // namespace pictavo
