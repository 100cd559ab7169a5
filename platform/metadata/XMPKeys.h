#pragma once
#include <string>

namespace platform {

// The top-level property an exiv2 XMP key belongs to: "Xmp.xmpMM.History[3]/stEvt:when" and
// "Xmp.dc.subject[2]" are parts of "Xmp.xmpMM.History" and "Xmp.dc.subject".
inline std::string xmpTopLevelKey(const std::string& key) {
    const auto dot = key.find('.', 4);
    if (dot == std::string::npos) return key;
    return key.substr(0, key.find_first_of("[/", dot + 1));
}

} // namespace platform
