#pragma once
#include "app/export/ExportWriting.h"
#include "app/export/FreedesktopTrash.h"
#include "platform/files/FileOperations.h"

#include <string_view>

namespace pictavo {

// The export writer over the real file system and the user's Trash.
//
// Replacing an original: the bytes go to a hidden working file (".export-" + UUID) beside
// it, written exclusively with the original's permission bits and flushed to disk; the
// original is checked, moved to the Trash and checked again there (and put back, without
// replacing anything, when that second check fails); only then does the working file take
// the output name, again without replacing anything.
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

private:
    std::filesystem::path freeName(const std::filesystem::path& folder, const std::string& name);

    platform::FileOperations& files_;
    Trash& trash_;
};

} // namespace pictavo
