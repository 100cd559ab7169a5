#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>

namespace pictavo {

// What a finished export run did: files written, cards that ended failed in it, and the
// destination folder of a run into a folder (none for the other runs, also when some files
// went to a fallback folder).
struct ExportSummary {
    std::int64_t saved = 0;
    std::int64_t failed = 0;
    std::optional<std::filesystem::path> folder;
    // The folder the user chose for files their originals' folder refused, and how many of
    // the saved files went there.
    std::optional<std::filesystem::path> fallbackFolder = std::nullopt;
    std::int64_t savedIntoFallback = 0;
    friend bool operator==(const ExportSummary&, const ExportSummary&) = default;
};

} // namespace pictavo
