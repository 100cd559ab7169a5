#pragma once
#include <QByteArray>
#include <QString>

#include <optional>

namespace pictavo {

// The user's persisted preferences, by key. Keys are plain names (never paths); values
// are written at once.
class UserDefaults {
public:
    virtual ~UserDefaults() = default;

    virtual std::optional<QString> string(const QString& key) const = 0;
    virtual void setString(const QString& key, const QString& value) = 0;
    // Stored data, such as the text of a JSON document.
    virtual std::optional<QByteArray> data(const QString& key) const = 0;
    virtual void setData(const QString& key, const QByteArray& value) = 0;
    // None when absent or not a Boolean.
    virtual std::optional<bool> boolean(const QString& key) const = 0;
    virtual void setBoolean(const QString& key, bool value) = 0;
    virtual bool contains(const QString& key) const = 0;
    virtual void remove(const QString& key) = 0;
};

} // namespace pictavo
