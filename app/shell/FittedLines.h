#pragma once
#include <QFont>
#include <QString>
#include <QStringList>

namespace pictavo {

// The text's lines no wider than `width`, each of its paragraphs on lines of its own, broken
// inside a word only where the word alone is wider, as a long file name is.
QStringList wrappedLines(const QString& text, const QFont& font, double width);

// A failed card's reason in at most `maximumLines` lines no wider than `width`, the last one
// elided. A word wider than a line, as a long file name is, is cut in its middle to half a
// line, so that the words after it, which say why, still show.
QStringList reasonLines(const QString& reason, const QFont& font, double width, int maximumLines);

} // namespace pictavo
