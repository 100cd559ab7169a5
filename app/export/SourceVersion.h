#pragma once
#include <QByteArray>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

namespace pictavo {

// The content of a file at one moment: its length and SHA-256 digest. A replacing export
// records it when it takes its snapshot and compares it before an original is touched.
struct SourceVersion {
    std::int64_t byteCount = 0;
    // 32 bytes.
    QByteArray digest;

    // The version of the regular file at the path, read in 1 MiB chunks; none when it cannot
    // be read, is not a regular file (a pipe or device is never waited on nor read), or
    // changed while it was read (it grew past the size it had when opened, its status-change
    // time or size moved, or the path now names another file).
    // Never throws; safe on any thread.
    static std::optional<SourceVersion> read(const std::filesystem::path& path);

    // The check a replacing export hands the safe writer: it passes only when the file is
    // still the recorded version, and throws ReplaceRefusal::sourceChanged otherwise. With
    // no recorded version there is nothing to compare, so it never passes.
    static std::function<void(const std::filesystem::path&)> check(std::optional<SourceVersion> recorded);

    friend bool operator==(const SourceVersion&, const SourceVersion&) = default;
};

} // namespace pictavo
