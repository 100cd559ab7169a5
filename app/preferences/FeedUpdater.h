#pragma once
#include "app/preferences/Updater.h"
#include "app/settings/UserDefaults.h"

#include <QByteArray>
#include <QDateTime>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>
#include <QUrl>

class QNetworkAccessManager;

namespace pictavo {

// Looks for a newer version in an appcast feed and tells; it never downloads or installs
// anything, since Debian updates software through its package manager.
class FeedUpdater : public Updater {
    Q_OBJECT

public:
    static constexpr const char* automaticKey = "automaticallyChecksForUpdates";
    static constexpr const char* lastCheckKey = "lastUpdateCheck";

    struct Limits {
        qint64 maxFeedBytes = 1024 * 1024;
        int timeoutMs = 30000;
        int firstAutomaticDelayMs = 60000;
        int automaticIntervalMs = 24 * 60 * 60 * 1000;
        // Plain http to this machine only, for tests that serve a feed themselves.
        bool allowLoopbackHTTP = false;
    };

    // The feed this build was made with; empty when it has none.
    static QUrl builtInFeed();

    FeedUpdater(UserDefaults& defaults, QUrl feed, QString ourVersion, Limits limits, QObject* parent = nullptr);
    FeedUpdater(UserDefaults& defaults, QUrl feed, QString ourVersion, QObject* parent = nullptr);
    ~FeedUpdater() override;

    void start() override;
    bool isAvailable() const override { return !feed_.isEmpty(); }
    bool automaticallyChecks() const override;
    void setAutomaticallyChecks(bool on) override;
    bool canCheck() const override { return isAvailable() && !reply_; }
    void checkForUpdates() override { check(true); }

    // Whether the address may be fetched at all: https, or loopback http when allowed.
    bool acceptsAddress(const QUrl& url) const;

private:
    void check(bool userInitiated);
    void scheduleAutomatic();
    void finish(UpdateCheck outcome);
    void fail(const QString& reason);
    void readBody();
    void onFinished();

    UserDefaults& defaults_;
    QUrl feed_;
    QString ourVersion_;
    Limits limits_;
    QNetworkAccessManager* network_;
    QPointer<QNetworkReply> reply_;
    QByteArray body_;
    QString failure_;
    bool userInitiated_ = false;
    QTimer deadline_;
    QTimer automatic_;
};

} // namespace pictavo
