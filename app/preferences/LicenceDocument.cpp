#include "app/preferences/LicenceDocument.h"

#include <QRegularExpression>
#include <QStringList>

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

// A licence body as it reads: one indent off every line, " ." back to an empty line.
QString unfolded(const QStringList& continuation) {
    QStringList lines;
    for (const QString& line : continuation) {
        const QString text = line.mid(1);
        lines.append(text.trimmed() == QLatin1String(".") ? QString() : text);
    }
    return lines.join(QLatin1Char('\n')).trimmed();
}

} // namespace

QString readableLicence(const QString& copyrightFile) {
    if (!copyrightFile.startsWith(QLatin1String("Format:"))) return copyrightFile;
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
    QString appended = lines.mid(line).join(QLatin1Char('\n'));
    while (!appended.isEmpty() && appended.back().isSpace()) appended.chop(1);

    // Each licence text under its name, and the licences the lists of files use, in the order
    // they are first used: the licence of the whole work comes first.
    std::vector<std::pair<QString, QString>> bodies;
    QStringList used;
    QStringList holders;
    for (const Stanza& stanza : stanzas) {
        const Field* licence = find(stanza, QLatin1String("License"));
        if (licence && !licence->continuation.isEmpty()) {
            const QString body = unfolded(licence->continuation);
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
    if (!holders.isEmpty()) document.append(QStringLiteral("Copyright\n") + holders.join(QLatin1Char('\n')));
    return document.join(QStringLiteral("\n\n")) + QLatin1Char('\n');
}

} // namespace pictavo
