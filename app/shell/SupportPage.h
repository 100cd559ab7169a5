#pragma once
#include <QString>
#include <QUrl>

#include <optional>

namespace pictavo {

// Where Help's Support item goes. A build names its support page with
// -DPCTV_SUPPORT_URL=https://…; a build without one opens the documentation that
// cmake --install puts beside the program, or, run from the build tree, the README of the
// source tree it was built from. None when none of them is there.
struct SupportPage {
    // `configured` is the build's address (empty for none), `programFolder` the folder the
    // program runs from, `sourceReadme` the README of the source tree.
    static std::optional<QUrl> resolve(const QString& configured, const QString& programFolder,
                                       const QString& sourceReadme);
    // The documentation's place relative to the program's folder, as installed.
    static QString installedReadme(const QString& programFolder);
    // For this build and this running program.
    static std::optional<QUrl> current();
};

} // namespace pictavo
