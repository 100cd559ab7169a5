#pragma once
#include <QMetaType>
#include <QString>
#include <QUrl>

namespace pictavo {

// How one look at the update feed ended.
struct UpdateCheck {
    enum class Result { available, upToDate, failed };
    Result result = Result::failed;
    QString version; // the newer version's display text, when one is available
    QUrl page;       // its https download page, when the feed gave one
    QString reason;  // why the check failed
};

} // namespace pictavo

Q_DECLARE_METATYPE(pictavo::UpdateCheck)
