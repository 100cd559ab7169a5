#include "support/MetadataReaders.h"

#include <array>
#include <cstdio>

namespace testing_support {

std::string printed(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return out;
    std::array<char, 4096> buffer{};
    for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) out.append(buffer.data(), n);
    ::pclose(pipe);
    return out;
}

std::string quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

std::string complaints(const std::filesystem::path& file) {
    return printed("exiftool -a -s3 -Warning -Error " + quoted(file)) +
           printed("{ exiv2 -pa " + quoted(file) + " 2>&1 >/dev/null; }");
}

} // namespace testing_support
