#pragma once
#include "app/export/SecurityScope.h"

#include <filesystem>

namespace pictavo {

// Opens a folder of originals whose writes a replacing export was refused: first from a
// permission kept earlier, and only when none covers it, from the folder the user picked
// when the run asked for one. Each gives the access it started, which the run holds until
// it ends, or none.
class ReplaceFolderAccess {
public:
    virtual ~ReplaceFolderAccess() = default;
    // Access to a folder covering `folder`, from a kept permission; none when none covers it.
    virtual SharedSecurityScope openKeptReplaceFolder(const std::filesystem::path& folder) = 0;
    // Access to `picked`, the folder the user chose when asked about `folder`, which is kept
    // as a permission; none when it does not cover `folder`.
    virtual SharedSecurityScope grantReplaceFolder(const std::filesystem::path& folder,
                                                   const std::filesystem::path& picked) = 0;
};

} // namespace pictavo
