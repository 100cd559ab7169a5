#pragma once
#include <filesystem>
#include <vector>

namespace platform {

// Every regular file below the folder, at any depth: each folder's own files, then those
// of its subfolders.
// Entries whose name starts with "." are skipped, hidden folders are not entered, symbolic
// links are neither followed nor returned (a link is not a regular file), and folders that
// cannot be read are passed over silently. The caller sorts.
std::vector<std::filesystem::path> walkRegularFiles(const std::filesystem::path& folder);

} // namespace platform
