#include "platform/files/TrashRecord.h"

#include <array>

namespace platform {

namespace {

bool keptAsItIs(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == '.' || c == '~' || c == '/';
}

std::string localDateAndTime(std::time_t moment) {
    std::tm local {};
    ::localtime_r(&moment, &local);
    std::array<char, 32> text {};
    const std::size_t length = std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%S", &local);
    return std::string(text.data(), length);
}

} // namespace

std::string percentEncodedPath(const std::string& path) {
    constexpr char digits[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(path.size());
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (keptAsItIs(byte)) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += digits[byte >> 4];
            encoded += digits[byte & 0x0F];
        }
    }
    return encoded;
}

std::string trashRecordText(const std::string& path, std::time_t deletedAt) {
    return "[Trash Info]\nPath=" + percentEncodedPath(path) + "\nDeletionDate=" + localDateAndTime(deletedAt) + "\n";
}

} // namespace platform
