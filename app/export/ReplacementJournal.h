#pragma once
#include "platform/files/FileDescriptor.h"
#include "platform/files/FileOperations.h"
#include "platform/files/ReplacementRecord.h"

#include <filesystem>
#include <string_view>

namespace pictavo {

// The record of a replacement under way on a disk without hard links, in a hidden file
// beside its working file (the working file's name and ".replacing"), from before the
// original leaves its name until the converted file has taken it or the original is back.
// The writer holds the file locked while it lives, so that a sweep tells a replacement under
// way, in this or another copy of the application, from one a crash cut short, however old
// either is: the kernel lets go of the lock of a process that dies.
//
// Thread rule: any thread; one object is used by one thread at a time.
class ReplacementJournal {
public:
    static std::filesystem::path pathFor(const std::filesystem::path& working);
    // Whether the name is a journal's: a working file's name and ".replacing".
    static bool isJournalName(std::string_view name);
    // The working file the journal at the path belongs to.
    static std::filesystem::path workingFileOf(const std::filesystem::path& journal);

    // Writes the record beside the working file, flushed to disk with its name, and holds it.
    // Throws platform::FileError (write) naming the journal; nothing is left then.
    ReplacementJournal(const std::filesystem::path& working, const platform::ReplacementRecord& record,
                       platform::FileOperations& files);
    // Notes in the record, flushed to disk, the claim of the path's name that a move is about
    // to make; given to moves as their ClaimNotice. Throws platform::FileError (write).
    platform::ClaimNotice claimNotice(platform::ClaimPlace place);

    // The replacement is over, whichever way it went: the record goes.
    ~ReplacementJournal();
    ReplacementJournal(const ReplacementJournal&) = delete;
    ReplacementJournal& operator=(const ReplacementJournal&) = delete;

private:
    std::filesystem::path path_;
    platform::FileOperations& files_;
    platform::FileDescriptor lock_;
};

} // namespace pictavo
