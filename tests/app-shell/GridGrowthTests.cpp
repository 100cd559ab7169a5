#include "ShellTesting.h"

#include "app/batch/BatchStore.h"
#include "app/batch/Import.h"
#include "app/shell/BatchGrid.h"
#include "app/shell/ImageCard.h"

#include <gtest/gtest.h>

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

} // namespace
