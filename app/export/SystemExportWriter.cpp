#include "app/export/SystemExportWriter.h"

#include "ImageEngine/Model/OutputNamer.h"
#include "app/export/ExportWriterError.h"
#include "app/export/ReplaceRefusal.h"
#include "app/export/ReplacementJournal.h"
#include "platform/files/FileStatus.h"
#include "platform/files/SafeFileName.h"

#include <QString>
#include <QUuid>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace pictavo {

namespace fs = std::filesystem;
using platform::FileError;
using platform::FileOperation;

namespace {

// Another program may take each free name found before the write lands; after this many
// lost races in a row the last refusal is reported.
constexpr int attemptsAtAFreeName = 64;

FreedesktopTrash& userTrash() {
    static FreedesktopTrash trash;
    return trash;
}

std::string safeName(const fs::path& folder, const std::string& name) {
    if (auto safe = platform::oneFileName(name)) return *safe;
    throw FileError(folder / name, EINVAL, FileOperation::write);
}

constexpr std::string_view workingFilePrefix = ".export-";

std::string workingFileName() {
    return std::string(workingFilePrefix) + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toStdString();
}

// Whether the output name is the original's own in other letter case, on a disk that ignores
// it: the name is then the original's, not another file's. The kernel's drivers give both
// spellings one file; FUSE drivers give each its own number, but list only the original's.
bool namesTheOriginal(const fs::path& folder, const std::string& name, const fs::path& original) {
    const QString wanted = QString::fromStdString(name);
    if (wanted.compare(QString::fromStdString(original.filename().string()), Qt::CaseInsensitive) != 0) return false;
    if (platform::isSameFile(folder / name, original)) return true;
    return platform::pathExists(folder / name) && !platform::isListedIn(folder, name);
}

// Whether the file at the path is still the claim a journal noted before its last write
// (`notedAt`): an empty file of this user's, made after the note. A file of the user's that
// held the name before is older; one that was written since is not empty.
bool isOwnClaim(const fs::path& path, std::int64_t notedAt) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) return false;
    const std::int64_t made = std::int64_t{status.st_mtim.tv_sec} * 1'000'000'000 + status.st_mtim.tv_nsec;
    return S_ISREG(status.st_mode) && status.st_uid == ::geteuid() && status.st_size == 0 && made >= notedAt;
}

} // namespace

bool SystemExportWriter::isWorkingFileName(std::string_view name) {
    if (!name.starts_with(workingFilePrefix)) return false;
    name.remove_prefix(workingFilePrefix.size());
    // 8-4-4-4-12 upper-case hexadecimal digits.
    constexpr std::string_view shape = "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX";
    if (name.size() != shape.size()) return false;
    for (std::size_t i = 0; i < shape.size(); ++i) {
        const char c = name[i];
        const bool digit = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
        if (shape[i] == '-' ? c != '-' : !digit) return false;
    }
    return true;
}

SystemExportWriter::SystemExportWriter() : files_(platform::FileOperations::system()), trash_(userTrash()) {}

fs::path SystemExportWriter::freeName(const fs::path& folder, const std::string& name) {
    return OutputNamer::uniqueURL(folder, name, [this](const fs::path& candidate) { return files_.exists(candidate); });
}

fs::path SystemExportWriter::write(const platform::Bytes& data, const fs::path& folder, const std::string& fileName) {
    const std::string name = safeName(folder, fileName);
    for (int attempt = 1;; ++attempt) {
        fs::path target;
        try {
            target = freeName(folder, name);
        } catch (const OutputNamer::NoFreeName&) {
            throw FileError(folder / name, EEXIST, FileOperation::write);
        }
        try {
            files_.writeNewFileNoReplace(folder, target.filename().string(), data);
            return target;
        } catch (const FileError& error) {
            if (error.errorNumber() != EEXIST || attempt == attemptsAtAFreeName) throw;
        }
    }
}

fs::path SystemExportWriter::replaceOriginal(const fs::path& original, const platform::Bytes& data,
                                             const std::string& outputName, const VersionCheck& check) {
    // Replacing an original nobody recorded a version of would be replacing it unchecked.
    if (!check) throw ReplaceRefusal::sourceUnreadable();
    const fs::path folder = original.parent_path();
    std::string name = safeName(folder, outputName);
    // On a disk that ignores letter case the original's name in any spelling is its own; the
    // converted file keeps the spelling the disk lists (FUSE drivers keep the other spelling
    // looking taken for a moment after the original left).
    if (name != original.filename().string() && namesTheOriginal(folder, name, original)) name = original.filename();
    const fs::path working = folder / workingFileName();

    // Only a file itself is replaced: a link moved to the Trash would point nowhere there,
    // and the file it names would stay as it was.
    if (platform::isSymbolicLink(original)) throw ReplaceRefusal::symbolicLink();
    mode_t permissions = 0;
    try {
        permissions = files_.permissionBits(original);
    } catch (const FileError& error) {
        // An original gone since its snapshot was taken has changed; its folder is not the matter.
        if (error.errorNumber() == ENOENT || error.errorNumber() == ENOTDIR) throw ReplaceRefusal::sourceChanged();
        throw FileError(folder / name, error.errorNumber(), FileOperation::write);
    }
    try {
        files_.writeExclusive(working, data, permissions);
    } catch (const FileError& error) {
        throw FileError(folder / name, error.errorNumber(), FileOperation::write);
    }

    try {
        check(original);
    } catch (...) {
        files_.removeFile(working);
        throw;
    }

    if (name != original.filename().string()) return replaceUnderAnotherName(original, working, name, check);
    if (const std::optional<fs::path> replaced = replaceUnderTheSameName(original, working, check)) return *replaced;
    return replaceThroughTheTrash(original, working, name, check);
}

// The converted file takes its own name before the original leaves, so that one of them is
// always in the folder. On a disk that claims names first, a journal written at the first
// claim notes each, so that a sweep after a cut short takes no empty file for a photo.
fs::path SystemExportWriter::replaceUnderAnotherName(const fs::path& original, const fs::path& working,
                                                     const std::string& name, const VersionCheck& check) {
    std::optional<ReplacementJournal> journal;
    const auto noting = [&](platform::ClaimPlace place) -> platform::ClaimNotice {
        return [&, place](const fs::path& claimed) {
            if (!journal) {
                platform::ReplacementRecord record{name, platform::readFileStamp(original)};
                record.originalName = original.filename().string();
                journal.emplace(working, record, files_);
            }
            journal->claimNotice(place)(claimed);
        };
    };
    const platform::ClaimNotice noteClaim = noting(platform::ClaimPlace::folder);
    fs::path target;
    try {
        target = takeFreeName(working, original.parent_path(), name, noteClaim);
    } catch (const FileError& refused) {
        files_.removeFile(working);
        throw FileError(refused.path(), refused.errorNumber(), FileOperation::write);
    }

    const TrashedItem trashed = moveToTrash(original, target, noting(platform::ClaimPlace::trash));
    checkInTrash(trashed, original, target, std::nullopt, check, noteClaim);
    return target;
}

// The original gets a second name in the Trash; then the converted file and the original
// swap names in one step, so that the name always holds one of them. The Trash entry is
// checked only after the swap: before it, a write through the original's path (by an
// editor, cp or a shell's ">") still reached it.
std::optional<fs::path> SystemExportWriter::replaceUnderTheSameName(const fs::path& original, const fs::path& working,
                                                                    const VersionCheck& check) {
    TrashedItem trashed;
    try {
        trashed = trash_.linkIntoTrash(original);
    } catch (const FileError& error) {
        if (platform::refusesHardLinks(error.errorNumber())) return std::nullopt;
        files_.removeFile(working);
        throw ExportWriterError::trashRefused(FileError(original, error.errorNumber(), FileOperation::trash));
    }
    const std::optional<platform::FileIdentity> converted = platform::fileIdentity(working);
    try {
        files_.exchange(working, original);
    } catch (const FileError& error) {
        trash_.forget(trashed);
        if (error.errorNumber() == EINVAL) return std::nullopt;
        files_.removeFile(working);
        throw FileError(original, error.errorNumber(), FileOperation::write);
    }
    // A file another program put at the path since the original was linked would have left
    // instead: it gets its name back, and the original that it replaced is not ours to keep.
    if (!platform::isSameFile(working, trashed.filesPath)) {
        swapBack(working, original);
        trash_.forget(trashed);
        throw ReplaceRefusal::sourceChanged();
    }
    try {
        check(trashed.filesPath);
    } catch (...) {
        // Changed through its path before the swap: the changed original takes its name back,
        // unless a newcomer holds the name by now, which keeps it.
        if (platform::fileIdentity(original) == converted) {
            swapBack(working, original);
            trash_.forget(trashed);
            throw;
        }
        files_.removeFile(working);
        throw ExportWriterError::changedInTrash();
    }
    // The working file's name now holds the original, which keeps its name in the Trash.
    files_.removeFile(working);
    files_.syncFolder(original.parent_path());
    return original;
}

// After a swap that must not stand: the file that was at the path gets its name back, and
// the converted file goes.
void SystemExportWriter::swapBack(const fs::path& working, const fs::path& original) {
    try {
        files_.exchange(working, original);
        files_.removeFile(working);
    } catch (const FileError&) {
        // Never under a working file's name, which a sweep removes.
        giveAFreeName(working, original);
    }
}

// On a disk without hard links or swaps of names: the original moves to the Trash, and the
// converted file takes the name it left at once, before the original is checked there, so
// that the name stands empty only between two renames. A journal written before the first
// lets the next launch finish a replacement cut short between them.
fs::path SystemExportWriter::replaceThroughTheTrash(const fs::path& original, const fs::path& working,
                                                    const std::string& name, const VersionCheck& check) {
    const fs::path folder = original.parent_path();
    std::optional<ReplacementJournal> journal;
    try {
        journal.emplace(working, platform::ReplacementRecord{name, platform::readFileStamp(original)}, files_);
    } catch (const FileError& error) {
        files_.removeFile(working);
        throw FileError(folder / name, error.errorNumber(), FileOperation::write);
    }
    // Such a disk claims each name as an empty file before the rename fills it; the journal
    // notes every claim first, so that a sweep knows an empty file left there for its own.
    const TrashedItem trashed = moveToTrash(original, working, journal->claimNotice(platform::ClaimPlace::trash));
    const platform::ClaimNotice noteClaim = journal->claimNotice(platform::ClaimPlace::folder);

    fs::path target;
    try {
        target = takeFreeName(working, folder, name, noteClaim);
    } catch (const FileError& refused) {
        // The original's name is free again unless someone took it meanwhile.
        const bool back = putBack(trashed, original, noteClaim);
        files_.removeFile(working);
        if (back) throw FileError(refused.path(), refused.errorNumber(), FileOperation::write);
        throw ExportWriterError::replacedButNotMoved(refused);
    }
    checkInTrash(trashed, original, target, working, check, noteClaim);
    return target;
}

// Moves the working file to the first free name like `name` in the folder. Throws
// FileError (move) naming the name it was refused; the working file is then still there.
fs::path SystemExportWriter::takeFreeName(const fs::path& working, const fs::path& folder, const std::string& name,
                                          const platform::ClaimNotice& noteClaim) {
    for (int attempt = 1;; ++attempt) {
        fs::path target;
        int failure = EEXIST;
        try {
            target = freeName(folder, name);
            files_.moveNoReplace(working, target, noteClaim);
            files_.syncFolder(folder);
            return target;
        } catch (const FileError& error) {
            if (error.errorNumber() == EEXIST && attempt < attemptsAtAFreeName) continue;
            failure = error.errorNumber();
        } catch (const OutputNamer::NoFreeName&) {
        }
        throw FileError(target.empty() ? folder / name : target, failure, FileOperation::move);
    }
}

void SystemExportWriter::finishCutShort(const fs::path& working, const platform::TakenOverRecord& journal) {
    const platform::ReplacementRecord& record = *journal.record;
    const fs::path folder = working.parent_path();
    const fs::path original = folder / record.originalName.value_or(record.name);
    // Cut short before the original left: it is still in its place, untouched.
    const bool originalInPlace = files_.exists(original) && platform::readFileStamp(original) == record.original;
    if (originalInPlace && record.claimedTrashName) {
        dropTrashClaim(original, *record.claimedTrashName, journal.writtenNanoseconds);
    }
    std::optional<fs::path> claim;
    if (record.claimedName && isOwnClaim(folder / *record.claimedName, journal.writtenNanoseconds)) {
        claim = folder / *record.claimedName;
    }
    // With the working file gone, or the original never having left, nothing is to fill a
    // claim; a claim of the working file's own name was made to step aside, the converted
    // file having its name already.
    const bool workingLeft = platform::isRegularFileNoFollow(working) && claim != working;
    if (!workingLeft || originalInPlace) {
        if (claim) files_.removeFile(*claim);
        if (workingLeft) files_.removeFile(working);
        files_.syncFolder(folder);
        return;
    }
    if (claim) {
        try {
            files_.moveOverOwnClaim(working, *claim);
            files_.syncFolder(folder);
        } catch (const FileError&) {
            // Kept for a later sweep.
        }
        return;
    }
    const fs::path journalPath = ReplacementJournal::pathFor(working);
    const platform::ClaimNotice noteClaim = [&](const fs::path& claimed) {
        platform::noteReplacementClaim(journal.lock, journalPath, platform::ClaimPlace::folder,
                                       claimed.filename().string());
    };
    try {
        takeFreeName(working, folder, record.name, noteClaim);
    } catch (const FileError&) {
        // Kept for a later sweep, when the folder may take it.
    }
}

// A move of the original into the Trash cut short between claiming its name there and the
// rename left an empty item whose record would restore it over the original.
void SystemExportWriter::dropTrashClaim(const fs::path& original, const std::string& trashName,
                                        std::int64_t notedAt) {
    const std::optional<TrashedItem> claimed = trash_.itemFor(original, trashName);
    if (claimed && isOwnClaim(claimed->filesPath, notedAt)) trash_.forget(*claimed);
}

// A refusal leaves the original where it was and removes the converted file.
TrashedItem SystemExportWriter::moveToTrash(const fs::path& original, const fs::path& converted,
                                            const platform::ClaimNotice& noteClaim) {
    try {
        return trash_.moveToTrash(original, noteClaim);
    } catch (const FileError& error) {
        files_.removeFile(converted);
        throw ExportWriterError::trashRefused(FileError(original, error.errorNumber(), FileOperation::trash));
    }
}

// The second check, of the original in the Trash. One that fails puts the original back
// while its path is free and removes the converted file; a converted file that holds the
// original's name first steps aside to `aside`, so that a crash at any moment leaves one of
// them under the name, or the journal that finishes the replacement.
void SystemExportWriter::checkInTrash(const TrashedItem& trashed, const fs::path& original, const fs::path& converted,
                                      const std::optional<fs::path>& aside, const VersionCheck& check,
                                      const platform::ClaimNotice& noteClaim) {
    std::exception_ptr changed;
    try {
        check(trashed.filesPath);
        return;
    } catch (...) {
        changed = std::current_exception();
    }
    fs::path leftOver = converted;
    if (aside) {
        try {
            files_.moveNoReplace(converted, *aside, noteClaim);
            leftOver = *aside;
        } catch (const FileError&) {
        }
    }
    const bool back = putBack(trashed, original, noteClaim);
    files_.removeFile(leftOver);
    if (back) std::rethrow_exception(changed);
    throw ExportWriterError::changedInTrash();
}

// Only onto a free path, and never over a file that appeared there since.
bool SystemExportWriter::putBack(const TrashedItem& trashed, const fs::path& original,
                                 const platform::ClaimNotice& noteClaim) {
    if (files_.exists(original)) return false;
    try {
        trash_.putBack(trashed, original, noteClaim);
        return true;
    } catch (const FileError&) {
        return false;
    }
}

void SystemExportWriter::giveAFreeName(const fs::path& file, const fs::path& wanted) {
    try {
        files_.moveNoReplace(file, freeName(wanted.parent_path(), wanted.filename().string()));
    } catch (const std::exception&) {
    }
}

} // namespace pictavo
