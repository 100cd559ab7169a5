#include "ShellTesting.h"

#include "app/design/DSMenuPanel.h"
#include "app/design/DSMenuWindow.h"
#include "app/shell/DestinationMenu.h"
#include "app/shell/HeroBand.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using namespace pictavo;
using namespace shell_testing;

QStringList labels(const DSMenuContent<DestinationMenuTag>& content) {
    QStringList spoken;
    for (const auto& row : content.allRows()) spoken.append(row.spokenLabel() + (row.isDestructive ? "!" : ""));
    return spoken;
}

class DestinationMenu : public testing::Test, protected WindowScene {};

TEST_F(DestinationMenu, ListsTheChoicesWithReplacingInRedAndSavingAsDefaultOnlyWhenItChangesSomething) {
    const auto content = destinationMenu(destinations);
    ASSERT_EQ(content.groups.size(), 2u);
    EXPECT_EQ(labels(content),
              (QStringList{QStringLiteral("Beside each original, Each file keeps its own folder"),
                           QStringLiteral("In a folder\u2026, Choose a folder to save into"),
                           QStringLiteral("Ask each time, Choose a folder when you press Export"),
                           QStringLiteral("Replace the originals, Originals go to the Trash, so this can be undone!")}));
    EXPECT_FALSE(content.groups[0].heading.has_value());

    folderAsker.answers = {output()};
    chooseDestination(destinations, DestinationMenuTag::value(DestinationChoice::chosenFolder));
    EXPECT_EQ(destinations.choice(), DestinationChoice::chosenFolder);
    const auto chosen = destinationMenu(destinations);
    ASSERT_EQ(chosen.groups.size(), 3u);
    EXPECT_EQ(chosen.allRows()[1].subtitle, DestinationStore::abbreviatedPath(output()));
    EXPECT_EQ(chosen.groups[2].rows[0].spokenLabel(),
              QStringLiteral("Save as default, New batches save into ") + DestinationStore::abbreviatedPath(output()));

    // "In a folder…" asks again even with a folder chosen; a cancel keeps what was there.
    chooseDestination(destinations, DestinationMenuTag::value(DestinationChoice::chosenFolder));
    EXPECT_EQ(folderAsker.asked, 2);
    EXPECT_EQ(destinations.chosenFolder(), output());

    chooseDestination(destinations, DestinationMenuTag::saveAsDefault());
    EXPECT_EQ(destinations.defaultChoice(), DestinationChoice::chosenFolder);
    EXPECT_EQ(destinationMenu(destinations).groups.size(), 2u);

    // Choosing the current choice again tells nobody.
    QSignalSpy changed(&destinations, &DestinationStore::choiceChanged);
    chooseDestination(destinations, DestinationMenuTag::value(DestinationChoice::chosenFolder));
    EXPECT_EQ(folderAsker.asked, 3);
    chooseDestination(destinations, DestinationMenuTag::value(DestinationChoice::askEachTime));
    chooseDestination(destinations, DestinationMenuTag::value(DestinationChoice::askEachTime));
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(DestinationMenu, OpensFromTheBandsDestinationButtonAndAClickedRowBecomesTheChoice) {
    addPhotos(1);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    HeroBand* band = window->band();
    EXPECT_EQ(band->destinationButton()->text(), QStringLiteral("Saving beside each original"));
    EXPECT_EQ(band->destinationButton()->accessibleName(), QStringLiteral("Destination"));

    click(band->destinationButton());
    auto& menu = band->destinationMenu();
    ASSERT_TRUE(menu.isPresented());
    DSMenuWindow* shown = menu.controller().window();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->width(), 320);
    EXPECT_TRUE(shown->panel()->rowView(0)->row().isSelected);
    EXPECT_TRUE(shown->panel()->rowView(3)->row().isDestructive);

    click(shown->panel()->rowView(2));
    EXPECT_EQ(destinations.choice(), DestinationChoice::askEachTime);
    EXPECT_FALSE(menu.isPresented());
    EXPECT_EQ(band->destinationButton()->text(), QStringLiteral("Asking each time"));
    EXPECT_EQ(menu.selection(), DestinationMenuTag::value(DestinationChoice::askEachTime));
    EXPECT_EQ(menu.content().groups.size(), 3u) << "saving as default is offered now";
}

} // namespace
