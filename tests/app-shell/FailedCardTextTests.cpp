#include "app/shell/FittedLines.h"
#include "app/shell/ImageCard.h"
#include "platform/files/FileErrorText.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QImage>
#include <QScreen>
#include <QToolTip>

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace {

using namespace pictavo;

// What a card says when the disk refuses a name as long as a name may be.
QString reasonForALongName() {
    const platform::FileError refused("/home/x/Pictures/" + std::string(249, 'p') + "-1.jpg", ENAMETOOLONG,
                                      platform::FileOperation::write);
    return QString::fromStdString(platform::fileErrorDescription(refused));
}

bool fits(const QStringList& lines, const QFont& font, double width) {
    const QFontMetricsF metrics(font);
    for (const QString& line : lines) {
        if (metrics.horizontalAdvance(line) > width) return false;
    }
    return true;
}

TEST(FailedCardText, ALongFileNameIsCutInItsMiddleSoThatTheCauseStillShows) {
    QFont font;
    font.setPixelSize(12);
    const double width = 214;
    const QString reason = reasonForALongName();
    EXPECT_TRUE(reason.endsWith(QStringLiteral("because the disk can't hold that name."))) << reason.toStdString();
    const QStringList lines = reasonLines(reason, font, width, 3);
    ASSERT_LE(lines.size(), 3);
    EXPECT_TRUE(fits(lines, font, width)) << lines.join(QLatin1Char('|')).toStdString();
    const QString shown = lines.join(QLatin1Char(' '));
    EXPECT_TRUE(shown.endsWith(QStringLiteral("because the disk can't hold that name."))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("-1.jpg\""))) << shown.toStdString();

    // A reason of ordinary words is laid out as it is.
    const QString plain = QStringLiteral("The file \"photo.jpg\" couldn't be opened because there is no such file.");
    EXPECT_EQ(reasonLines(plain, font, width, 3).join(QLatin1Char(' ')), plain);
}

// The help of a failed card shows its whole reason, in lines that stay on the screen.
TEST(FailedCardText, TheHelpOfAFailedCardWrapsALongNameWithinTheScreen) {
    BatchItem item;
    item.displayName = QStringLiteral("photo.jpg");
    item.state = BatchItem::Failed{reasonForALongName()};
    ImageCard card(item);
    card.resize(256, card.heightForWidth(256));
    card.show();
    QImage image(card.size(), QImage::Format_ARGB32_Premultiplied);
    card.render(&image);

    const QPoint onTheReason(card.width() / 2, card.height() - 16);
    QHelpEvent help(QEvent::ToolTip, onTheReason, card.mapToGlobal(onTheReason));
    QApplication::sendEvent(&card, &help);
    ASSERT_TRUE(QToolTip::isVisible());
    const QStringList lines = QToolTip::text().split(QLatin1Char('\n'));
    EXPECT_GT(lines.size(), 1);
    const double half = card.screen()->availableGeometry().width() / 2.0;
    EXPECT_TRUE(fits(lines, QToolTip::font(), half)) << QToolTip::text().toStdString();
    QString whole = lines.join(QString());
    whole.remove(QLatin1Char(' '));
    QString reason = reasonForALongName();
    reason.remove(QLatin1Char(' '));
    EXPECT_EQ(whole, reason) << "nothing of the reason is lost";
    QToolTip::hideText();
}

} // namespace
