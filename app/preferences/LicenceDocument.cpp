#include "app/preferences/LicenceDocument.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <optional>

namespace pictavo {
namespace {

bool isBlank(const QString& line) { return line.trimmed().isEmpty(); }
bool isComment(const QString& line) { return line.startsWith(QLatin1Char('#')); }
bool isContinuation(const QString& line) {
    return line.startsWith(QLatin1Char(' ')) || line.startsWith(QLatin1Char('\t'));
}

bool isField(const QString& line) {
    static const QRegularExpression field(QStringLiteral("^[A-Za-z][A-Za-z0-9-]*:"));
    return field.match(line).hasMatch();
}

struct Field {
    QString name;
    QString firstLine;
    QStringList continuation;
};
using Stanza = std::vector<Field>;

const Field* find(const Stanza& stanza, QLatin1String name) {
    for (const Field& field : stanza)
        if (field.name.compare(name, Qt::CaseInsensitive) == 0) return &field;
    return nullptr;
}

// A licence body as it reads: " ." back to an empty line, and the indentation its lines
// share taken off, so that a paragraph's first line keeps its indentation against the rest.
QString unfolded(const QStringList& continuation) {
    QStringList lines;
    qsizetype shared = std::numeric_limits<qsizetype>::max();
    for (const QString& line : continuation) {
        if (line.trimmed() == QLatin1String(".") || isBlank(line)) {
            lines.append(QString());
            continue;
        }
        lines.append(line);
        qsizetype indentation = 0;
        while (indentation < line.size() && line[indentation] == QLatin1Char(' ')) ++indentation;
        shared = std::min(shared, indentation);
    }
    for (QString& line : lines) line.remove(0, std::min(shared, line.size()));
    while (!lines.isEmpty() && lines.front().isEmpty()) lines.removeFirst();
    while (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    return lines.join(QLatin1Char('\n'));
}

// A line of a licence's paragraph as its wrapping left it.
struct WrappedLine {
    QString raw;     // without trailing spaces
    int prefix = 0;  // characters before the text: indentation and a comment block's star
    int column = 0;  // the column the text starts in, tabs expanded
    QString text;
    int itemColumn = -1; // where the text after a list marker starts, if it opens an item
    bool copyright = false;
    bool heldBy = false; // the line after a copyright line, such as the holder's address
    bool rule = false;
    bool underlined = false; // a heading: the next line is a rule
};

int columnAfter(const QString& leading) {
    int column = 0;
    for (const QChar c : leading) column = c == QLatin1Char('\t') ? (column / 8 + 1) * 8 : column + 1;
    return column;
}

// A paragraph whose every line starts with a star is a C comment block: the stars are
// decoration, and a line of a star alone separates its paragraphs.
bool isCommentBlock(const QStringList& paragraph) {
    static const QRegularExpression star(QStringLiteral("^\\s*(/\\*+|\\*+/|\\*)(\\s|$)"));
    return std::all_of(paragraph.begin(), paragraph.end(),
                       [](const QString& line) { return star.match(line).hasMatch(); });
}

WrappedLine wrappedLine(const QString& line, bool commentBlock) {
    static const QRegularExpression indentation(QStringLiteral("^\\s*"));
    static const QRegularExpression decoration(QStringLiteral("^\\s*(/\\*+|\\*+/|\\*)?\\s*"));
    // "1.", "1.2.", "(a)", "a)", "iv.", "[3]", or a bullet, then a space.
    static const QRegularExpression listMarker(QStringLiteral(
        "^(?:[-*+o\\x{2022}]|\\(?(?:[0-9]{1,3}(?:\\.[0-9]{1,3})*|[A-Za-z]|[ivx]{2,4})[.)]|\\[[0-9]{1,3}\\])\\s+"));
    static const QRegularExpression copyrightLine(QStringLiteral(
        "^(?:Copyright\\s*(?:\\([Cc]\\)|\\x{00A9})?|\\([Cc]\\)|\\x{00A9})\\s*(?:[0-9<]|\\([Cc]\\)|\\x{00A9}|by\\b)"));
    static const QRegularExpression ruleLine(QStringLiteral("^(?:[-=_~*#]{3,}|--)$"));
    WrappedLine wrapped;
    wrapped.raw = line;
    while (!wrapped.raw.isEmpty() && wrapped.raw.back().isSpace()) wrapped.raw.chop(1);
    wrapped.prefix = int((commentBlock ? decoration : indentation).match(wrapped.raw).capturedLength());
    wrapped.column = columnAfter(wrapped.raw.left(wrapped.prefix));
    wrapped.text = wrapped.raw.mid(wrapped.prefix);
    if (const QRegularExpressionMatch item = listMarker.match(wrapped.text); item.hasMatch())
        wrapped.itemColumn = wrapped.column + int(item.capturedLength());
    wrapped.copyright = copyrightLine.match(wrapped.text).hasMatch();
    wrapped.rule = ruleLine.match(wrapped.text).hasMatch();
    return wrapped;
}

int firstWordLength(const QString& text) {
    const qsizetype space = text.indexOf(QLatin1Char(' '));
    return int(space < 0 ? text.size() : space);
}

bool hasLowercase(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLower(); });
}

// Text this far in that is not a list item is centred, as a licence's title is: its lines
// are kept.
constexpr int centredColumn = 16;

// Whether a line goes on from the one before it in the same paragraph, so that the break
// between them is only where the text was wrapped. `first` opens the line being joined, and
// `continuation` is the column its continuation lines keep, once there is one.
bool continues(const WrappedLine& before, const WrappedLine& line, const WrappedLine& first,
               std::optional<int> continuation, int width) {
    if (before.text.isEmpty() || line.text.isEmpty() || before.rule || line.rule || line.underlined) return false;
    if (line.copyright) return false;
    // A number after a sentence broken off mid-way is a reference ("section\n7."), not an item.
    static const QRegularExpression referring(QStringLiteral("\\b(?:[Ss]ections?|[Vv]ersion|[Pp]aragraph|[Cc]lause)$"));
    // After "; and" the next item of a list follows.
    static const QRegularExpression listGoesOn(QStringLiteral("; (?:and|or),?$"));
    const bool midSentence = before.text.back().isLower() && !listGoesOn.match(before.text).hasMatch();
    const bool reference = midSentence && (first.itemColumn < 0 || referring.match(before.text).hasMatch());
    if (line.itemColumn >= 0 && !reference) return false;
    if (before.column >= centredColumn && first.itemColumn < 0) return false;
    if (continuation) {
        // One column off is a slip of the hand, not a new indentation.
        if (std::abs(line.column - *continuation) > 1) return false;
    } else {
        // The same column, the hanging indent of an item or of an opening bracket, or a
        // paragraph whose first line is indented.
        const bool same = line.column == first.column;
        const bool hanging =
            (first.itemColumn >= 0 && line.column > first.column && line.column <= first.itemColumn + 1) ||
            (line.column == first.column + 1 && QStringLiteral("[(\"'").contains(first.text.front()));
        const bool indentedFirst = line.column < first.column && first.column - line.column <= 4;
        if (!same && !hanging && !indentedFirst) return false;
    }
    // A sentence going on in lowercase was wrapped, and none ends on an article, a preposition
    // or a conjunction.
    static const QRegularExpression unfinished(QStringLiteral(
        "\\b(?:the|a|an|of|to|and|or|in|on|for|with|by|from|as|at|that|this|any|under|which|is|are|be|not|your|its|their|such)$"));
    if (line.text.front().isLower() && hasLowercase(before.text)) return true;
    if (unfinished.match(before.text).hasMatch()) return true;
    // Otherwise the line before was wrapped only if it was full: its next word (nearly, as
    // wrapping columns vary) would not have fitted. A copyright line, a name with its address
    // or a remark in brackets ends where it ends.
    const bool aside = before.itemColumn < 0 && before.text.startsWith(QLatin1Char('(')) &&
                       before.text.endsWith(QLatin1Char(')'));
    if (before.copyright || before.heldBy || aside || before.text.endsWith(QLatin1Char('>'))) return false;
    // A line ending on a comma goes on, unless an item of a list ends there.
    if (before.text.endsWith(QLatin1Char(',')) && !listGoesOn.match(before.text).hasMatch()) return true;
    return before.raw.size() + 1 + firstWordLength(line.text) > width - 4;
}

// The paragraph's lines joined where they were wrapped, each joined line's spacing evened.
QStringList unwrappedParagraph(const QStringList& paragraph, int typicalWidth) {
    const bool commentBlock = isCommentBlock(paragraph);
    std::vector<WrappedLine> lines;
    for (const QString& line : paragraph) lines.push_back(wrappedLine(line, commentBlock));
    // The widest wrapped line tells the wrapping width (a last line was not wrapped and may
    // run over), unless the paragraph is too short to tell.
    int widest = 0;
    for (std::size_t at = 0; at + 1 < lines.size(); ++at) {
        lines[at].underlined = lines[at + 1].rule;
        widest = std::max(widest, int(lines[at].raw.size()));
    }
    const int width = std::max(widest, typicalWidth * 85 / 100);

    static const QRegularExpression spacing(QStringLiteral("(?<=\\S)[ \\t]{2,}(?=\\S)"));
    QStringList result;
    std::size_t at = 0;
    while (at < lines.size()) {
        const WrappedLine& first = lines[at];
        QString joined = first.text;
        std::optional<int> continuation;
        std::size_t next = at + 1;
        for (; next < lines.size() && continues(lines[next - 1], lines[next], first, continuation, width); ++next) {
            continuation = lines[next].column;
            joined += QLatin1Char(' ') + lines[next].text;
        }
        // What follows a copyright line on a line of its own, such as the holder's address,
        // belongs to it and ends where it ends too.
        if (next < lines.size() && lines[next - 1].copyright) lines[next].heldBy = true;
        if (next > at + 1) joined.replace(spacing, QStringLiteral(" "));
        result.append(first.raw.left(first.prefix) + joined);
        at = next;
    }
    return result;
}

} // namespace

QString unwrapped(const QString& text) {
    const QStringList lines = text.split(QLatin1Char('\n'));
    std::vector<int> widths;
    for (const QString& line : lines)
        if (!isBlank(line)) widths.push_back(int(wrappedLine(line, false).raw.size()));
    std::sort(widths.begin(), widths.end());
    const int typicalWidth = widths.empty() ? 0 : widths[widths.size() * 9 / 10];

    QStringList result;
    qsizetype at = 0;
    while (at < lines.size()) {
        if (isBlank(lines[at])) {
            result.append(lines[at++]);
            continue;
        }
        qsizetype end = at;
        while (end < lines.size() && !isBlank(lines[end])) ++end;
        result.append(unwrappedParagraph(lines.mid(at, end - at), typicalWidth));
        at = end;
    }
    return result.join(QLatin1Char('\n'));
}

QString readableLicence(const QString& copyrightFile) {
    if (!copyrightFile.startsWith(QLatin1String("Format:"))) return unwrapped(copyrightFile);
    const QStringList lines = copyrightFile.split(QLatin1Char('\n'));

    // The stanzas run until a paragraph that is not one: what follows is appended text.
    std::vector<Stanza> stanzas;
    qsizetype line = 0;
    while (line < lines.size()) {
        if (isBlank(lines[line])) {
            ++line;
            continue;
        }
        qsizetype end = line;
        while (end < lines.size() && !isBlank(lines[end])) ++end;
        QStringList paragraph = lines.mid(line, end - line);
        paragraph.removeIf(isComment);
        if (paragraph.isEmpty()) {
            line = end;
            continue;
        }
        const bool stanza =
            isField(paragraph.front()) && std::all_of(paragraph.begin(), paragraph.end(),
                                                      [](const QString& l) { return isField(l) || isContinuation(l); });
        if (!stanza) break;
        stanzas.emplace_back();
        for (const QString& at : paragraph) {
            if (isField(at)) {
                const qsizetype colon = at.indexOf(QLatin1Char(':'));
                stanzas.back().push_back({at.left(colon), at.mid(colon + 1).trimmed(), {}});
            } else {
                stanzas.back().back().continuation.append(at);
            }
        }
        line = end;
    }
    // A bare rule ("--") between the file and what was appended separates nothing any more.
    static const QRegularExpression rule(QStringLiteral("^\\s*[-=]+\\s*$"));
    while (line < lines.size() && (isBlank(lines[line]) || rule.match(lines[line]).hasMatch())) ++line;
    // Trimmed at the end only: a licence's title is often indented.
    QString appended = unwrapped(lines.mid(line).join(QLatin1Char('\n')));
    while (!appended.isEmpty() && appended.back().isSpace()) appended.chop(1);

    // Each licence text under its name, and the licences the lists of files use, in the order
    // they are first used: the licence of the whole work comes first.
    std::vector<std::pair<QString, QString>> bodies;
    QStringList used;
    QStringList holders;
    // What the packager says of the whole work is kept when it is a licence: the patent
    // licence of a codec is written there.
    QString headerLicence;
    if (!stanzas.empty() && find(stanzas.front(), QLatin1String("Format")))
        if (const Field* comment = find(stanzas.front(), QLatin1String("Comment"))) {
            QStringList text = comment->continuation;
            text.prepend(QLatin1Char(' ') + comment->firstLine);
            static const QRegularExpression licenceWord(QStringLiteral("licen[cs]e"),
                                                        QRegularExpression::CaseInsensitiveOption);
            if (text.join(QLatin1Char('\n')).contains(licenceWord)) headerLicence = unwrapped(unfolded(text));
        }
    for (const Stanza& stanza : stanzas) {
        const Field* licence = find(stanza, QLatin1String("License"));
        if (licence && !licence->continuation.isEmpty()) {
            const QString body = unwrapped(unfolded(licence->continuation));
            const bool known =
                std::any_of(bodies.begin(), bodies.end(), [&](const auto& b) { return b.second == body; });
            if (!body.isEmpty() && !known) bodies.emplace_back(licence->firstLine, body);
        }
        if (!find(stanza, QLatin1String("Files"))) continue;
        if (licence) {
            static const QRegularExpression separators(QStringLiteral("[\\s,()]+"));
            used.append(licence->firstLine);
            for (const QString& name : licence->firstLine.split(separators, Qt::SkipEmptyParts))
                if (!QStringList{QStringLiteral("or"), QStringLiteral("and"), QStringLiteral("with")}.contains(name))
                    used.append(name);
        }
        if (const Field* copyright = find(stanza, QLatin1String("Copyright"))) {
            QStringList named = copyright->continuation;
            named.prepend(copyright->firstLine);
            for (const QString& holder : named) {
                const QString trimmed = holder.trimmed();
                if (!trimmed.isEmpty() && trimmed != QLatin1String(".") && !holders.contains(trimmed))
                    holders.append(trimmed);
            }
        }
    }

    // A licence used without a text of its own in the file is one of the full texts appended.
    QStringList document;
    bool appendedPlaced = appended.isEmpty();
    for (const QString& name : used) {
        bool found = false;
        for (auto& [bodyName, body] : bodies) {
            if (bodyName != name) continue;
            found = true;
            if (!body.isEmpty()) document.append(std::exchange(body, QString()));
        }
        if (!found && !appendedPlaced && !name.contains(QLatin1Char(' '))) {
            document.append(appended);
            appendedPlaced = true;
        }
    }
    for (const auto& [name, body] : bodies)
        if (!body.isEmpty()) document.append(body);
    if (!appendedPlaced) document.append(appended);
    if (!headerLicence.isEmpty()) document.append(headerLicence);
    if (!holders.isEmpty()) document.append(QStringLiteral("Copyright\n") + holders.join(QLatin1Char('\n')));
    return document.join(QStringLiteral("\n\n")) + QLatin1Char('\n');
}

} // namespace pictavo
