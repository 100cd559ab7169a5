#pragma once
#include <filesystem>
#include <string>

namespace platform {

// The text with every absolute path that has a folder part cut to "/…/" and its last
// part, so that messages written by libraries ("/home/x/Pictures/a.png" is not a known
// file format) show no folders. A path right after a quotation mark runs to the closing
// mark and may hold spaces; any other path ends at white space or punctuation that closes
// a phrase.
std::string cuttingPaths(const std::string& text);

// The text with every occurrence of the path written as the path's last part alone.
std::string namingByFileName(std::string text, const std::filesystem::path& path);

} // namespace platform
