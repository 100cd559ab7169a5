#pragma once
#include <optional>
#include <string>

namespace platform {

// The longest file name, in bytes, that Linux file systems take.
constexpr std::size_t maximumFileNameBytes = 255;

// The name reduced to one file name that stays inside the folder it is joined to: "/" and
// NUL become "-", and a name longer than maximumFileNameBytes is shortened before its
// extension (never inside a UTF-8 character) so the extension survives. None for "", "."
// and "..", which name no new file.
std::optional<std::string> oneFileName(const std::string& name);

} // namespace platform
