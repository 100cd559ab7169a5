#include "ShellTesting.h"
#include "support/FixedPreferences.h"

#include "app/design/DSPalette.h"
#include "app/design/DSSecondaryLabel.h"
#include "app/shell/BatchGrid.h"
#include "app/shell/ImageCard.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using namespace pictavo;
using namespace shell_testing;

class CardLook : public testing::Test, protected WindowScene {};

// The card alone, over nothing.
QImage drawn(ImageCard* card) {
    QImage image(card->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    card->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

bool near(QRgb drawn, const QColor& expected) {
    return std::abs(qRed(drawn) - expected.red()) <= 24 && std::abs(qGreen(drawn) - expected.green()) <= 24 &&
           std::abs(qBlue(drawn) - expected.blue()) <= 24;
}

// A card as drawn: rounded corners that let the grid show through, its checkerboard until
// the preview comes and the preview then, and the accent ring once selected and only then.
// Cards of one size share what is drawn around them, so each must still show its own state.
TEST_F(CardLook, CornersPictureAndSelectionRingAsDrawn) {
    addPhotos(2);
    BatchGrid* grid = window->grid();
    ImageCard* first = grid->card(grid->order()[0]);
    ImageCard* second = grid->card(grid->order()[1]);
    ASSERT_TRUE(eventually([&] { return !first->thumbnail().isNull() && !second->thumbnail().isNull(); }));
    settle();
    const QImage previewed = drawn(first);
    first->releaseThumbnail();
    const QImage waiting = drawn(first);

    const QPoint inPicture(first->width() / 2 + 3, 20);
    for (const QImage& image : {waiting, previewed}) {
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(image.pixel(first->width() / 2, first->height() - 2)), 255);
    }
    EXPECT_TRUE(near(waiting.pixel(inPicture), palette::DSCheckerboard().current()) ||
                near(waiting.pixel(inPicture), palette::DSCheckerboardAlt().current()));
    EXPECT_NE(previewed.pixel(inPicture), waiting.pixel(inPicture));

    click(first);
    const QPoint onEdge(1, first->height() / 2);
    EXPECT_TRUE(near(drawn(first).pixel(onEdge), palette::DSAccent().current()));
    EXPECT_FALSE(near(drawn(second).pixel(onEdge), palette::DSAccent().current()));
}

// A card the keyboard is on, not selected, shows it at 3:1 or more against the card and the
// window around it, in light and dark alike.
TEST_F(CardLook, TheKeyboardFocusOfAnUnselectedCardStandsOutInEveryAppearance) {
    ThemeScope theme;
    addPhotos(2);
    window->show();
    BatchGrid* grid = window->grid();
    ImageCard* second = grid->card(grid->order()[1]);
    second->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(eventually([&] { return second->showsFocus(); }));
    ASSERT_FALSE(second->isSelected());
    for (const bool dark : {false, true}) {
        theme.preferences->set(dark);
        settle();
        const QColor ring = QColor::fromRgb(drawn(second).pixel(1, second->height() / 2));
        for (const QColor& around : {palette::DSSurface().current(), palette::DSWindowBg().current()}) {
            EXPECT_GE(contrastRatio(ring, around), 3.0) << (dark ? "dark " : "light ") << ring.name().toStdString();
        }
    }
}

} // namespace
