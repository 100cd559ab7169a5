#pragma once
#include <cstddef>
#include <optional>
#include <string>

namespace platform {

// The longest file name, in bytes, that Linux file systems take.
constexpr std::size_t maximumFileNameBytes = 255;

// The name reduced to one file name that stays inside the folder it is joined to: "/" and
// NUL become "-", and a name longer than maximumFileNameBytes is shortened as
// fileNameWithin does. None for "", "." and "..", which name no new file.
std::optional<std::string> oneFileName(const std::string& name);

// The name cut to at most `limit` bytes before its extension (never inside a UTF-8
// character), so that the extension survives; an extension too long to keep is cut with
// the rest.
std::string fileNameWithin(const std::string& name, std::size_t limit);

// The name with `mark` put before its extension ("photo-1.png"), the rest cut first as
// fileNameWithin does, so that the whole stays within `limit` bytes with the mark whole.
std::string markedFileName(const std::string& name, const std::string& mark, std::size_t limit);

} // namespace platform
