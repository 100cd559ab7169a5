#include "app/design/DSMenuKeyboard.h"

namespace pictavo::menukeys {

bool hasAlphanumeric(const QString& text) {
    for (const char32_t codePoint : text.toUcs4()) {
        if (QChar::isLetterOrNumber(codePoint) || QChar::isMark(codePoint)) return true;
    }
    return false;
}

} // namespace pictavo::menukeys
