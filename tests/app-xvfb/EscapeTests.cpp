#include "app/design/DSMenuWindow.h"
#include "app/design/DSSegmentedControl.h"
#include "app/desktop/FolderAsker.h"
#include "app/export/PathBookmarks.h"
#include "app/options/FormatChip.h"
#include "app/options/OptionsChip.h"
#include "app/options/OptionsPanel.h"
#include "app/options/QualityControl.h"
#include "app/options/SizeChip.h"
#include "app/options/ToolbarChips.h"
#include "app/preferences/DefaultSizePicker.h"
#include "app/preferences/SettingsWindow.h"
#include "app/preferences/UpdateController.h"
#include "app/settings/MemoryUserDefaults.h"
#include "app/shell/BatchGrid.h"
#include "app/shell/HeroBand.h"
#include "app/shell/ImageCard.h"
#include "app/shell/MainWindow.h"
#include "app/shell/PictavoByFenwidApp.h"
#include "OnScreenTest.h"
#include "support/Eventually.h"
#include "app-preferences/ScriptedUpdater.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

using namespace pictavo;
namespace fs = std::filesystem;

using support::eventually;

class NoFolder : public FolderAsker {
public:
    std::optional<fs::path> ask(PanelPurpose) override { return std::nullopt; }
};

void click(QWidget* widget) {
    QTest::mouseClick(widget->window()->windowHandle(), Qt::LeftButton, {},
                      widget->mapTo(widget->window(), widget->rect().center()));
}

// Esc as the X server hands it over: to the window that has the keyboard, which is the list
// while one is open, since an open list grabs the keyboard.
void escape(QWidget* window) {
    QTest::keyClick(window->windowHandle(), Qt::Key_Escape);
    QTest::qWait(50);
}

// The list of the box, open and holding the keyboard; none when it did not open.
QWidget* openList(QComboBox* box) {
    box->showPopup();
    QWidget* list = box->view()->window();
    if (!QTest::qWaitForWindowExposed(list) || QApplication::activePopupWidget() != list) return nullptr;
    return list;
}

// Over preferences of their own, what the settings window edits.
class EscapeOnScreen : public support::OnScreenTest {
protected:
    MemoryUserDefaults defaults;
    PathBookmarks bookmarks;
    NoFolder asker;
    SettingsStore settings{defaults};
    DestinationStore destinations{defaults, bookmarks, asker};
    ScriptedUpdater updater;
    UpdateController updates{updater};
};

TEST_F(EscapeOnScreen, EscInAnOpenListOfTheSettingsWindowClosesTheListAndOnlyThenTheWindow) {
    SettingsWindow window{settings, destinations, updates, engine};
    for (QComboBox* box : {window.formatPicker(), static_cast<QComboBox*>(window.sizePicker()), window.savePicker()}) {
        SCOPED_TRACE(box->currentText().toStdString());
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        QWidget* list = openList(box);
        ASSERT_NE(list, nullptr);
        escape(list);
        EXPECT_FALSE(list->isVisible());
        EXPECT_TRUE(window.isVisible());
        escape(&window);
        EXPECT_FALSE(window.isVisible());
    }
}

// On an X server with no window manager to pick the next window, closing the settings window
// hands the keyboard back to the window it was opened from.
TEST_F(EscapeOnScreen, EscOnTheSettingsWindowHandsTheKeyboardBackToTheWindowItWasOpenedFrom) {
    QPushButton opener(QStringLiteral("Settings\u2026"));
    opener.show();
    opener.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&opener));
    SettingsWindow* window = SettingsWindow::open(settings, destinations, updates, engine);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    escape(window);
    EXPECT_TRUE(eventually([&] { return QApplication::activeWindow() == &opener && opener.hasFocus(); }));
}

// Two pages, so that its card has a page picker.
fs::path writeTwoPagePDF(const fs::path& path) {
    QPdfWriter writer(QString::fromStdString(path.string()));
    writer.setPageSize(QPageSize(QPageSize::A6));
    QPainter painter(&writer);
    painter.fillRect(QRect(0, 0, 400, 400), Qt::darkBlue);
    writer.newPage();
    painter.fillRect(QRect(0, 0, 400, 400), Qt::darkRed);
    return path;
}

TEST_F(EscapeOnScreen, EscInTheMainWindowClosesOnlyTheMenuPopOverOrListOnTop) {
    const fs::path pdf = writeTwoPagePDF(root.path() / "leaflet.pdf");
    PictavoByFenwidApp app(engine);
    MainWindow& window = app.mainWindow();
    app.open({QString::fromStdString(pdf.string())});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    ASSERT_TRUE(eventually([&] { return window.store().items().size() == 1; }));
    QCoreApplication::processEvents();
    const QUuid id = window.grid()->order().front();
    ImageCard* card = window.grid()->card(id);
    click(card);
    ASSERT_EQ(window.selection().value().ids.size(), 1);

    // The toolbar's menus and the band's destination menu never take the keyboard: the main
    // window hands them its Esc.
    const auto expectMenuClosesAlone = [&](QWidget* trigger, DSPresenter& menu, const char* name) {
        click(trigger);
        ASSERT_TRUE(menu.isPresented()) << name;
        escape(&window);
        EXPECT_FALSE(menu.isPresented()) << name;
        EXPECT_TRUE(window.isVisible()) << name;
        EXPECT_EQ(window.selection().value().ids.size(), 1) << name;
    };
    ToolbarChips* chips = window.chips();
    expectMenuClosesAlone(chips->formatChip(), *chips->formatChip()->menu(), "format");
    expectMenuClosesAlone(chips->sizeChip(), *chips->sizeChip()->menu(), "size");
    expectMenuClosesAlone(window.band()->destinationButton(), window.band()->destinationMenu(), "destination");

    // A list open in the pop-over closes first, then the pop-over.
    OptionsChip* options = chips->optionsChip();
    click(options);
    ASSERT_TRUE(options->presenter()->isPresented());
    OptionsPanel* panel = options->panel();
    ASSERT_NE(panel, nullptr);
    QWidget* popover = panel->window();
    ASSERT_TRUE(QTest::qWaitForWindowActive(popover));
    QualityControl* quality = panel->qualityControl();
    Q_EMIT quality->modes()->segmentChosen(quality->modes()->count() - 1);
    QCoreApplication::processEvents();
    ASSERT_TRUE(quality->targets()->isVisible());
    QWidget* list = openList(quality->targets());
    ASSERT_NE(list, nullptr);
    escape(list);
    EXPECT_FALSE(list->isVisible());
    EXPECT_TRUE(options->presenter()->isPresented());
    escape(popover);
    EXPECT_FALSE(options->presenter()->isPresented());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.selection().value().ids.size(), 1);

    // The card's page list closes and the card stays selected.
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    auto* pages = card->findChild<QComboBox*>();
    ASSERT_NE(pages, nullptr);
    list = openList(pages);
    ASSERT_NE(list, nullptr);
    escape(list);
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(window.selection().value().ids.size(), 1);
    EXPECT_TRUE(window.isVisible());
}

} // namespace
