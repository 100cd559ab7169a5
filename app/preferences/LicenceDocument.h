#pragma once
#include <QString>

namespace pictavo {

// Debian's machine-readable copyright file opens with the lists of files and years each
// licence covers, every line of a licence indented and its blank lines written " .". This
// turns one into a document a person reads: the licence texts first (the file's License
// paragraphs, then the full licences appended after them, then a licence the packager notes
// for the whole work, such as a codec's patent licence), then who holds the copyright. Any
// other text keeps its order. Either way its paragraphs are unwrapped.
QString readableLicence(const QString& copyrightFile);

// Licence texts come wrapped at 70 to 80 columns; a view that wraps them again to its own
// width leaves pieces of sentences on lines of their own. This joins the lines of each
// paragraph into one, so that the view wraps it once, and keeps every break that is not a
// wrap: lists and their items, indented and centred lines, headings, rules, copyright
// lines, short lines such as addresses and signatures, and C comment blocks.
QString unwrapped(const QString& text);

} // namespace pictavo
