#pragma once
#include <string>
#include <vector>

namespace platform {

// The items as a sentence lists them: "EXIF", "EXIF and GPS", "EXIF, GPS and XMP"; empty for none.
std::string englishList(const std::vector<std::string>& items);

} // namespace platform
