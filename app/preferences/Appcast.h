#pragma once
#include <QByteArray>
#include <QString>
#include <QUrl>

#include <variant>

namespace pictavo {

// The newest release an appcast feed lists.
struct AppcastRelease {
    QString version;        // the build version compared with ours
    QString displayVersion; // what the user is shown; the build version when the feed has none
    QUrl page;              // the https download or release-notes page; empty when it has none
};

// Why a feed could not be read, in words for the user.
struct AppcastFault {
    QString reason;
};

// Reads an RSS appcast and picks the item with the highest numeric build version. Elements
// and attributes are matched by local name, whatever their prefix. A feed that is not
// well-formed XML, or lists no item with a usable version, is a fault, never an empty list.
std::variant<AppcastRelease, AppcastFault> newestRelease(const QByteArray& feed);

} // namespace pictavo
