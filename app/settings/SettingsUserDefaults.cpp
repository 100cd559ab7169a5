#include "app/settings/SettingsUserDefaults.h"

namespace pictavo {

SettingsUserDefaults::SettingsUserDefaults() : settings_(std::make_unique<QSettings>()) {}

SettingsUserDefaults::SettingsUserDefaults(const QString& fileName)
    : settings_(std::make_unique<QSettings>(fileName, QSettings::IniFormat)) {}

std::optional<QString> SettingsUserDefaults::string(const QString& key) const {
    const QVariant value = settings_->value(key);
    if (value.typeId() != QMetaType::QString) return std::nullopt;
    return value.toString();
}

void SettingsUserDefaults::setString(const QString& key, const QString& value) { write(key, value); }

std::optional<QByteArray> SettingsUserDefaults::data(const QString& key) const {
    const QVariant value = settings_->value(key);
    if (value.typeId() == QMetaType::QByteArray) return value.toByteArray();
    if (value.typeId() == QMetaType::QString) return value.toString().toUtf8();
    return std::nullopt;
}

void SettingsUserDefaults::setData(const QString& key, const QByteArray& value) { write(key, value); }

std::optional<bool> SettingsUserDefaults::boolean(const QString& key) const {
    const QVariant value = settings_->value(key);
    if (value.typeId() == QMetaType::Bool) return value.toBool();
    // The INI format keeps Booleans as text.
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString();
        if (text == QLatin1String("true")) return true;
        if (text == QLatin1String("false")) return false;
    }
    return std::nullopt;
}

void SettingsUserDefaults::setBoolean(const QString& key, bool value) { write(key, value); }

bool SettingsUserDefaults::contains(const QString& key) const { return settings_->contains(key); }

void SettingsUserDefaults::remove(const QString& key) {
    settings_->remove(key);
    settings_->sync();
}

void SettingsUserDefaults::write(const QString& key, const QVariant& value) {
    settings_->setValue(key, value);
    settings_->sync();
}

} // namespace pictavo
