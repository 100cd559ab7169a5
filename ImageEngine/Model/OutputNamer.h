#pragma once
#include "ImageEngine/Model/OutputFormat.h"
#include "platform/base/Geometry.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

namespace pictavo {

// Turns the user's file-name pattern into the name of one output, and finds a free name in
// a folder. Both are pure: whether a name is taken is asked of the caller.
struct OutputNamer {
    // The tokens are "{name}" (the source name without its extension), "{w}" and "{h}"
    // (the rounded pixel size), "{scale}", "{quality}" and "{format}" (the output
    // extension); anything else in braces is copied as it is. The name always ends in "."
    // and the output extension, in the letter case the user typed when the pattern already
    // ends with it. "/", ":" and control characters (NUL among them) become "-", so the
    // name is one path component that the system will not cut short, and a name longer
    // than a file name may be is shortened before its extension (platform::oneFileName).
    static std::string fileName(const std::string& sourceName, const std::string& pattern, const OutputFormat& format,
                                platform::Size pixelSize, std::optional<double> scale,
                                std::optional<std::int64_t> quality);

    // The most numbered candidates tried before uniqueURL gives up.
    static constexpr std::int64_t maximumAttempts = 10'000;

    // Nothing free was found within maximumAttempts numbered names.
    class NoFreeName : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // The first of "name.ext", "name-1.ext", "name-2.ext" and so on in the folder that
    // `isTaken` does not claim, a numbered name cut before its number where it would be longer
    // than a file name may be. Callers must still create the file exclusively: another
    // program may take the name between this answer and the write.
    static std::filesystem::path uniqueURL(const std::filesystem::path& directory, const std::string& fileName,
                                           const std::function<bool(const std::filesystem::path&)>& isTaken);
};

} // namespace pictavo
