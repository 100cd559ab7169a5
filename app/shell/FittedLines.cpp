#include "app/shell/FittedLines.h"

#include <QFontMetricsF>
#include <QTextLayout>

namespace pictavo {

QStringList wrappedLines(const QString& text, const QFont& font, double width) {
    QStringList lines;
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, font);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            lines.append(paragraph.mid(line.textStart(), line.textLength()).trimmed());
        }
        layout.endLayout();
    }
    return lines;
}

QStringList reasonLines(const QString& reason, const QFont& font, double width, int maximumLines) {
    const QFontMetricsF metrics(font);
    QStringList words = reason.split(QLatin1Char(' '));
    for (QString& word : words) {
        // Half a line, so that it shares its line with the words around it.
        if (metrics.horizontalAdvance(word) > width) word = metrics.elidedText(word, Qt::ElideMiddle, width / 2);
    }
    QStringList lines = wrappedLines(words.join(QLatin1Char(' ')), font, width);
    if (lines.size() > maximumLines) {
        const QString rest = lines.mid(maximumLines - 1).join(QLatin1Char(' '));
        lines = lines.mid(0, maximumLines - 1);
        lines.append(metrics.elidedText(rest, Qt::ElideRight, width));
    }
    if (lines.isEmpty()) lines.append(QString());
    return lines;
}

} // namespace pictavo
