#include "app/preferences/FeedUpdater.h"

#include "app/preferences/Appcast.h"
#include "app/preferences/VersionOrder.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QtDebug>

namespace pictavo {

QUrl FeedUpdater::builtInFeed() {
    return QUrl(QStringLiteral(PCTV_UPDATE_FEED_URL), QUrl::StrictMode);
}

FeedUpdater::FeedUpdater(UserDefaults& defaults, QUrl feed, QString ourVersion, QObject* parent)
    : FeedUpdater(defaults, std::move(feed), std::move(ourVersion), Limits{}, parent) {}

FeedUpdater::FeedUpdater(UserDefaults& defaults, QUrl feed, QString ourVersion, Limits limits, QObject* parent)
    : Updater(parent), defaults_(defaults), feed_(std::move(feed)), ourVersion_(std::move(ourVersion)),
      limits_(limits), network_(new QNetworkAccessManager(this)) {
    // A feed this build may never fetch is no feed at all.
    if (!feed_.isValid() || !acceptsAddress(feed_)) feed_ = QUrl();
    network_->setRedirectPolicy(QNetworkRequest::UserVerifiedRedirectPolicy);
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, [this] { fail(QStringLiteral("the server took too long")); });
    automatic_.setSingleShot(true);
    connect(&automatic_, &QTimer::timeout, this, [this] {
        check(false);
        automatic_.start(limits_.automaticIntervalMs);
    });
}

FeedUpdater::~FeedUpdater() {
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
    }
}

bool FeedUpdater::acceptsAddress(const QUrl& url) const {
    if (url.scheme() == QLatin1String("https")) return !url.host().isEmpty();
    if (url.scheme() != QLatin1String("http") || !limits_.allowLoopbackHTTP) return false;
    const QHostAddress host(url.host());
    return !host.isNull() && host.isLoopback();
}

bool FeedUpdater::automaticallyChecks() const {
    // Off unless the user turned it on: no network traffic without consent.
    return isAvailable() && defaults_.boolean(QString::fromLatin1(automaticKey)).value_or(false);
}

void FeedUpdater::setAutomaticallyChecks(bool on) {
    defaults_.setBoolean(QString::fromLatin1(automaticKey), on);
    scheduleAutomatic();
}

void FeedUpdater::start() { scheduleAutomatic(); }

void FeedUpdater::scheduleAutomatic() {
    if (!automaticallyChecks()) {
        automatic_.stop();
        return;
    }
    if (automatic_.isActive()) return;
    const auto last = defaults_.string(QString::fromLatin1(lastCheckKey));
    const QDateTime lastCheck = last ? QDateTime::fromString(*last, Qt::ISODate) : QDateTime();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    qint64 wait = limits_.firstAutomaticDelayMs;
    // A clock set back makes the last check look future; then look again soon as well.
    if (lastCheck.isValid() && lastCheck <= now) {
        const qint64 sinceLast = lastCheck.msecsTo(now);
        if (sinceLast < limits_.automaticIntervalMs) wait = std::max(wait, limits_.automaticIntervalMs - sinceLast);
    }
    automatic_.start(static_cast<int>(std::min<qint64>(wait, std::numeric_limits<int>::max())));
}

void FeedUpdater::check(bool userInitiated) {
    if (!canCheck()) return;
    userInitiated_ = userInitiated;
    body_.clear();
    failure_.clear();
    QNetworkRequest request(feed_);
    request.setTransferTimeout(limits_.timeoutMs);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Pictavo/") + ourVersion_);
    request.setMaximumRedirectsAllowed(5);
    // A proxy from the environment must not see or reroute the check.
    network_->setProxy(QNetworkProxy::NoProxy);
    reply_ = network_->get(request);
    QNetworkReply* reply = reply_;
    connect(reply, &QNetworkReply::redirected, this, [this, reply](const QUrl& target) {
        if (reply != reply_) return;
        if (!acceptsAddress(target)) {
            fail(QStringLiteral("the server sent the check to an address that is not secure"));
            return;
        }
        Q_EMIT reply->redirectAllowed();
    });
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] {
        if (reply != reply_) return;
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > limits_.maxFeedBytes) fail(QStringLiteral("the feed is too large"));
    });
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
        if (reply == reply_) readBody();
    });
    connect(reply, &QNetworkReply::finished, this, &FeedUpdater::onFinished);
    deadline_.start(limits_.timeoutMs);
    defaults_.setString(QString::fromLatin1(lastCheckKey), QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    Q_EMIT canCheckChanged(false);
}

void FeedUpdater::readBody() {
    const qint64 room = limits_.maxFeedBytes - body_.size();
    body_ += reply_->read(room + 1);
    if (body_.size() > limits_.maxFeedBytes) fail(QStringLiteral("the feed is too large"));
}

void FeedUpdater::fail(const QString& reason) {
    if (!reply_ || !failure_.isEmpty()) return;
    failure_ = reason;
    // abort() finishes the reply at once, which ends the check through onFinished.
    reply_->abort();
}

void FeedUpdater::onFinished() {
    QNetworkReply* reply = qobject_cast<QNetworkReply*>(sender());
    if (!reply || reply != reply_) return;
    deadline_.stop();
    if (failure_.isEmpty() && reply->error() == QNetworkReply::NoError) readBody();
    UpdateCheck outcome;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (!failure_.isEmpty()) {
        outcome.reason = failure_;
    } else if (reply->error() == QNetworkReply::OperationCanceledError) {
        outcome.reason = QStringLiteral("the server took too long");
    } else if (reply->error() != QNetworkReply::NoError) {
        outcome.reason = status >= 400 ? QStringLiteral("the server answered %1").arg(status) : reply->errorString();
    } else if (status != 200) {
        outcome.reason = QStringLiteral("the server answered %1").arg(status);
    } else {
        const auto read = newestRelease(body_);
        if (const auto* fault = std::get_if<AppcastFault>(&read)) {
            outcome.reason = fault->reason;
        } else {
            const auto& release = std::get<AppcastRelease>(read);
            const auto order = compareVersions(release.version, ourVersion_);
            if (!order) {
                outcome.reason = QStringLiteral("this version's number could not be compared");
            } else if (*order > 0) {
                outcome.result = UpdateCheck::Result::available;
                outcome.version = release.displayVersion;
                outcome.page = release.page;
            } else {
                outcome.result = UpdateCheck::Result::upToDate;
            }
        }
    }
    reply_ = nullptr;
    reply->deleteLater();
    body_.clear();
    finish(outcome);
}

void FeedUpdater::finish(UpdateCheck outcome) {
    if (outcome.result == UpdateCheck::Result::failed && !userInitiated_)
        qWarning("Could not look for updates: %s", qUtf8Printable(outcome.reason));
    Q_EMIT canCheckChanged(true);
    Q_EMIT checked(outcome, userInitiated_);
}

} // namespace pictavo
