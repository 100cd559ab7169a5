#include "ShellTesting.h"

#include "app/batch/BatchStore.h"
#include "app/batch/Import.h"
#include "app/shell/BatchGrid.h"
#include "app/shell/HeroBand.h"
#include "app/shell/ImageCard.h"

#include <QAbstractButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

#include <set>
#include <utility>

namespace {

using namespace pictavo;
using namespace shell_testing;

class GridGrowth : public testing::Test, protected WindowScene {};

// A drop larger than a slice reaches the grid in several insertions: at each, every card
// already has a place of its own, so none is ever drawn piled up on the others.
TEST_F(GridGrowth, CardsOfEachSliceOfADropArePlacedAsTheyAreMade) {
    int insertions = 0;
    bool piled = false;
    QObject::connect(&window->store(), &BatchStore::itemsInserted, window.get(), [&] {
        ++insertions;
        std::set<std::pair<int, int>> places;
        for (const QUuid& id : window->grid()->order()) {
            const QPoint place = window->grid()->card(id)->pos();
            piled = piled || !places.insert({place.x(), place.y()}).second;
        }
    });
    addPhotos(static_cast<int>(Import::filesPerSlice) + 10);

    EXPECT_EQ(window->grid()->order().size(), static_cast<qsizetype>(Import::filesPerSlice) + 10);
    EXPECT_GE(insertions, 2);
    EXPECT_FALSE(piled);
}

// Cards are shown as the view reaches them: a card far below the view is not yet a shown
// widget, comes into view by scrolling and takes the keyboard focus when the arrows reach it.
TEST_F(GridGrowth, CardsAreShownAsTheViewReachesThem) {
    window->resize(900, 600);
    addPhotos(60);
    BatchGrid* grid = window->grid();
    ASSERT_EQ(grid->order().size(), 60);
    const QList<QUuid> order = grid->order();
    const auto shownCount = [&] {
        return std::count_if(order.begin(), order.end(), [&](const QUuid& id) { return grid->card(id)->isVisible(); });
    };
    const QRect view(0, grid->verticalScrollBar()->value(), grid->viewport()->width(), grid->viewport()->height());
    for (const QUuid& id : order) {
        ImageCard* card = grid->card(id);
        if (card->geometry().intersects(view)) {
            EXPECT_TRUE(card->isVisible());
        }
    }
    EXPECT_LT(shownCount(), 60);

    ImageCard* last = grid->card(order.back());
    ASSERT_FALSE(last->isVisible());
    grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
    settle();
    EXPECT_TRUE(last->isVisible());

    // Back at the top, the arrows walk down to a card not yet shown.
    grid->verticalScrollBar()->setValue(0);
    settle();
    click(grid->card(order.front()));
    const qsizetype target = std::min<qsizetype>(order.size() - 1, 7 * grid->columns());
    ImageCard* far = grid->card(order[target]);
    for (int row = 0; row < 7; ++row) grid->handleKey(Qt::Key_Down, Qt::NoModifier);
    settle();
    EXPECT_TRUE(far->isVisible());
    EXPECT_TRUE(far->hasFocus());

    // Scrolled away from it, Tab into the grid brings the focused card back into view.
    grid->verticalScrollBar()->setValue(0);
    QAbstractButton* destination = window->band()->destinationButton();
    destination->setFocus(Qt::TabFocusReason);
    QTest::keyClick(destination, Qt::Key_Tab);
    settle();
    EXPECT_TRUE(far->hasFocus());
    const QRect shown(0, grid->verticalScrollBar()->value(), grid->viewport()->width(), grid->viewport()->height());
    EXPECT_TRUE(shown.contains(far->geometry()));
}

} // namespace
