#include "FeedServer.h"
#include "ScriptedUpdater.h"

#include "app/desktop/AlertBox.h"
#include "app/preferences/Appcast.h"
#include "app/preferences/FeedUpdater.h"
#include "app/preferences/UpdateController.h"
#include "app/preferences/UpdateNotice.h"
#include "app/preferences/VersionOrder.h"
#include "app/settings/SettingsUserDefaults.h"

#include <QApplication>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

using namespace pictavo;

namespace {

QByteArray appcast(const QList<QByteArray>& items) {
    QByteArray feed = "<?xml version=\"1.0\"?>\n<rss version=\"2.0\" "
                      "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel>";
    for (const QByteArray& item : items) feed += "<item>" + item + "</item>";
    return feed + "</channel></rss>";
}

QByteArray release(const QByteArray& version, const QByteArray& shown = {}) {
    QByteArray item = "<sparkle:version>" + version + "</sparkle:version>";
    if (!shown.isEmpty()) item += "<sparkle:shortVersionString>" + shown + "</sparkle:shortVersionString>";
    return item + "<link>https://pictavo.example/download/" + version + "</link>";
}

class UpdateCheckTest : public ::testing::Test {
protected:
    static FeedUpdater::Limits testLimits(const std::function<void(FeedUpdater::Limits&)>& edit = {}) {
        FeedUpdater::Limits limits;
        limits.allowLoopbackHTTP = true;
        limits.timeoutMs = 2000;
        if (edit) edit(limits);
        return limits;
    }

    // Runs a user-initiated check against the server and waits for how it ends.
    UpdateCheck check(FeedUpdater& updater) {
        QSignalSpy checked(&updater, &Updater::checked);
        updater.checkForUpdates();
        EXPECT_FALSE(updater.canCheck());
        EXPECT_TRUE(checked.wait(10000));
        EXPECT_TRUE(updater.canCheck());
        if (checked.isEmpty()) return {};
        EXPECT_TRUE(checked.first().at(1).toBool());
        return checked.first().at(0).value<UpdateCheck>();
    }
    // The same, with the server answering so first.
    UpdateCheck check(FeedUpdater& updater, const QByteArray& status, const QByteArray& body,
                      const QByteArray& headers = {}) {
        server.reply(status, body, headers);
        return check(updater);
    }

    QTemporaryDir folder;
    SettingsUserDefaults defaults{folder.filePath(QStringLiteral("settings.ini"))};
    FeedServer server;
};

} // namespace

TEST(VersionOrder, ComparesNumberByNumber) {
    EXPECT_EQ(compareVersions("1.10", "1.9"), 1);
    EXPECT_EQ(compareVersions("1.9", "1.10"), -1);
    EXPECT_EQ(compareVersions("2", "2.0"), 0);
    EXPECT_EQ(compareVersions("2.0.1", "2"), 1);
    EXPECT_EQ(compareVersions("1.2b", "1.2"), std::nullopt);
    EXPECT_EQ(compareVersions("", "1"), std::nullopt);
    EXPECT_EQ(compareVersions("1..2", "1"), std::nullopt);
}

TEST(Appcast, PicksTheHighestBuildKeepsOnlyHTTPSPagesAndFaultsAFeedWithoutAReadableVersion) {
    const auto read = newestRelease(appcast({release("1.9"), release("1.10", "1.10 (spring)"), release("1.2")}));
    ASSERT_TRUE(std::holds_alternative<AppcastRelease>(read));
    const auto& newest = std::get<AppcastRelease>(read);
    EXPECT_EQ(newest.version, "1.10");
    EXPECT_EQ(newest.displayVersion, "1.10 (spring)");
    EXPECT_EQ(newest.page, QUrl("https://pictavo.example/download/1.10"));

    const auto fromEnclosure = newestRelease(appcast({"<enclosure url=\"https://x.example/a\" sparkle:version=\"3.1\"/>"}));
    ASSERT_TRUE(std::holds_alternative<AppcastRelease>(fromEnclosure));
    EXPECT_EQ(std::get<AppcastRelease>(fromEnclosure).version, "3.1");

    const auto unsafe = newestRelease(appcast({"<sparkle:version>2</sparkle:version><link>javascript:alert(1)</link>"
                                               "<sparkle:releaseNotesLink>http://x.example/</sparkle:releaseNotesLink>"}));
    ASSERT_TRUE(std::holds_alternative<AppcastRelease>(unsafe));
    EXPECT_TRUE(std::get<AppcastRelease>(unsafe).page.isEmpty());

    // A feed without a readable version is a fault.
    for (const QByteArray& feed : {QByteArray(""), QByteArray("<rss><channel><item>"), appcast({}),
                                   appcast({release("soon")}), QByteArray("<html><body>Sign in</body></html>")}) {
        EXPECT_TRUE(std::holds_alternative<AppcastFault>(newestRelease(feed))) << feed.toStdString();
    }
}

TEST_F(UpdateCheckTest, TellsOfANewerVersionOnlyAndOfABrokenAnswerOrARefusedConnectionAsAFailure) {
    FeedUpdater updater(defaults, server.url(), "1.9", testLimits());
    const UpdateCheck outcome = check(updater, "200 OK", appcast({release("1.10", "1.10")}));
    EXPECT_EQ(outcome.result, UpdateCheck::Result::available);
    EXPECT_EQ(outcome.version, "1.10");
    EXPECT_EQ(outcome.page, QUrl("https://pictavo.example/download/1.10"));
    EXPECT_TRUE(server.lastRequest.startsWith("GET /appcast.xml HTTP/1.1"));
    EXPECT_TRUE(server.lastRequest.contains("Pictavo/1.9"));

    EXPECT_EQ(check(updater, "200 OK", appcast({release("1.9.0")})).result, UpdateCheck::Result::upToDate);
    EXPECT_EQ(check(updater, "200 OK", appcast({release("1.8.12")})).result, UpdateCheck::Result::upToDate);

    // A broken answer or a refused connection is a failure, never up to date.
    EXPECT_EQ(check(updater, "200 OK", "<rss><channel><item><sparkle:version>0.1").result, UpdateCheck::Result::failed);
    EXPECT_EQ(check(updater, "200 OK", "<html>Captive portal</html>").result, UpdateCheck::Result::failed);
    const UpdateCheck missing = check(updater, "404 Not Found", "missing");
    EXPECT_EQ(missing.result, UpdateCheck::Result::failed);
    EXPECT_TRUE(missing.reason.contains("404")) << missing.reason.toStdString();
    server.manner = FeedServer::Manner::hangUp;
    EXPECT_EQ(check(updater).result, UpdateCheck::Result::failed);
    server.close();
    EXPECT_EQ(check(updater).result, UpdateCheck::Result::failed) << "a refused connection";
}

TEST_F(UpdateCheckTest, ASilentOrDrippingServerRunsOutOfTime) {
    FeedUpdater updater(defaults, server.url(), "1.0", testLimits([](auto& limits) { limits.timeoutMs = 300; }));
    server.manner = FeedServer::Manner::stayQuiet;
    EXPECT_EQ(check(updater).result, UpdateCheck::Result::failed);
    // Each byte resets an inactivity timer, so only a deadline over the whole check ends this.
    server.manner = FeedServer::Manner::trickle;
    const UpdateCheck dripped = check(updater);
    EXPECT_EQ(dripped.result, UpdateCheck::Result::failed);
    EXPECT_EQ(dripped.reason, "the server took too long");
}

TEST_F(UpdateCheckTest, AnOversizedFeedIsCutOff) {
    FeedUpdater updater(defaults, server.url(), "1.0", testLimits([](auto& limits) { limits.maxFeedBytes = 4096; }));
    server.reply("200 OK", appcast({release("2.0") + QByteArray(8192, ' ')}));
    // Without a length up front, the count of bytes read stops it just the same.
    for (const bool sendsLength : {true, false}) {
        server.sendsLength = sendsLength;
        const UpdateCheck outcome = check(updater);
        EXPECT_EQ(outcome.result, UpdateCheck::Result::failed) << sendsLength;
        EXPECT_EQ(outcome.reason, "the feed is too large") << sendsLength;
    }
}

TEST_F(UpdateCheckTest, ARedirectToPlainHTTPOrAnotherSchemeIsNotFollowed) {
    FeedServer elsewhere;
    FeedUpdater updater(defaults, server.url(), "1.0", testLimits());
    const UpdateCheck toHTTP = check(updater, "302 Found", {}, "Location: http://pictavo.example/appcast.xml\r\n");
    EXPECT_EQ(toHTTP.result, UpdateCheck::Result::failed);
    EXPECT_TRUE(toHTTP.reason.contains("not secure"));
    EXPECT_EQ(check(updater, "302 Found", {}, "Location: ftp://127.0.0.1/appcast.xml\r\n").result,
              UpdateCheck::Result::failed);

    // A loopback hop is what the test seam allows, and is followed.
    elsewhere.reply("200 OK", appcast({release("2.0")}));
    EXPECT_EQ(check(updater, "302 Found", {}, "Location: " + elsewhere.url().toEncoded() + "\r\n").result,
              UpdateCheck::Result::available);
    EXPECT_EQ(elsewhere.connections, 1);
}

TEST_F(UpdateCheckTest, OnlyHTTPSOrTheTestSeamsLoopbackIsEverFetchedAndNoFeedMeansNoChecking) {
    FeedUpdater plain(defaults, QUrl("http://pictavo.example/appcast.xml"), "1.0", testLimits());
    EXPECT_FALSE(plain.isAvailable());
    EXPECT_FALSE(plain.canCheck());
    plain.checkForUpdates();
    FeedUpdater loopbackWithoutSeam(defaults, server.url(), "1.0");
    EXPECT_FALSE(loopbackWithoutSeam.isAvailable());
    loopbackWithoutSeam.checkForUpdates();
    QCoreApplication::processEvents();
    EXPECT_EQ(server.connections, 0);
    EXPECT_TRUE(FeedUpdater(defaults, QUrl("https://pictavo.example/a.xml"), "1.0").isAvailable());

    FeedUpdater updater(defaults, QUrl(), "1.0");
    UpdateController controller(updater);
    EXPECT_FALSE(controller.isAvailable());
    EXPECT_FALSE(controller.canCheckForUpdates());
    defaults.setBoolean(FeedUpdater::automaticKey, true);
    EXPECT_FALSE(updater.automaticallyChecks());
}

TEST_F(UpdateCheckTest, AutomaticChecksNeedConsentAndRunOncePerInterval) {
    const FeedUpdater::Limits limits = testLimits([](auto& limits) { limits.firstAutomaticDelayMs = 10; });
    server.reply("200 OK", appcast({release("0.5")}));
    {
        FeedUpdater updater(defaults, server.url(), "1.0", limits);
        EXPECT_FALSE(updater.automaticallyChecks());
        updater.start();
        QTest::qWait(200);
        EXPECT_EQ(server.connections, 0);
    }
    {
        FeedUpdater updater(defaults, server.url(), "1.0", limits);
        QSignalSpy checked(&updater, &Updater::checked);
        updater.setAutomaticallyChecks(true);
        ASSERT_TRUE(checked.wait(10000));
        EXPECT_FALSE(checked.first().at(1).toBool());
        EXPECT_EQ(server.connections, 1);
        EXPECT_TRUE(QSettings(folder.filePath("settings.ini"), QSettings::IniFormat).contains(FeedUpdater::lastCheckKey));
    }
    {
        // Checked a moment ago: the next look waits for the interval.
        FeedUpdater updater(defaults, server.url(), "1.0", limits);
        updater.start();
        QTest::qWait(200);
        EXPECT_EQ(server.connections, 1);
        updater.setAutomaticallyChecks(false);
    }
    EXPECT_FALSE(QSettings(folder.filePath("settings.ini"), QSettings::IniFormat).value(FeedUpdater::automaticKey).toBool());
}

TEST(UpdateControllerContract, ReadsAtStartWritesEveryTimeTellsOnlyOfChanges) {
    ScriptedUpdater updater;
    updater.automatic = true;
    UpdateController controller(updater);
    EXPECT_EQ(updater.starts, 1);
    EXPECT_EQ(updater.writes, 0);
    EXPECT_TRUE(controller.automaticallyChecksForUpdates());
    EXPECT_TRUE(controller.canCheckForUpdates());

    QSignalSpy automatic(&controller, &UpdateController::automaticallyChecksForUpdatesChanged);
    controller.setAutomaticallyChecksForUpdates(true);
    EXPECT_EQ(updater.writes, 1);
    EXPECT_EQ(automatic.count(), 0);
    controller.setAutomaticallyChecksForUpdates(false);
    EXPECT_EQ(updater.writes, 2);
    EXPECT_EQ(automatic.count(), 1);

    QSignalSpy canCheck(&controller, &UpdateController::canCheckForUpdatesChanged);
    Q_EMIT updater.canCheckChanged(true);
    Q_EMIT updater.canCheckChanged(false);
    EXPECT_EQ(canCheck.count(), 0); // queued: nothing until the event loop runs
    QCoreApplication::processEvents();
    EXPECT_FALSE(controller.canCheckForUpdates());
    EXPECT_EQ(canCheck.count(), 1);

    // A change queued after the controller is gone is dropped: delivered, it would crash
    // under the sanitiser.
    {
        UpdateController gone(updater);
        Q_EMIT updater.canCheckChanged(true);
    }
    QCoreApplication::processEvents();
}

namespace {

pictavo::AlertBox* shownAlert() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<pictavo::AlertBox*>(window); box && box->isVisible()) return box;
    return nullptr;
}

} // namespace

TEST(UpdateNotice, AnAutomaticCheckSpeaksOnlyOfANewVersionInABoxThatShowsItsWholeTitle) {
    pictavo::UpdateCheck upToDate;
    upToDate.result = pictavo::UpdateCheck::Result::upToDate;
    pictavo::showUpdateCheck(nullptr, upToDate, false);
    EXPECT_EQ(shownAlert(), nullptr);

    pictavo::UpdateCheck failed;
    failed.reason = QStringLiteral("<b>refused</b>");
    pictavo::showUpdateCheck(nullptr, failed, true);
    QCoreApplication::processEvents();
    pictavo::AlertBox* box = shownAlert();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    QFont bold = box->font();
    bold.setBold(true);
    const QString bar = QStringLiteral("Software Update \u2014 ") + QGuiApplication::applicationDisplayName();
    EXPECT_GE(box->width(), QFontMetrics(bold).horizontalAdvance(bar) + 3 * 32) << box->width();
    box->close();
    QCoreApplication::processEvents();
}
