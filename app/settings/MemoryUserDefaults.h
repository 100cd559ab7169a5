#pragma once
#include "app/settings/UserDefaults.h"

#include <QHash>
#include <QVariant>

namespace pictavo {

// Preferences that live as long as the object: for a window that must not touch the
// user's own, and for tests.
class MemoryUserDefaults : public UserDefaults {
public:
    std::optional<QString> string(const QString& key) const override;
    void setString(const QString& key, const QString& value) override { values_.insert(key, value); }
    std::optional<QByteArray> data(const QString& key) const override;
    void setData(const QString& key, const QByteArray& value) override { values_.insert(key, value); }
    std::optional<bool> boolean(const QString& key) const override;
    void setBoolean(const QString& key, bool value) override { values_.insert(key, value); }
    bool contains(const QString& key) const override { return values_.contains(key); }
    void remove(const QString& key) override { values_.remove(key); }

private:
    QHash<QString, QVariant> values_;
};

} // namespace pictavo
