#pragma once
#include "app/settings/UserDefaults.h"

#include <QSettings>

#include <memory>

namespace pictavo {

// The user's preferences in a QSettings file (~/.config/Fenwid/<application>.conf by
// default). Every change is written at once. Values written elsewhere by hand are read
// leniently: "true" and "false" as Booleans, text as data.
class SettingsUserDefaults : public UserDefaults {
public:
    // The application's own settings file.
    SettingsUserDefaults();
    // An INI file at the path.
    explicit SettingsUserDefaults(const QString& fileName);

    std::optional<QString> string(const QString& key) const override;
    void setString(const QString& key, const QString& value) override;
    std::optional<QByteArray> data(const QString& key) const override;
    void setData(const QString& key, const QByteArray& value) override;
    std::optional<bool> boolean(const QString& key) const override;
    void setBoolean(const QString& key, bool value) override;
    bool contains(const QString& key) const override;
    void remove(const QString& key) override;

private:
    void write(const QString& key, const QVariant& value);

    std::unique_ptr<QSettings> settings_;
};

} // namespace pictavo
