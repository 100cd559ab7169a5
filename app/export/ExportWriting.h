#pragma once
#include "platform/base/Bytes.h"

#include <filesystem>
#include <functional>
#include <string>

namespace pictavo {

// Where an export's bytes go on disk. Neither operation ever replaces a file that is
// already there: a taken name is passed over for the next free one ("photo-1.webp").
class ExportWriting {
public:
    // Throws (normally ReplaceRefusal::sourceChanged) when the file at the path is not the
    // version the run recorded.
    using VersionCheck = std::function<void(const std::filesystem::path&)>;

    virtual ~ExportWriting() = default;

    // Writes the bytes as a new file in the folder, complete and flushed, under the name or
    // the first free numbered variant of it, and returns its path. The name is first made
    // one safe file name. Throws platform::FileError naming the file it meant to write
    // (EACCES or EPERM when the folder refuses it).
    virtual std::filesystem::path write(const platform::Bytes& data, const std::filesystem::path& folder,
                                        const std::string& fileName) = 0;

    // Puts the bytes in the original's place and the original in the Trash, checking the
    // original with `check` before it is moved and again in the Trash; returns the path of
    // the new file. Every failure leaves the original in place or in the Trash and removes
    // the working file; a process killed at any moment leaves the original in place, or in
    // the Trash with the new file under the output name (on a disk without hard links, once
    // the next sweep of working files has finished a replacement cut short between its two
    // renames). Throws the check's error (ReplaceRefusal::sourceChanged too for an
    // original that is gone), ReplaceRefusal::symbolicLink for an original that is a link,
    // a platform::FileError naming the final file when the working file cannot be written,
    // or an ExportWriterError.
    virtual std::filesystem::path replaceOriginal(const std::filesystem::path& original, const platform::Bytes& data,
                                                  const std::string& outputName, const VersionCheck& check) = 0;
};

} // namespace pictavo
