#pragma once
#include "app/export/ExportWriting.h"
#include "app/export/FreedesktopTrash.h"
#include "platform/files/FileOperations.h"
#include "platform/files/ReplacementRecord.h"

#include <optional>
#include <string_view>

namespace pictavo {

// The export writer over the real file system and the user's Trash.
//
// Replacing an original: the bytes go to a hidden working file (".export-" + UUID) beside
// it, written exclusively with the original's permission bits and flushed to disk, and the
// original is checked. Then the original goes to the Trash and is checked again there, in
// an order that leaves, at every moment a crash could come, the original either in its
// place or in the Trash with its replacement under its name:
// - under another name, the working file takes the output name (never replacing anything)
//   before the original moves to the Trash;
// - under the original's own name, the original is linked into the Trash, and the working
//   file and the original swap names in one step;
// - on a disk without hard links or such swaps, a journal beside the working file records
//   the replacement; the original moves to the Trash and the working file takes the name it
//   left; when that fails the original is put back. Where a move claims its target as an
//   empty file before renaming over it, the journal notes each claim before it is made. A
//   replacement cut short between the two renames, or between a claim and its rename, is
//   finished from the journal by the next sweep (finishCutShort).
// A second check that fails removes the converted file and puts the original back (without
// replacing anything) where it had left. An output name that is the original's own in other
// letter case, on a disk that ignores case, is the original's name, spelt as the original.
class SystemExportWriter : public ExportWriting {
public:
    SystemExportWriter();
    SystemExportWriter(platform::FileOperations& files, Trash& trash) : files_(files), trash_(trash) {}

    std::filesystem::path write(const platform::Bytes& data, const std::filesystem::path& folder,
                                const std::string& fileName) override;
    std::filesystem::path replaceOriginal(const std::filesystem::path& original, const platform::Bytes& data,
                                          const std::string& outputName, const VersionCheck& check) override;

    // Whether the name is that of a working file (".export-" and an upper-case UUID): one
    // found outside a replacement was left by a writer that did not finish.
    static bool isWorkingFileName(std::string_view name);

    // Finishes a replacement that a crash cut short, from its journal (taken over, with a
    // readable record): the working file takes the name the journal claimed for it, the
    // recorded name, or the next free one when another file took it meanwhile. It is only
    // removed when the original is still under its name, never having left; the empty item
    // a move into the Trash claimed then goes with its record, and an empty claim nothing is
    // to fill goes too. A folder that refuses the name keeps the working file for a later
    // sweep.
    void finishCutShort(const std::filesystem::path& working, const platform::TakenOverRecord& journal);

private:
    std::filesystem::path replaceUnderAnotherName(const std::filesystem::path& original,
                                                  const std::filesystem::path& working, const std::string& name,
                                                  const VersionCheck& check);
    // None on a disk that cannot link or swap; the working file is then still there.
    std::optional<std::filesystem::path> replaceUnderTheSameName(const std::filesystem::path& original,
                                                                 const std::filesystem::path& working,
                                                                 const VersionCheck& check);
    void swapBack(const std::filesystem::path& working, const std::filesystem::path& original);
    std::filesystem::path replaceThroughTheTrash(const std::filesystem::path& original,
                                                 const std::filesystem::path& working, const std::string& name,
                                                 const VersionCheck& check);
    TrashedItem moveToTrash(const std::filesystem::path& original, const std::filesystem::path& converted,
                            const platform::ClaimNotice& noteClaim = {});
    void checkInTrash(const TrashedItem& trashed, const std::filesystem::path& original,
                      const std::filesystem::path& converted, const std::optional<std::filesystem::path>& aside,
                      const VersionCheck& check, const platform::ClaimNotice& noteClaim = {});
    std::filesystem::path takeFreeName(const std::filesystem::path& working, const std::filesystem::path& folder,
                                       const std::string& name, const platform::ClaimNotice& noteClaim = {});
    bool putBack(const TrashedItem& trashed, const std::filesystem::path& original,
                 const platform::ClaimNotice& noteClaim = {});
    void dropTrashClaim(const std::filesystem::path& original, const std::string& trashName,
                        std::int64_t notedAt);
    void giveAFreeName(const std::filesystem::path& file, const std::filesystem::path& wanted);
    std::filesystem::path freeName(const std::filesystem::path& folder, const std::string& name);

    platform::FileOperations& files_;
    Trash& trash_;
};

} // namespace pictavo
