#include "app/design/DSCompositor.h"
#include "app/design/DSMenuPresenter.h"
#include "app/design/DSPalette.h"
#include "support/Eventually.h"
#include "support/FixedPreferences.h"

#include <QGuiApplication>
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

QColor panelColour() {
    const QColor backing = palette::DSGlassSolid().current();
    const QColor fill = palette::DSMenuPanel().current();
    const double a = fill.alphaF();
    return QColor::fromRgbF(float(fill.redF() * a + backing.redF() * (1 - a)),
                            float(fill.greenF() * a + backing.greenF() * (1 - a)),
                            float(fill.blueF() * a + backing.blueF() * (1 - a)));
}

int distance(QColor a, QColor b) {
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
}

// A window of plain colour with a trigger whose menu opens over the colour.
struct PanelOnScreen : testing::Test {
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            GTEST_SKIP() << "needs an X display: tools/test runs these tests under xvfb-run";
        }
        window = std::make_unique<QWidget>();
        QPalette colours = window->palette();
        colours.setColor(QPalette::Window, backdrop);
        window->setPalette(colours);
        window->setAutoFillBackground(true);
        window->setGeometry(200, 150, 520, 400);
        trigger = new QPushButton(QStringLiteral("Format"), window.get());
        trigger->setGeometry(20, 20, 100, 30);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        menu = new DSMenuPresenter<int>(trigger, 220);
        DSMenuContent<int> content;
        content.groups.emplace_back();
        for (int tag = 1; tag <= 6; ++tag) {
            content.groups[0].rows.push_back({tag, QStringLiteral("Row %1").arg(tag), std::nullopt, std::nullopt, false});
        }
        menu->setContent(content);
        menu->setSelection(2);
    }

    void TearDown() override {
        window.reset();
        if (compositor.state() != QProcess::NotRunning) {
            compositor.terminate();
            compositor.waitForFinished(5000);
            eventually([] { return !desktopCompositesWindows(); }, 5000);
        }
    }

    DSMenuWindow* open() {
        menu->setPresented(true);
        DSMenuWindow* shown = menu->controller().window();
        if (!shown || !QTest::qWaitForWindowExposed(shown)) return nullptr;
        // The server paints the window, and a compositor the screen, after the window is exposed.
        QTest::qWait(300);
        return shown;
    }

    static QImage onScreen(QWidget* shown) {
        const QRect frame = shown->frameGeometry();
        return shown->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height()).toImage();
    }

    ThemeScope theme;
    std::unique_ptr<QWidget> window;
    QPushButton* trigger = nullptr;
    DSMenuPresenter<int>* menu = nullptr;
    QProcess compositor;
};

TEST_F(PanelOnScreen, WithoutACompositorTheMenuIsOpaqueAndItsCornersShowTheWindowBeneath) {
    if (desktopCompositesWindows()) GTEST_SKIP() << "a compositing manager runs on this display";
    for (const bool dark : {false, true}) {
        theme.preferences->set(dark);
        DSMenuWindow* shown = open();
        ASSERT_NE(shown, nullptr);
        const QImage screen = onScreen(shown);
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
    for (const bool dark : {false, true}) {
        theme.preferences->set(dark);
        DSMenuWindow* shown = open();
        ASSERT_NE(shown, nullptr);
        const QRect card = shown->contentsRect();
        ASSERT_NE(card, shown->rect()) << "room for the shadow";
        const QImage screen = onScreen(shown);
        EXPECT_LE(distance(screen.pixelColor(card.right() - 3, card.center().y()), panelColour()), 2) << dark;
        // Below the card the window beneath shows, darkened by the shadow; far out, untouched.
        const QColor shadowed = screen.pixelColor(card.center().x(), card.bottom() + 4);
        EXPECT_LT(shadowed.value(), backdrop.value() - 10) << dark;
        EXPECT_GT(shadowed.blue(), shadowed.red()) << "the window beneath, not black: " << dark;
        EXPECT_LE(distance(screen.pixelColor(0, 0), backdrop), 3) << dark;
        EXPECT_LE(distance(screen.pixelColor(card.topLeft()), backdrop), 12) << "the corner is cut round: " << dark;

        // A press on the shadow closes the menu, as a press beside it would.
        QTest::mousePress(shown->windowHandle(), Qt::LeftButton, {}, QPoint(card.center().x(), card.bottom() + 4));
        EXPECT_FALSE(menu->isPresented()) << dark;
        QTest::mouseRelease(window->windowHandle(), Qt::LeftButton, {}, QPoint(10, 390));
    }
}

} // namespace
