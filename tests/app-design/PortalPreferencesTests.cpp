#include "app/design/DSPortalPreferences.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QProcess>
#include <QTemporaryFile>
#include <QSignalSpy>
#include <QThread>
#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <vector>

namespace pictavo {

// The desktop portal's settings interface, as a desktop publishes it. It runs on a thread of its
// own, as the portal runs in a process of its own: the preferences block on their calls.
class PortalSettings : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    std::map<std::pair<QString, QString>, QVariant> values;

public Q_SLOTS:
    QDBusVariant ReadOne(const QString& group, const QString& key) {
        const auto found = values.find({group, key});
        if (found == values.end()) {
            sendErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"), QStringLiteral("no such key"));
            return {};
        }
        return QDBusVariant(found->second);
    }

    void change(const QString& group, const QString& key, const QVariant& value) {
        values[{group, key}] = value;
        Q_EMIT SettingChanged(group, key, QDBusVariant(value));
    }

Q_SIGNALS:
    void SettingChanged(const QString& group, const QString& key, const QDBusVariant& value);
};

// An older portal, which answers only Read, with the value wrapped twice.
class OlderPortalSettings : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public Q_SLOTS:
    QDBusVariant Read(const QString& group, const QString& key) {
        if (group == QLatin1String("org.freedesktop.appearance") && key == QLatin1String("color-scheme")) {
            return QDBusVariant(QVariant::fromValue(QDBusVariant(uint(1))));
        }
        sendErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"), QStringLiteral("no such key"));
        return {};
    }
};

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");

// A private session bus for one test.
// A bus of its own that starts no service of the machine's: with a display, the desktop's own
// portal would be started on a session bus and answer for the portal the test leaves out.
struct PrivateBus {
    QTemporaryFile config;
    QProcess daemon;
    QString address;

    PrivateBus() {
        EXPECT_TRUE(config.open());
        config.write(R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)");
        config.close();
        daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=") + config.fileName(),
                                                     QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        EXPECT_TRUE(daemon.waitForStarted(10000));
        while (!daemon.canReadLine() && daemon.waitForReadyRead(10000)) {
        }
        address = QString::fromUtf8(daemon.readLine()).trimmed();
    }
    ~PrivateBus() {
        for (const char* name : {"portal-test-service", "portal-test-client"}) {
            QDBusConnection::disconnectFromBus(QString::fromLatin1(name));
        }
        daemon.terminate();
        daemon.waitForFinished(10000);
    }

    QDBusConnection connection(const char* name) const {
        return QDBusConnection::connectToBus(address, QString::fromLatin1(name));
    }

    // Publishes the object as the portal, served on its own thread, where it is also registered.
    void publish(QObject* portal, QThread& thread) const {
        portal->moveToThread(&thread);
        thread.start();
        bool published = false;
        QMetaObject::invokeMethod(
            portal,
            [this, portal, &published] {
                QDBusConnection service = connection("portal-test-service");
                published = service.registerService(portalService) &&
                            service.registerObject(portalPath, portal,
                                                   QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals);
            },
            Qt::BlockingQueuedConnection);
        ASSERT_TRUE(published);
    }
};

// Deleted on its own thread before that thread ends: a deferred delete may never be reached
// once the thread's loop is told to quit.
void retire(QObject* portal) {
    QMetaObject::invokeMethod(portal, [portal] { delete portal; }, Qt::BlockingQueuedConnection);
}

struct ServiceThread : QThread {
    ~ServiceThread() override {
        quit();
        wait();
    }
};

TEST(PortalPreferences, ReadsTheDesktopsPreferencesAndFollowsTheirChanges) {
    PrivateBus bus;
    ASSERT_FALSE(bus.address.isEmpty());
    ServiceThread thread;
    auto* portal = new PortalSettings;
    portal->values[{QStringLiteral("org.freedesktop.appearance"), QStringLiteral("color-scheme")}] = uint(1);
    portal->values[{QStringLiteral("org.freedesktop.appearance"), QStringLiteral("contrast")}] = uint(1);
    // The portal's own contrast key wins over the desktop's older switch.
    portal->values[{QStringLiteral("org.gnome.desktop.a11y.interface"), QStringLiteral("high-contrast")}] = false;
    portal->values[{QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("text-scaling-factor")}] = 1.25;
    bus.publish(portal, thread);

    DSPortalPreferences preferences(bus.connection("portal-test-client"));
    EXPECT_EQ(preferences.prefersDark(), true);
    EXPECT_TRUE(preferences.prefersIncreasedContrast());
    EXPECT_DOUBLE_EQ(preferences.textScale(), 1.25);
    EXPECT_FALSE(preferences.prefersReducedTransparency());

    QSignalSpy changed(&preferences, &DSDesktopPreferences::changed);
    // 2 prefers light; 0 states no preference.
    for (const auto& [scheme, dark] : {std::pair{2u, std::optional(false)}, std::pair{0u, std::optional<bool>()}}) {
        QMetaObject::invokeMethod(portal, [portal, scheme] {
            portal->change(QStringLiteral("org.freedesktop.appearance"), QStringLiteral("color-scheme"), scheme);
        });
        ASSERT_TRUE(changed.wait(10000));
        EXPECT_EQ(preferences.prefersDark(), dark) << scheme;
    }
    retire(portal);
}

TEST(PortalPreferences, AnOlderPortalIsReadThroughRead) {
    PrivateBus bus;
    ServiceThread thread;
    auto* portal = new OlderPortalSettings;
    bus.publish(portal, thread);
    DSPortalPreferences preferences(bus.connection("portal-test-client"));
    EXPECT_EQ(preferences.prefersDark(), true);
    EXPECT_FALSE(preferences.prefersIncreasedContrast());
    EXPECT_DOUBLE_EQ(preferences.textScale(), 1.0);
    retire(portal);
}

TEST(PortalPreferences, WithoutAPortalOrABusThereIsNoPreference) {
    PrivateBus bus;
    const DSPortalPreferences withoutPortal(bus.connection("portal-test-client"));
    EXPECT_EQ(withoutPortal.prefersDark(), std::nullopt);
    EXPECT_FALSE(withoutPortal.prefersIncreasedContrast());

    const DSPortalPreferences withoutBus(QDBusConnection(QStringLiteral("no-such-connection")));
    EXPECT_EQ(withoutBus.prefersDark(), std::nullopt);
    EXPECT_DOUBLE_EQ(withoutBus.textScale(), 1.0);

    // Implausible text scales are kept in bounds.
    const double notANumber = std::numeric_limits<double>::quiet_NaN();
    for (const auto& [asked, kept] : std::vector<std::pair<double, double>>{{0, 1}, {-2, 1}, {notANumber, 1}, {40, 3}, {0.1, 0.5}}) {
        EXPECT_DOUBLE_EQ(DSPortalPreferences::clampedTextScale(asked), kept) << asked;
    }
}

} // namespace
} // namespace pictavo

#include "PortalPreferencesTests.moc"
