#pragma once
#include "platform/files/FileDescriptor.h"
#include "platform/files/FileStatus.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// What a replacement on a disk without hard links writes down beside its complete working
// file before the original leaves its name, so that a replacement cut short between the two
// renames can be finished later: the name the converted file is to take, and the original's
// size and modification time, which tell the original still under that name from a file
// that came after it.
struct ReplacementRecord {
    std::string name;
    FileStamp original;
    friend bool operator==(const ReplacementRecord&, const ReplacementRecord&) = default;
};

// A first line that marks the text as such a record, the size and the modification time in
// nanoseconds ("-" when unknown) on a line each, then the name's bytes to the end.
std::string replacementRecordText(const ReplacementRecord& record);

// The record the text holds; none for anything replacementRecordText did not write, or for a
// name that is not one file name (found in a folder, the text may come from anyone).
std::optional<ReplacementRecord> parseReplacementRecord(std::string_view text);

// Writes the record as a new file, held locked (flock) through the returned descriptor from
// before its first byte, and flushed to disk. Throws FileError (write) naming the path;
// nothing is left then. A disk that cannot lock still gets the record.
FileDescriptor writeHeldReplacementRecord(const std::filesystem::path& path, const ReplacementRecord& record);

// A record file nobody holds, now held through `lock`, with its record (none when it cannot
// be read: cut short while written, or not such a record).
struct TakenOverRecord {
    FileDescriptor lock;
    std::optional<ReplacementRecord> record;
};
// None while another holds the file, or when it is not a regular file of this user's that
// can be opened.
std::optional<TakenOverRecord> takeOverReplacementRecord(const std::filesystem::path& path);

} // namespace platform
