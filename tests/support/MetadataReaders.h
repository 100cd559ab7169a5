#pragma once
#include <filesystem>
#include <string>

// ExifTool and exiv2, run on written files as a user would run them.
namespace testing_support {

// What a command prints, standard error included.
std::string printed(const std::string& command);

// The path in single quotes, for a shell command.
std::string quoted(const std::filesystem::path& path);

// What ExifTool and exiv2 find wrong with a file: nothing, for every file a conversion writes.
std::string complaints(const std::filesystem::path& file);

} // namespace testing_support
