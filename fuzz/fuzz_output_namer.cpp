#include "ImageEngine/Model/OutputNamer.h"
#include "platform/files/FilePath.h"
#include "platform/files/SafeFileName.h"
#include "platform/text/UnicodeText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

// File-name patterns come from the user and from stored settings, source names from any
// file system: whatever they hold, the name must be one component the system takes whole,
// ending in the output's extension.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\x1F');
    const std::string source = split == std::string::npos ? "Holiday.heic" : input.substr(0, split);
    const std::string pattern = split == std::string::npos ? input : input.substr(split + 1);

    double scale = 0;
    if (size >= sizeof scale) std::memcpy(&scale, data, sizeof scale);
    const auto& format = size % 2 ? pictavo::OutputFormat::jpeg() : pictavo::OutputFormat::png();
    const std::string name = pictavo::OutputNamer::fileName(source, pattern, format, {scale, -scale}, scale,
                                                            static_cast<std::int64_t>(size) - 50);

    for (std::size_t offset = 0; offset < name.size();) {
        const auto decoded = platform::decodeScalar(name, offset);
        if (decoded.scalar == U'/' || decoded.scalar == U':' || platform::isControlCharacter(decoded.scalar)) std::abort();
        offset += decoded.length;
    }
    const std::string extension = format.fileExtension(platform::pathExtension(source));
    if (!platform::hasSuffixIgnoringASCIICase(name, "." + extension)) std::abort();
    // Beside a file of that name, the free name holds its number within the size a name may
    // be, never inside a character of a name that was whole.
    const auto taken = [&](const std::filesystem::path& candidate) { return candidate.filename() == name; };
    const std::filesystem::path numbered = pictavo::OutputNamer::uniqueURL("/out", name, taken);
    const std::string free = numbered.filename().string();
    if (numbered.parent_path() != "/out" || free == name || free.size() > platform::maximumFileNameBytes) std::abort();
    if (platform::isValidUTF8(name) && !platform::isValidUTF8(free)) std::abort();
    for (std::size_t i = 0; i + 1 < input.size() && i < 4; ++i) (void)platform::scalars(input.substr(i));
    return 0;
}
