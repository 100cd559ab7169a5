#pragma once
#include <cstddef>
#include <filesystem>
#include <optional>

namespace testing_support {

// A mount made for one test and undone when it goes, so that a test can meet a full disk,
// a disk without free inodes or a read-only folder for real rather than by an injected
// error. Only a process allowed to mount (root, here) can make one; elsewhere the
// factories give none and the test injects the error instead.
class TemporaryMount {
public:
    // A tmpfs of about `bytes` bytes and `inodes` inodes on the existing, empty folder.
    static std::optional<TemporaryMount> smallDisk(const std::filesystem::path& folder, std::size_t bytes,
                                                   std::size_t inodes);
    // The folder mounted over itself read-only: nobody, root included, can change it.
    static std::optional<TemporaryMount> readOnly(const std::filesystem::path& folder);

    ~TemporaryMount();
    TemporaryMount(TemporaryMount&& other) noexcept;
    TemporaryMount& operator=(TemporaryMount&& other) noexcept;
    TemporaryMount(const TemporaryMount&) = delete;
    TemporaryMount& operator=(const TemporaryMount&) = delete;

private:
    explicit TemporaryMount(std::filesystem::path folder) : folder_(std::move(folder)) {}
    std::filesystem::path folder_;
};

} // namespace testing_support
