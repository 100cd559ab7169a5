#include "support/TemporaryMount.h"

#include <string>
#include <utility>
#include <sys/mount.h>
#include <unistd.h>

namespace testing_support {

std::optional<TemporaryMount> TemporaryMount::smallDisk(const std::filesystem::path& folder, std::size_t bytes,
                                                        std::size_t inodes) {
    if (::geteuid() != 0) return std::nullopt;
    const std::string options = "size=" + std::to_string(bytes) + ",nr_inodes=" + std::to_string(inodes) + ",mode=0755";
    if (::mount("pictavo-test", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
        return std::nullopt;
    }
    return TemporaryMount(folder);
}

std::optional<TemporaryMount> TemporaryMount::readOnly(const std::filesystem::path& folder) {
    if (::geteuid() != 0) return std::nullopt;
    if (::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0) return std::nullopt;
    TemporaryMount mounted(folder);
    if (::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) return std::nullopt;
    return mounted;
}

TemporaryMount::TemporaryMount(TemporaryMount&& other) noexcept : folder_(std::move(other.folder_)) {
    other.folder_.clear();
}

TemporaryMount& TemporaryMount::operator=(TemporaryMount&& other) noexcept {
    std::swap(folder_, other.folder_);
    return *this;
}

TemporaryMount::~TemporaryMount() {
    if (!folder_.empty()) ::umount2(folder_.c_str(), MNT_DETACH);
}

} // namespace testing_support
