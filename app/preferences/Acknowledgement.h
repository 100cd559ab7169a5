#pragma once
#include <QString>

#include <tuple>

namespace pictavo {

// One library the application contains, as the About panel credits it.
struct Acknowledgement {
    QString name; // also its identity
    QString version;
    QString role;    // one sentence on what it does here
    QString licence; // a short summary
    QString text;    // the full licence text

    const QString& id() const { return name; }
    friend bool operator==(const Acknowledgement& a, const Acknowledgement& b) {
        return std::tie(a.name, a.version, a.role, a.licence, a.text) ==
               std::tie(b.name, b.version, b.role, b.licence, b.text);
    }
};

} // namespace pictavo
