#include "app/export/SystemExportWriter.h"

#include "ImageEngine/Model/OutputNamer.h"
#include "app/export/ExportWriterError.h"
#include "app/export/ReplaceRefusal.h"
#include "platform/files/FileStatus.h"
#include "platform/files/SafeFileName.h"

#include <QUuid>

#include <cerrno>

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
    const std::string name = safeName(folder, outputName);
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

    TrashedItem trashed;
    try {
        trashed = trash_.moveToTrash(original);
    } catch (const FileError& error) {
        files_.removeFile(working);
        throw ExportWriterError::trashRefused(FileError(original, error.errorNumber(), FileOperation::trash));
    }

    std::exception_ptr changed;
    try {
        check(trashed.filesPath);
    } catch (...) {
        changed = std::current_exception();
    }
    if (changed) {
        files_.removeFile(working);
        // Put back only onto a free path, and never over a file that appeared there since.
        bool putBack = false;
        if (!files_.exists(original)) {
            try {
                trash_.putBack(trashed, original);
                putBack = true;
            } catch (const FileError&) {
            }
        }
        if (putBack) std::rethrow_exception(changed);
        throw ExportWriterError::changedInTrash();
    }

    for (int attempt = 1;; ++attempt) {
        fs::path target;
        try {
            target = freeName(folder, name);
            files_.moveNoReplace(working, target);
            files_.syncFolder(folder);
            return target;
        } catch (const FileError& error) {
            if (error.errorNumber() == EEXIST && attempt < attemptsAtAFreeName) continue;
            files_.removeFile(working);
            throw ExportWriterError::replacedButNotMoved(FileError(target.empty() ? folder / name : target,
                                                                   error.errorNumber(), FileOperation::move));
        } catch (const OutputNamer::NoFreeName&) {
            files_.removeFile(working);
            throw ExportWriterError::replacedButNotMoved(FileError(folder / name, EEXIST, FileOperation::move));
        }
    }
}

} // namespace pictavo
