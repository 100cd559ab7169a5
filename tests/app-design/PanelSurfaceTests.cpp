#include "app/design/DSMenuPresenter.h"
#include "app/design/DSPalette.h"
#include "app/design/DSPanelPresenter.h"
#include "support/FixedPreferences.h"
#include "app-design/MenuSamples.h"
#include "app-design/Windows.h"

#include <QLabel>
#include <QPainter>
#include <gtest/gtest.h>

namespace pictavo {
namespace {

// The window drawn over a plain backdrop of one colour, as the desktop would show it over
// content of that colour.
QImage over(QWidget& window, QColor backdrop) {
    QImage canvas(window.size(), QImage::Format_ARGB32);
    canvas.fill(backdrop);
    window.render(&canvas, QPoint(), QRegion(), QWidget::DrawChildren);
    return canvas;
}

// The pixels of `inside` that differ between the window drawn over black and over white: what
// shows through.
int pixelsShowingThrough(QWidget& window, const QRect& inside) {
    const QImage onBlack = over(window, Qt::black);
    const QImage onWhite = over(window, Qt::white);
    int differing = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) differing += onBlack.pixel(x, y) != onWhite.pixel(x, y);
    }
    return differing;
}

// The panel colour on its solid backing.
QColor panelColour() {
    QImage pixel(1, 1, QImage::Format_RGB32);
    pixel.fill(palette::DSGlassSolid().current());
    QPainter(&pixel).fillRect(pixel.rect(), palette::DSMenuPanel().current());
    return pixel.pixelColor(0, 0);
}

void expectNear(QColor actual, QColor expected, const char* where) {
    EXPECT_NEAR(actual.red(), expected.red(), 1) << where;
    EXPECT_NEAR(actual.green(), expected.green(), 1) << where;
    EXPECT_NEAR(actual.blue(), expected.blue(), 1) << where;
}

struct PanelSurfaceFixture : ::testing::TestWithParam<bool> {
    ThemeScope theme;
    TriggerWindow window;

    PanelSurfaceFixture() { theme.preferences->set(GetParam()); }
};

// Nothing here blurs what lies behind a panel: the rows, their texts and the card around them
// hide the window beneath completely, in light and in dark.
TEST_P(PanelSurfaceFixture, AnOpenMenuHidesTheWindowBeneathItsCard) {
    auto* menu = new DSMenuPresenter<int>(window.first, 220);
    menu->setContent(formats());
    menu->setSelection(2);
    menu->setPresented(true);
    DSMenuWindow* shown = menu->controller().window();
    ASSERT_NE(shown, nullptr);
    const QRect card = shown->contentsRect();
    const int radius = int(DSMenuWindow::cornerRadius);
    EXPECT_EQ(pixelsShowingThrough(*shown, card.adjusted(0, radius, 0, -radius)), 0);
    EXPECT_EQ(pixelsShowingThrough(*shown, card.adjusted(radius, 0, -radius, 0)), 0);
    // Beside a row's text, the panel's own colour.
    const QImage drawn = over(*shown, Qt::black);
    DSMenuRowView* plainRow = shown->panel()->rowView(0);
    const QPoint besideText = plainRow->mapTo(shown, QPoint(plainRow->width() - 4, plainRow->height() / 2));
    expectNear(drawn.pixelColor(besideText), panelColour(), "plain row");
}

TEST_P(PanelSurfaceFixture, AnOpenPopoverHidesTheWindowBeneathItsBodyAndArrow) {
    auto* popover = new DSPanelPresenter(window.first, 308, [] { return new QLabel(QStringLiteral("Reset")); });
    popover->setPresented(true);
    DSPopoverWindow* shown = popover->controller().window();
    ASSERT_NE(shown, nullptr);
    const QRect card = shown->contentsRect();
    const QRect body = card.adjusted(0, DSPopoverWindow::arrowHeight, 0, 0);
    const int radius = int(DSPopoverWindow::cornerRadius);
    EXPECT_EQ(pixelsShowingThrough(*shown, body.adjusted(1, radius, -1, -radius)), 0);
    // The arrow's middle column, from just below its tip down into the body.
    const int apex = card.left() + int(shown->arrowLeft() + DSPopoverWindow::arrowWidth / 2.0);
    EXPECT_EQ(pixelsShowingThrough(*shown, QRect(apex - 1, card.top() + 3, 2, DSPopoverWindow::arrowHeight)), 0);
    expectNear(over(*shown, Qt::black).pixelColor(body.center().x(), body.bottom() - radius), panelColour(), "body");
}

INSTANTIATE_TEST_SUITE_P(LightAndDark, PanelSurfaceFixture, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Dark" : "Light"; });

} // namespace
} // namespace pictavo
