#include "app/export/ReplaceRefusal.h"

#include "platform/text/TextFormat.h"

namespace pictavo {

using platform::plainInteger;

std::string ReplaceRefusal::description() const {
    switch (kind_) {
    case Kind::wouldLosePages: {
        const std::int64_t others = second_ - 1;
        const std::string lost = others == 1 ? "the other one" : "the other " + plainInteger(others);
        return "Replacing this would keep page " + plainInteger(first_) + " of " + plainInteger(second_) +
               " and lose " + lost + ", so the original was left as it is.";
    }
    case Kind::wouldLoseImages:
        return "This file holds " + plainInteger(first_) +
               " images and replacing it would keep only one, so the original was left as it is.";
    case Kind::folderNotOpened:
        return "Replacing this needs permission to save in its folder, which wasn't given, so the original was "
               "left as it is.";
    case Kind::sourceUnreadable:
        return "This file's pages couldn't be counted, so replacing it might lose some, and the original was left "
               "as it is.";
    case Kind::workingCopyFailed:
        return "A working copy of this file couldn't be made, so it wasn't converted, and the original was left as "
               "it is.";
    case Kind::sourceChanged:
        return "This file changed while it was being converted, so the original was left as it is. Export again to "
               "replace the new version.";
    case Kind::symbolicLink:
        return "This file is a symbolic link, so the original was left as it is. To replace the file it links to, "
               "add that file instead.";
    }
    return {};
}

std::string ReplaceRefusal::diagnostic() const {
    switch (kind_) {
    case Kind::wouldLosePages:
        return "replaceRefused(pages " + plainInteger(first_) + " of " + plainInteger(second_) + ")";
    case Kind::wouldLoseImages: return "replaceRefused(images " + plainInteger(first_) + ")";
    case Kind::folderNotOpened: return "replaceRefused(folderNotOpened)";
    case Kind::sourceUnreadable: return "replaceRefused(sourceUnreadable)";
    case Kind::workingCopyFailed: return "replaceRefused(workingCopyFailed)";
    case Kind::sourceChanged: return "replaceRefused(sourceChanged)";
    case Kind::symbolicLink: return "replaceRefused(symbolicLink)";
    }
    return {};
}

} // namespace pictavo
