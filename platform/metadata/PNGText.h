#pragma once
#include "platform/base/PropertyMap.h"

#include <string>
#include <vector>

namespace platform {

// A PNG text chunk's keyword and text (Title, Author, Creation Time, Software and the like),
// the text in UTF-8 whatever chunk held it.
struct PNGText {
    std::string keyword;
    std::string text;
    friend bool operator==(const PNGText&, const PNGText&) = default;
};

// The texts as a property (under keys::pngText), and back: an array of maps of "Keyword" and
// "Text", in order; a property of any other form holds none.
PropertyValue pngTextProperty(const std::vector<PNGText>& texts);
std::vector<PNGText> pngTextsOf(const PropertyMap& properties);

} // namespace platform
