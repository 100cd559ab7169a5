#pragma once
#include "platform/files/FilePath.h"

#include <exception>
#include <optional>
#include <string>

namespace pictavo {

// What went wrong once an original had been touched by the safe writer. Each case says
// where the original is now, so nothing the user had is ever unaccounted for.
class ExportWriterError : public std::exception {
public:
    enum class Kind { replacedButNotMoved, trashRefused, changedInTrash };

    // The original is in the Trash; the converted file could not take its name.
    static ExportWriterError replacedButNotMoved(platform::FileError underlying) {
        return {Kind::replacedButNotMoved, std::move(underlying)};
    }
    // The original could not go to the Trash and is where it was.
    static ExportWriterError trashRefused(platform::FileError underlying) {
        return {Kind::trashRefused, std::move(underlying)};
    }
    // The original changed after it went to the Trash and could not be put back.
    static ExportWriterError changedInTrash() { return {Kind::changedInTrash, std::nullopt}; }

    Kind kind() const { return kind_; }
    // The file error behind replacedButNotMoved and trashRefused.
    const std::optional<platform::FileError>& underlying() const { return underlying_; }
    // The same case with its file error told about another path (for failure reports,
    // which cut paths down to a name).
    ExportWriterError withUnderlyingPath(const std::filesystem::path& path) const;

    std::string description() const;
    // "trashRefused(POSIX 13)", "changedInTrash".
    std::string diagnostic() const;
    const char* what() const noexcept override { return description_.c_str(); }

private:
    ExportWriterError(Kind kind, std::optional<platform::FileError> underlying)
        : kind_(kind), underlying_(std::move(underlying)), description_(description()) {}

    Kind kind_;
    std::optional<platform::FileError> underlying_;
    std::string description_;
};

} // namespace pictavo
