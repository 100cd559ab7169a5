#include "app/design/DSMenuPresenter.h"
#include "app/design/DSPalette.h"
#include "app/design/DSPanelPresenter.h"
#include "support/FixedPreferences.h"
#include "app-design/MenuSamples.h"
#include "app-design/Windows.h"

#include <QLabel>
#include <QPainter>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace pictavo {
namespace {

// The window drawn over a plain backdrop of one colour, as the desktop would show it over
// content of that colour.
QImage over(QWidget& window, QColor backdrop) {
    QImage canvas(window.size(), QImage::Format_ARGB32);
    canvas.fill(backdrop);
    // A window cut to its shape is drawn from the corner of the shape's bounds, which is put
    // where it lies in the window.
    const QPoint corner = window.mask().isEmpty() ? QPoint() : window.mask().boundingRect().topLeft();
    window.render(&canvas, corner, QRegion(), QWidget::DrawChildren);
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

// How far a drawn pixel is from a colour, the largest of its three channels' differences.
int distance(QColor a, QColor b) {
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
}

// How much of the panel's edge a pixel of the panel shows: 0 for the panel's colour, 1 for the
// edge's full colour over it. The window's backing outside the shape lies the other way.
double edgeShare(QColor pixel) {
    const QColor panel = panelColour();
    QImage edged(1, 1, QImage::Format_RGB32);
    edged.fill(panel);
    QPainter(&edged).fillRect(edged.rect(), palette::DSSeparator().current());
    const QColor edge = edged.pixelColor(0, 0);
    return double(pixel.green() - panel.green()) / double(edge.green() - panel.green());
}

// Arrow and body are one shape with one outline: the rows where the arrow meets the body are
// the panel's colour across the arrow's width, while the edge still runs along the arrow's
// sides and the body's top beside it; with a compositor and without.
TEST_P(PanelSurfaceFixture, ThePopoversArrowJoinsItsBodyWithoutALineAcrossItsBase) {
    for (const bool composited : {false, true}) {
        SCOPED_TRACE(composited ? "composited" : "not composited");
        DSPopoverWindow popover(&window.window, 308, 60, new QLabel(QStringLiteral("Reset")), composited);
        const QMargins margins = popover.contentsMargins();
        popover.resize(popover.width(), popover.fittingHeight() + margins.top() + margins.bottom());
        popover.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&popover));
        const QImage drawn = over(popover, Qt::black);
        const QRect card = popover.contentsRect();
        const int left = card.left() + int(popover.arrowLeft());
        const int base = card.top() + DSPopoverWindow::arrowHeight;
        // The two rows an edge along the base would be drawn on, clear of the arrow's sides.
        for (int y = base - 1; y <= base; ++y) {
            for (int x = left + 3; x <= left + DSPopoverWindow::arrowWidth - 3; ++x)
                EXPECT_LE(distance(drawn.pixelColor(x, y), panelColour()), 1) << "at " << x - left << ", " << y - base;
        }
        if (composited) continue;
        // Up both of the arrow's sides, the first and last pixels of the window carry the edge ...
        for (int y = card.top(); y <= base - 3; ++y) {
            std::vector<QColor> row;
            for (int x = left - 1; x <= left + DSPopoverWindow::arrowWidth + 1; ++x) {
                if (drawn.pixelColor(x, y) != QColor(Qt::black)) row.push_back(drawn.pixelColor(x, y));
            }
            ASSERT_FALSE(row.empty()) << y - base;
            EXPECT_GT(edgeShare(row.front()), 0.25) << "left side, " << y - base;
            EXPECT_GT(edgeShare(row.back()), 0.25) << "right side, " << y - base;
        }
        // ... and so does the body's top beside the arrow.
        const int beside = left + DSPopoverWindow::arrowWidth + 40;
        EXPECT_GT(std::max(edgeShare(drawn.pixelColor(beside, base - 1)), edgeShare(drawn.pixelColor(beside, base))),
                  0.3);
    }
}

INSTANTIATE_TEST_SUITE_P(LightAndDark, PanelSurfaceFixture, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Dark" : "Light"; });

} // namespace
} // namespace pictavo
