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
//
// On a disk where a move first creates its target as an empty file (see moveNoReplace), each
// such claim is noted in the record before it is made: the last one in the folder, and the
// last one in the Trash's folder of items, so that the empty file a move cut short leaves is
// known for the replacement's own and never taken for a file of the user's.
struct ReplacementRecord {
    std::string name;
    FileStamp original;
    std::optional<std::string> claimedName = std::nullopt;
    std::optional<std::string> claimedTrashName = std::nullopt;
    // The original's own name, when the converted file is to take another.
    std::optional<std::string> originalName = std::nullopt;
    friend bool operator==(const ReplacementRecord&, const ReplacementRecord&) = default;
};

enum class ClaimPlace { folder, trash };

// A first line that marks the text as such a record, the size and the modification time in
// nanoseconds ("-" when unknown) on a line each, then entries: a kind and the byte count of
// a name on a line, and the name's bytes on the next. The name comes first ("name"), the
// original's own name next when it differs ("original"), then each claim ("folder" or
// "trash"). Records of earlier versions had another first
// line and the name's bytes to the end, and no claims; they are still read.
std::string replacementRecordText(const ReplacementRecord& record);

// The record the text holds; none for anything replacementRecordText did not write, or for a
// name that is not one file name (found in a folder, the text may come from anyone). A claim
// cut short while it was appended is passed over: it was never made.
std::optional<ReplacementRecord> parseReplacementRecord(std::string_view text);

// Writes the record as a new file, held locked (flock) through the returned descriptor from
// before its first byte, and flushed to disk. Throws FileError (write) naming the path;
// nothing is left then. A disk that cannot lock still gets the record.
FileDescriptor writeHeldReplacementRecord(const std::filesystem::path& path, const ReplacementRecord& record);

// Appends the claim of `name` to the record file held through `record` at `path`, flushed
// to disk before it returns, so that the claim is made only once it is noted. Throws
// FileError (write) naming the path.
void noteReplacementClaim(const FileDescriptor& record, const std::filesystem::path& path, ClaimPlace place,
                          const std::string& name);

// A record file nobody holds, now held through `lock` (open for appending claims), with its
// record (none when it cannot be read: cut short while written, or not such a record), and
// when it was last written: a claim it notes was made after that moment.
struct TakenOverRecord {
    FileDescriptor lock;
    std::optional<ReplacementRecord> record;
    std::int64_t writtenNanoseconds = 0;
};
// None while another holds the file, or when it is not a regular file of this user's that
// can be opened.
std::optional<TakenOverRecord> takeOverReplacementRecord(const std::filesystem::path& path);

} // namespace platform
