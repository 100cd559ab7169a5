#include "app/design/DSCompositor.h"
#include "app/design/DSMenuPresenter.h"
#include "app/design/DSPalette.h"
#include "support/Eventually.h"
#include "support/FixedPreferences.h"

#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using namespace pictavo;
using support::eventually;

// Content a panel's corners could be told from: neither black nor any panel colour.
const QColor backdrop(40, 110, 200);

int distance(QColor a, QColor b) {
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
}

// The panel colour on its solid backing.
QColor panelColour() {
    QImage pixel(1, 1, QImage::Format_RGB32);
    pixel.fill(palette::DSGlassSolid().current());
    QPainter(&pixel).fillRect(pixel.rect(), palette::DSMenuPanel().current());
    return pixel.pixelColor(0, 0);
}

// A window of plain colour with a trigger whose menu opens over the colour, as the X server
// shows them.
struct PanelOnScreen : testing::Test {
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            GTEST_SKIP() << "needs an X display: tools/test runs these tests under xvfb-run";
        }
        QPalette colours = window.palette();
        colours.setColor(QPalette::Window, backdrop);
        window.setPalette(colours);
        window.setAutoFillBackground(true);
        window.setGeometry(200, 150, 520, 400);
        trigger->setGeometry(20, 20, 100, 30);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        DSMenuContent<int> content{{{std::nullopt, {}}}};
        for (int tag = 1; tag <= 6; ++tag) content.groups[0].rows.push_back({tag, QStringLiteral("Row %1").arg(tag), std::nullopt, std::nullopt, false});
        menu->setContent(content);
    }

    void TearDown() override {
        if (compositor.state() == QProcess::NotRunning) return;
        compositor.terminate();
        compositor.waitForFinished(5000);
        eventually([] { return !desktopCompositesWindows(); }, 5000);
    }

    // The open menu and the screen under its window, once the server (and a compositor) drew it.
    std::pair<DSMenuWindow*, QImage> open() {
        menu->setPresented(true);
        DSMenuWindow* shown = menu->controller().window();
        if (!shown || !QTest::qWaitForWindowExposed(shown)) return {};
        QTest::qWait(300);
        const QRect frame = shown->geometry();
        return {shown, shown->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height()).toImage()};
    }

    ThemeScope theme;
    QWidget window;
    QPushButton* trigger = new QPushButton(QStringLiteral("Format"), &window);
    DSMenuPresenter<int>* menu = new DSMenuPresenter<int>(trigger, 220);
    QProcess compositor;
};

TEST_F(PanelOnScreen, WithoutACompositorTheMenuIsOpaqueAndItsCornersShowTheWindowBeneath) {
    if (desktopCompositesWindows()) GTEST_SKIP() << "a compositing manager runs on this display";
    for (const bool dark : {false, true}) {
        theme.preferences->set(dark);
        const auto [shown, screen] = open();
        ASSERT_NE(shown, nullptr);
        const QRect card = shown->contentsRect();
        EXPECT_EQ(card, shown->rect()) << "no margin where nothing would show it";
        EXPECT_LE(distance(screen.pixelColor(card.right() - 3, card.center().y()), panelColour()), 2) << dark;
        for (const QPoint corner : {card.topLeft(), card.topRight(), card.bottomLeft(), card.bottomRight()}) {
            EXPECT_LE(distance(screen.pixelColor(corner), backdrop), 2) << dark << " " << corner.x() << "," << corner.y();
        }
        menu->setPresented(false);
    }
}

TEST_F(PanelOnScreen, WithACompositorTheMenuCastsItsOwnShadowAndAPressOnItIsAPressOutside) {
    const QString xcompmgr = QStandardPaths::findExecutable(QStringLiteral("xcompmgr"));
    if (xcompmgr.isEmpty()) GTEST_SKIP() << "xcompmgr is not installed";
    if (!desktopCompositesWindows()) {
        compositor.start(xcompmgr, {});
        ASSERT_TRUE(compositor.waitForStarted(10000));
        ASSERT_TRUE(eventually([] { return desktopCompositesWindows(); }, 10000));
    }
    const auto [shown, screen] = open();
    ASSERT_NE(shown, nullptr);
    const QRect card = shown->contentsRect();
    ASSERT_NE(card, shown->rect()) << "room for the shadow";
    EXPECT_LE(distance(screen.pixelColor(card.right() - 3, card.center().y()), panelColour()), 2);
    // Below the card the window beneath shows, darkened by the shadow; far out, untouched.
    const QPoint underCard(card.center().x(), card.bottom() + 4);
    const QColor shadowed = screen.pixelColor(underCard);
    EXPECT_LT(shadowed.value(), backdrop.value() - 10);
    EXPECT_GT(shadowed.blue(), shadowed.red()) << "the window beneath, not black";
    EXPECT_LE(distance(screen.pixelColor(0, 0), backdrop), 3);
    EXPECT_LE(distance(screen.pixelColor(card.topLeft()), backdrop), 12) << "the corner is cut round";

    // A press on the shadow closes the menu, as a press beside it would.
    QTest::mousePress(shown->windowHandle(), Qt::LeftButton, {}, underCard);
    EXPECT_FALSE(menu->isPresented());
    QTest::mouseRelease(window.windowHandle(), Qt::LeftButton, {}, QPoint(10, 390));
}

} // namespace
