#pragma once
// For the Qt test programs only: the support library itself links no Qt.
#include <QByteArray>
#include <QtGlobal>

#include <filesystem>
#include <optional>

#include <sys/stat.h>

namespace support {

// Puts an environment variable to a folder of the test's own (made, closed to others) for
// its length, and back as it was (set or not) when it goes.
class FolderVariable {
public:
    FolderVariable(const char* name, const std::filesystem::path& folder) : name_(name) {
        if (qEnvironmentVariableIsSet(name)) saved_ = qgetenv(name);
        std::filesystem::create_directories(folder);
        ::chmod(folder.c_str(), 0700);
        qputenv(name, QByteArray::fromStdString(folder.string()));
    }
    ~FolderVariable() {
        if (saved_) {
            qputenv(name_, *saved_);
        } else {
            qunsetenv(name_);
        }
    }
    FolderVariable(const FolderVariable&) = delete;
    FolderVariable& operator=(const FolderVariable&) = delete;

private:
    const char* name_;
    std::optional<QByteArray> saved_;
};

} // namespace support
