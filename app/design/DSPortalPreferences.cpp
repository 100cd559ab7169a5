#include "app/design/DSPortalPreferences.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>

#include <algorithm>

namespace pictavo {

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");

const QString appearanceGroup = QStringLiteral("org.freedesktop.appearance");
const QString colourSchemeKey = QStringLiteral("color-scheme");
const QString contrastKey = QStringLiteral("contrast");
// Desktops whose portal is older than the contrast key publish their own settings through it.
const QString accessibilityGroup = QStringLiteral("org.gnome.desktop.a11y.interface");
const QString highContrastKey = QStringLiteral("high-contrast");
const QString interfaceGroup = QStringLiteral("org.gnome.desktop.interface");
const QString textScalingKey = QStringLiteral("text-scaling-factor");

// Start-up must not wait long on a portal that does not answer.
constexpr int readTimeoutMilliseconds = 500;

QVariant unwrapped(QVariant value) {
    // Read answers a variant inside a variant; ReadOne answers a plain variant.
    while (value.userType() == qMetaTypeId<QDBusVariant>()) {
        value = qvariant_cast<QDBusVariant>(value).variant();
    }
    return value;
}

} // namespace

std::optional<QVariant> DSPortalPreferences::readSetting(const QString& group, const QString& key) const {
    if (!bus_.isConnected()) return std::nullopt;
    for (const char* method : {"ReadOne", "Read"}) {
        QDBusMessage call = QDBusMessage::createMethodCall(portalService, portalPath, settingsInterface,
                                                           QString::fromLatin1(method));
        call << group << key;
        const QDBusMessage answer = bus_.call(call, QDBus::Block, readTimeoutMilliseconds);
        if (answer.type() == QDBusMessage::ReplyMessage && !answer.arguments().isEmpty()) {
            return unwrapped(answer.arguments().constFirst());
        }
        // An unknown key is final; only an unknown method is worth the older one.
        if (answer.errorName() != QLatin1String("org.freedesktop.DBus.Error.UnknownMethod")) return std::nullopt;
    }
    return std::nullopt;
}

DSPortalPreferences::DSPortalPreferences(QDBusConnection bus, QObject* parent)
    : DSDesktopPreferences(parent), bus_(std::move(bus)) {
    readAll();
    bus_.connect(portalService, portalPath, settingsInterface,
                                          QStringLiteral("SettingChanged"), this,
                                          SLOT(settingChanged(QString, QString, QDBusVariant)));
}

std::optional<bool> DSPortalPreferences::darkFromColourScheme(uint value) {
    if (value == 1) return true;
    if (value == 2) return false;
    return std::nullopt;
}

double DSPortalPreferences::clampedTextScale(double value) {
    if (!(value > 0)) return 1.0;
    return std::clamp(value, 0.5, 3.0);
}

void DSPortalPreferences::readAll() {
    const std::pair<QString, QString> keys[] = {{appearanceGroup, colourSchemeKey},
                                                {accessibilityGroup, highContrastKey},
                                                {appearanceGroup, contrastKey},
                                                {interfaceGroup, textScalingKey}};
    for (const auto& [group, key] : keys) {
        if (const std::optional<QVariant> value = readSetting(group, key)) adopt(group, key, *value);
    }
}

void DSPortalPreferences::adopt(const QString& group, const QString& key, const QVariant& value) {
    if (group == appearanceGroup && key == colourSchemeKey) {
        prefersDark_ = darkFromColourScheme(value.toUInt());
    } else if (group == appearanceGroup && key == contrastKey) {
        portalContrastKnown_ = true;
        increasedContrast_ = value.toUInt() == 1;
    } else if (group == accessibilityGroup && key == highContrastKey && !portalContrastKnown_) {
        increasedContrast_ = value.toBool();
    } else if (group == interfaceGroup && key == textScalingKey) {
        textScale_ = clampedTextScale(value.toDouble());
    }
}

void DSPortalPreferences::settingChanged(const QString& group, const QString& key, const QDBusVariant& value) {
    const auto before = std::make_tuple(prefersDark_, increasedContrast_, textScale_);
    adopt(group, key, unwrapped(value.variant()));
    if (before != std::make_tuple(prefersDark_, increasedContrast_, textScale_)) Q_EMIT changed();
}

} // namespace pictavo
