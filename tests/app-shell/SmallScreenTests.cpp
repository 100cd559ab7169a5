#include "ShellTesting.h"

#include "app/design/DSFocusRing.h"
#include "app/desktop/FrameFit.h"
#include "app/shell/DesktopShellServices.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using namespace pictavo;
using namespace shell_testing;

TEST(FrameFit, AFramedWindowShrinksAndMovesIntoTheAvailableAreaWithItsTitleBarInReach) {
    const QRect screen(0, 0, 1366, 768);
    const QMargins titleBar(1, 29, 1, 1);
    // The usual 1120 × 760, placed at the top: its frame runs past the bottom.
    const QRect placed(120, 0, 1122, 790);
    const QRect fitted = fittedFrame(placed, titleBar, screen, QSize(720, 480));
    EXPECT_EQ(fitted, QRect(120, 0, 1122, 768));
    // Already inside: left alone.
    EXPECT_EQ(fittedFrame(QRect(10, 10, 800, 600), titleBar, screen, QSize(720, 480)), QRect(10, 10, 800, 600));
    // Off the right and the bottom: moved in, size kept.
    EXPECT_EQ(fittedFrame(QRect(900, 500, 800, 600), titleBar, screen, QSize(720, 480)), QRect(566, 168, 800, 600));
    // A screen too small for the minimum wins over it (700 × 450 points is 1400 × 900 pixels at
    // a scale of 2): the whole frame, title bar and all, stays on it.
    const QRect tiny(0, 24, 640, 456);
    EXPECT_EQ(fittedFrame(QRect(50, 60, 1122, 790), titleBar, tiny, QSize(720, 480)), QRect(0, 24, 640, 456));
    EXPECT_EQ(fittedFrame(QRect(0, 0, 722, 510), titleBar, QRect(0, 0, 700, 450), QSize(720, 480)),
              QRect(0, 0, 700, 450));
}

class SmallScreenTest : public testing::Test, protected WindowScene {};

// The offscreen platform frames windows with a border of its own, and its screen is smaller
// than the window's usual size.
TEST_F(SmallScreenTest, TheShownMainWindowKeepsItsWholeFrameOnTheScreen) {
    window->show();
    settle();
    const QRect available = window->screen()->availableGeometry();
    ASSERT_NE(window->frameGeometry(), window->geometry()) << "no frame to fit";
    EXPECT_TRUE(available.contains(window->frameGeometry()))
        << window->frameGeometry().width() << "x" << window->frameGeometry().height();
    EXPECT_GE(window->width(), window->minimumWidth());
}

// A window whose minimum the screen cannot hold is framed inside the screen all the same, and
// can still be made no smaller than the screen allows.
TEST(FrameFit, AMinimumLargerThanTheScreenGivesWayToIt) {
    QWidget window;
    const QRect available = window.screen()->availableGeometry();
    window.setMinimumSize(available.size() + QSize(200, 100));
    new FrameFit(window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(eventually([&] { return available.contains(window.frameGeometry()); }))
        << window.frameGeometry().width() << "x" << window.frameGeometry().height();
    EXPECT_NE(window.frameGeometry(), window.geometry()) << "no frame to fit";
    EXPECT_TRUE(available.contains(QRect(window.frameGeometry().topLeft(), window.minimumSize())));
}

// What an alert showed while it was up, read before the test answers it.
struct ShownAlert {
    QString title;
    int width = 0;
    bool titleFits = false;
    bool messageFits = false;
    bool insideScreen = false;
    QString defaultButton;
    bool buttonsRinged = true;
};

// Each alert as the window shows it, answered by the button a person would press; each of its
// buttons wears the keyboard ring while it has the focus.
TEST(Alerts, EveryMessageBoxIsWideEnoughForItsWholeTitleAndText) {
    QWidget parent;
    parent.resize(400, 300);
    parent.show();
    DesktopShellServices services;
    const auto check = [](const std::function<bool()>& ask, const QString& button, bool expected, const char* which,
                          const QString& safeDefault) {
        ShownAlert seen;
        QTimer::singleShot(0, [&seen, button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) {
                if (QWidget* other = QApplication::activeModalWidget()) other->close();
                return;
            }
            seen.title = box->windowTitle();
            seen.width = box->width();
            QFont bold = box->font();
            bold.setBold(true);
            bold.setPointSizeF(bold.pointSizeF() * 1.1);
            const QString barText =
                box->windowTitle() + QStringLiteral(" \u2014 ") + QGuiApplication::applicationDisplayName();
            seen.titleFits = box->width() >= QFontMetrics(bold).horizontalAdvance(barText) + 3 * 32;
            seen.messageFits = true;
            for (QLabel* label : box->findChildren<QLabel*>()) {
                if (label->text().isEmpty() || !label->isVisible()) continue;
                seen.messageFits = seen.messageFits && label->height() >= label->heightForWidth(label->width()) &&
                                   box->rect().contains(QRect(label->mapTo(box, QPoint(0, 0)), label->size()));
            }
            if (box->defaultButton()) seen.defaultButton = box->defaultButton()->text();
            seen.insideScreen = box->screen()->availableGeometry().contains(box->frameGeometry());
            for (QAbstractButton* each : box->buttons()) {
                each->setFocus(Qt::TabFocusReason);
                QCoreApplication::processEvents();
                seen.buttonsRinged = seen.buttonsRinged && DSFocusRing::shownAround(each) != nullptr;
            }
            for (QAbstractButton* candidate : box->buttons())
                if (candidate->text() == button) candidate->click();
        });
        EXPECT_EQ(ask(), expected) << which;
        EXPECT_TRUE(seen.titleFits) << which << ": " << seen.width << " px for " << seen.title.toStdString();
        EXPECT_TRUE(seen.messageFits) << which;
        EXPECT_TRUE(seen.insideScreen) << which;
        // Return presses the button that loses nothing.
        EXPECT_EQ(seen.defaultButton, safeDefault) << which;
        // The style's hairline focus frame changes too little to be seen.
        EXPECT_TRUE(seen.buttonsRinged) << which;
    };
    check([&] { return services.confirmReplace(&parent); }, QStringLiteral("Replace"), true, "replace",
          QStringLiteral("Cancel"));
    check([&] { return services.confirmReplace(&parent); }, QStringLiteral("Cancel"), false, "replace, cancelled",
          QStringLiteral("Cancel"));
    check([&] { return services.offerToChooseFolder(&parent, DestinationUnavailable::folderMissing); },
          QStringLiteral("Choose Folder\u2026"), true, "folder missing", QStringLiteral("Choose Folder\u2026"));
    check([&] { return services.offerToChooseFolder(&parent, DestinationUnavailable::noFolderChosen); },
          QStringLiteral("Cancel"), false, "no folder", QStringLiteral("Choose Folder\u2026"));
    // The quit question needs a run to ask about: QuitDuringExport checks its width.
}

} // namespace
