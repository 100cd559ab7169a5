#pragma once
#include "app/design/DSDesktopPreferences.h"

#include <QDBusConnection>
#include <QDBusVariant>
#include <QString>

#include <optional>

namespace pictavo {

// The preferences the desktop portal's settings interface publishes over the session bus,
// followed live through its change signal. Without a bus or a portal every answer is "no
// preference".
class DSPortalPreferences : public DSDesktopPreferences {
    Q_OBJECT

public:
    explicit DSPortalPreferences(QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);

    std::optional<bool> prefersDark() const override { return prefersDark_; }
    bool prefersIncreasedContrast() const override { return increasedContrast_; }
    // The portal publishes no such preference.
    bool prefersReducedTransparency() const override { return false; }
    double textScale() const override { return textScale_; }

    // The portal's "color-scheme" value: 1 asks for dark, 2 for light, anything else for nothing.
    static std::optional<bool> darkFromColourScheme(uint value);
    // Scales outside what the type sizes allow are taken as a misreading.
    static double clampedTextScale(double value);

private Q_SLOTS:
    void settingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    void readAll();
    std::optional<QVariant> readSetting(const QString& group, const QString& key) const;
    void adopt(const QString& group, const QString& key, const QVariant& value);

    QDBusConnection bus_;
    std::optional<bool> prefersDark_;
    bool increasedContrast_ = false;
    // The portal's own contrast key wins over the older desktop setting once it has been seen.
    bool portalContrastKnown_ = false;
    double textScale_ = 1.0;
};

} // namespace pictavo
