#pragma once
#include <filesystem>
#include <functional>

namespace pictavo {

// Where one export's files go, once the destination choice has been resolved.
class ExportDestination {
public:
    enum class Kind { folder, besideOriginal, replaceOriginal };

    static ExportDestination folder(std::filesystem::path path) { return {Kind::folder, std::move(path)}; }
    static ExportDestination besideOriginal() { return {Kind::besideOriginal, {}}; }
    static ExportDestination replaceOriginal() { return {Kind::replaceOriginal, {}}; }

    Kind kind() const { return kind_; }
    // The folder of a folder destination; empty for the others.
    const std::filesystem::path& folderPath() const { return folder_; }

    friend bool operator==(const ExportDestination&, const ExportDestination&) = default;

private:
    ExportDestination(Kind kind, std::filesystem::path folder) : kind_(kind), folder_(std::move(folder)) {}

    Kind kind_;
    std::filesystem::path folder_;
};

} // namespace pictavo

template <>
struct std::hash<pictavo::ExportDestination> {
    std::size_t operator()(const pictavo::ExportDestination& value) const {
        return std::hash<int>{}(static_cast<int>(value.kind())) ^ (std::filesystem::hash_value(value.folderPath()) << 1);
    }
};
