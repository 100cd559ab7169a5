#pragma once
#include "platform/files/FilePath.h"

#include <string>

namespace platform {

// The sentence a user reads for a file error. It names only the file and the folder it
// lies in, never the whole path: "You don't have permission to save the file "photo.webp"
// in the folder "out"." The system's own words for the error are kept for the details.
std::string fileErrorDescription(const FileError& error);

// The compact form for failure reports: "POSIX 13".
std::string fileErrorDiagnostic(const FileError& error);

// The system's own words for the error: "Permission denied".
std::string fileErrorSystemWords(const FileError& error);

} // namespace platform
