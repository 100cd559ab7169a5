#pragma once
#include <ctime>
#include <string>

namespace platform {

// The text of a freedesktop.org Trash record (an item's ".trashinfo"): where the item came
// from and when it was put in the Trash, the date in local time.
//
// `path` is the item's path as the file system spells it, absolute, or relative to the
// top folder of the disk whose Trash holds it. It is written percent-encoded, so that any
// byte a name may hold ("%", a line break, bytes that are not UTF-8) reads back the same.
std::string trashRecordText(const std::string& path, std::time_t deletedAt);

// The path with every byte but letters, digits, "-", "_", ".", "~" and "/" written as "%"
// and two upper-case hexadecimal digits.
std::string percentEncodedPath(const std::string& path);

} // namespace platform
