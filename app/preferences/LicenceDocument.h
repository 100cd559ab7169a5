#pragma once
#include <QString>

namespace pictavo {

// Debian's machine-readable copyright file opens with the lists of files and years each
// licence covers, every line of a licence indented and its blank lines written " .". This
// turns one into a document a person reads: the licence texts first (the file's License
// paragraphs, then the full licences appended after them), then who holds the copyright.
// Any other text comes back unchanged.
QString readableLicence(const QString& copyrightFile);

} // namespace pictavo
