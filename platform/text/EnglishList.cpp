#include "platform/text/EnglishList.h"

namespace platform {

std::string englishList(const std::vector<std::string>& items) {
    std::string text;
    for (std::size_t index = 0; index < items.size(); ++index) {
        if (index > 0) text += index + 1 == items.size() ? " and " : ", ";
        text += items[index];
    }
    return text;
}

} // namespace platform
