#pragma once
#include <filesystem>
#include <vector>

namespace pictavo {

// Sorts paths as the file manager lists names, in the user's locale: numbers by their
// value ("b2" before "b10") and letters without regard to case. Equal paths keep their
// order. Compares whole paths.
void sortNaturally(std::vector<std::filesystem::path>& paths);

} // namespace pictavo
