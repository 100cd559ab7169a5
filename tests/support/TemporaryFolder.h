#pragma once
#include "platform/base/Bytes.h"

#include <filesystem>
#include <string>

#include <sys/types.h>

namespace testing_support {

// A fresh folder under the system's temporary directory, removed with everything in it.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path file(const std::string& name) const { return path_ / name; }
    std::filesystem::path write(const std::string& name, const platform::Bytes& bytes) const;

private:
    std::filesystem::path path_;
};

platform::Bytes readFile(const std::filesystem::path& path);

// A folder that belongs to another user: `folder`, made and given away, where this process
// may give it away (as root); else "/", which is root's.
std::filesystem::path someoneElsesFolder(const std::filesystem::path& folder);

// The permission bits of the file itself, not of what a link there points to.
mode_t modeOf(const std::filesystem::path& path);

} // namespace testing_support
