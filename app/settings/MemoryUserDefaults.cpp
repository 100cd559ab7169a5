#include "app/settings/MemoryUserDefaults.h"

namespace pictavo {

std::optional<QString> MemoryUserDefaults::string(const QString& key) const {
    const QVariant value = values_.value(key);
    if (value.typeId() != QMetaType::QString) return std::nullopt;
    return value.toString();
}

std::optional<QByteArray> MemoryUserDefaults::data(const QString& key) const {
    const QVariant value = values_.value(key);
    if (value.typeId() != QMetaType::QByteArray) return std::nullopt;
    return value.toByteArray();
}

std::optional<bool> MemoryUserDefaults::boolean(const QString& key) const {
    const QVariant value = values_.value(key);
    if (value.typeId() != QMetaType::Bool) return std::nullopt;
    return value.toBool();
}

} // namespace pictavo
