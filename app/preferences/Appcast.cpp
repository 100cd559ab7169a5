#include "app/preferences/Appcast.h"

#include "app/preferences/VersionOrder.h"

#include <QXmlStreamReader>

#include <optional>

namespace pictavo {
namespace {

struct Item {
    QString version;
    QString shortVersion;
    QString link;
    QString releaseNotes;
};

QUrl safePage(const QString& text) {
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    // Feed text decides what the browser opens, so only a web page over https gets through.
    return url.isValid() && url.scheme() == QLatin1String("https") && !url.host().isEmpty() ? url : QUrl();
}

} // namespace

std::variant<AppcastRelease, AppcastFault> newestRelease(const QByteArray& feed) {
    QXmlStreamReader reader(feed);
    std::optional<Item> item;
    std::optional<AppcastRelease> best;
    bool sawRSS = false;

    const auto finishItem = [&] {
        const QString version = item->version.trimmed();
        if (version.isEmpty() || !compareVersions(version, version)) return;
        if (best && *compareVersions(version, best->version) <= 0) return;
        QUrl page = safePage(item->link);
        if (page.isEmpty()) page = safePage(item->releaseNotes);
        const QString shown = item->shortVersion.trimmed();
        best = AppcastRelease{version, shown.isEmpty() ? version : shown, page};
    };

    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            const auto name = reader.name();
            if (!sawRSS) {
                if (name != QLatin1String("rss")) return AppcastFault{QStringLiteral("the feed is not an RSS feed")};
                sawRSS = true;
            } else if (name == QLatin1String("item")) {
                item = Item{};
            } else if (item && name == QLatin1String("enclosure")) {
                for (const QXmlStreamAttribute& attribute : reader.attributes()) {
                    if (attribute.name() == QLatin1String("version") && item->version.isEmpty())
                        item->version = attribute.value().toString();
                    else if (attribute.name() == QLatin1String("shortVersionString") && item->shortVersion.isEmpty())
                        item->shortVersion = attribute.value().toString();
                }
            } else if (item && name == QLatin1String("version")) {
                item->version = reader.readElementText(QXmlStreamReader::SkipChildElements);
            } else if (item && name == QLatin1String("shortVersionString")) {
                item->shortVersion = reader.readElementText(QXmlStreamReader::SkipChildElements);
            } else if (item && name == QLatin1String("link")) {
                item->link = reader.readElementText(QXmlStreamReader::SkipChildElements);
            } else if (item && name == QLatin1String("releaseNotesLink")) {
                item->releaseNotes = reader.readElementText(QXmlStreamReader::SkipChildElements);
            }
        } else if (reader.isEndElement() && reader.name() == QLatin1String("item") && item) {
            finishItem();
            item.reset();
        }
    }
    if (reader.hasError()) return AppcastFault{QStringLiteral("the feed is not well-formed XML")};
    if (!sawRSS) return AppcastFault{QStringLiteral("the feed is empty")};
    if (!best) return AppcastFault{QStringLiteral("the feed lists no version")};
    return *best;
}

} // namespace pictavo
