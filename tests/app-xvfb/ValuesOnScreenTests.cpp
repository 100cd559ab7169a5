#include "app/design/DSMenuPanel.h"
#include "app/design/DSMenuWindow.h"
#include "app/options/CustomSizeEditor.h"
#include "app/options/DimensionField.h"
#include "app/options/FilenamePatternField.h"
#include "app/options/FormatChip.h"
#include "app/options/OptionLink.h"
#include "app/options/OptionsChip.h"
#include "app/options/OptionsPanel.h"
#include "app/options/OrientationControl.h"
#include "app/options/ToolbarChips.h"
#include "app/options/WrappingText.h"
#include "app/preferences/DefaultSizePicker.h"
#include "app/preferences/SettingsWindow.h"
#include "app/shell/BatchGrid.h"
#include "app/shell/HeroBand.h"
#include "app/shell/ImageCard.h"
#include "app/shell/MainWindow.h"
#include "app/shell/PictavoByFenwidApp.h"
#include "OnScreenTest.h"
#include "support/AccessibleEvents.h"
#include "support/Eventually.h"
#include "support/PaintedPhoto.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace {

using namespace pictavo;
namespace fs = std::filesystem;

using support::eventually;
using Heard = std::vector<std::string>;

std::string label(const QString& text) { return "label \"" + text.toStdString() + "\" \"\" [focused]"; }

// What the window tells a screen reader of values and selections that change under the keys:
// the real window on the X server, with its accessibility events recorded.
class ValuesOnScreen : public support::OnScreenTest {
protected:
    void SetUp() override {
        support::OnScreenTest::SetUp();
        if (IsSkipped()) return;
        if (!eventually([] { return QAccessible::isActive(); }, 10000)) GTEST_SKIP() << "needs the accessibility bus";
    }

    // The settings window outlives the application's window, whose stores it holds.
    void TearDown() override {
        if (settings_) settings_->close();
        QTest::qWait(50);
    }

    // The window with `count` photos, active, its first card focused.
    MainWindow& openWith(int count) {
        QStringList paths;
        for (int i = 0; i < count; ++i) {
            const fs::path path = root.path() / ("photo" + std::to_string(i) + ".jpg");
            EXPECT_TRUE(support::paintedPhoto(320, 240, i).save(QString::fromStdString(path.string()), nullptr, 90));
            paths << QString::fromStdString(path.string());
        }
        MainWindow& window = app.mainWindow();
        app.open(paths);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        EXPECT_TRUE(eventually([&] { return window.store().items().size() == std::size_t(count); }));
        EXPECT_TRUE(eventually([&] { return window.grid()->focusedCard() && QApplication::focusWidget(); }));
        EXPECT_TRUE(eventually([&] { return window.store().estimatedBytes().has_value(); }));
        return window;
    }

    ImageCard* focusedCard(MainWindow& window) { return window.grid()->card(*window.grid()->focusedCard()); }

    // As the X server hands the key over: to a picker's open list, else to the active window
    // (the design system's menus leave the keyboard with their trigger's window).
    void press(QWidget* at, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QWidget* target = QApplication::activePopupWidget();
        if (!target || !qobject_cast<QComboBox*>(target->parentWidget())) target = QApplication::activeWindow();
        QTest::keyClick((target ? target : at->window())->windowHandle(), key, modifiers);
        QTest::qWait(100);
    }

    // Settings close with Esc and go when closed.
    SettingsWindow& openSettings(MainWindow& window) {
        press(&window, Qt::Key_Comma, Qt::ControlModifier);
        SettingsWindow* settings = nullptr;
        EXPECT_TRUE(eventually([&] {
            for (QWidget* shown : QApplication::topLevelWidgets()) {
                if (auto* found = qobject_cast<SettingsWindow*>(shown); found && found->isActiveWindow()) settings = found;
            }
            return settings != nullptr;
        }));
        settings_ = settings;
        return *settings;
    }

    PictavoByFenwidApp app{engine};
    support::AccessibleEvents events;
    QPointer<SettingsWindow> settings_;
};

// Each picker gives the choice it shows as its text, which a screen reader reads as its value
// (a closed picker has no list to give it), and a key that changes the closed picker's choice
// has the new choice read out. The open list counts its choices, not the separators between
// their groups, and reads out the current one.
TEST_F(ValuesOnScreen, EachPickerGivesItsChoiceAndAKeyThatChangesItIsReadOut) {
    MainWindow& window = openWith(1);
    SettingsWindow& settings = openSettings(window);
    for (QComboBox* picker :
         {settings.formatPicker(), static_cast<QComboBox*>(settings.sizePicker()), settings.savePicker()}) {
        QAccessibleTextInterface* text = QAccessible::queryAccessibleInterface(picker)->textInterface();
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->text(0, text->characterCount()), picker->currentText());
        picker->setFocus(Qt::TabFocusReason);
        events.takeFocus();
        const int before = picker->currentIndex();
        press(picker, Qt::Key_Down);
        ASSERT_NE(picker->currentIndex(), before);
        EXPECT_EQ(events.takeFocus(), Heard{label(picker->currentText())});
        EXPECT_EQ(text->text(0, text->characterCount()), picker->currentText());
        // The defaults go back as they were: the process's later tests read them.
        press(picker, Qt::Key_Up);
        EXPECT_EQ(picker->currentIndex(), before);
    }

    QComboBox* format = settings.formatPicker();
    format->setFocus(Qt::TabFocusReason);
    events.takeFocus();
    press(format, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(eventually([&] { return format->view()->isVisible(); }));
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(format)->child(0);
    ASSERT_NE(list, nullptr);
    int separators = 0;
    for (int row = 0; row < list->childCount(); ++row) {
        if (list->child(row)->role() == QAccessible::ListItem) {
            EXPECT_EQ(list->child(row)->text(QAccessible::Name), format->itemText(row));
        } else {
            ++separators;
        }
    }
    EXPECT_EQ(separators, 2);
    EXPECT_EQ(list->childCount(), format->count());
    const Heard opened = events.takeFocus();
    ASSERT_FALSE(opened.empty());
    EXPECT_EQ(opened.back(), "list item \"" + format->currentText().toStdString() + "\" \"\" [focused selected]");
    press(format, Qt::Key_Escape);
    EXPECT_FALSE(format->view()->isVisible());
}

// Tab into a side of the Dimensions row tells a screen reader of the field's focus alone: Tab
// selects the text, and a caret it moved was told before the focus, which made Orca take the
// field for its focus without a word and ignore the focus, so the field went unnamed.
TEST_F(ValuesOnScreen, TabIntoASideOfTheDimensionsRowTellsOfItsFocusBeforeItsCaret) {
    MainWindow& window = openWith(1);
    SettingsWindow& settings = openSettings(window);
    QComboBox* size = settings.sizePicker();
    size->setFocus(Qt::TabFocusReason);
    press(size, Qt::Key_End);
    DimensionField* width = settings.dimensionsRow()->widthField();
    DimensionField* height = settings.dimensionsRow()->heightField();
    ASSERT_TRUE(eventually([&] { return width->isVisible(); }));
    width->setFocus(Qt::TabFocusReason);
    events.takeFocus();
    press(width, Qt::Key_Tab);
    ASSERT_TRUE(height->hasFocus());
    std::vector<QAccessible::Event> told;
    for (const support::AccessibleEvents::Seen& event : events.seen()) {
        if (event.object == height && event.type != QAccessible::TextSelectionChanged) told.push_back(event.type);
    }
    EXPECT_EQ(told, std::vector<QAccessible::Event>{QAccessible::Focus});
    EXPECT_EQ(height->accessibleName(), "Height");
}

// A card tells a screen reader only what changed, once: a batch of hundreds, each card setting
// its name and description again at every change of the batch, kept the reader seconds behind
// the keys. The focused card's new value is read out, which Qt's own news of a changed
// description, sent without its text, never is.
TEST_F(ValuesOnScreen, ACardTellsOnlyWhatChangedAndTheFocusedCardsNewValueIsReadOut) {
    MainWindow& window = openWith(4);
    ImageCard* focused = focusedCard(window);
    const QString before = focused->accessibleDescription();
    events.takeFocus();
    FormatChip* chip = window.chips()->formatChip();
    chip->setFocus(Qt::TabFocusReason);
    press(chip, Qt::Key_Space);
    // PNG, whose estimates differ from the JPEG photos' own.
    for (int row = 0; row < 3; ++row) press(chip, Qt::Key_Down);
    press(chip, Qt::Key_Return);
    focused->setFocus(Qt::TabFocusReason);
    events.takeFocus();
    ASSERT_TRUE(eventually([&] {
        return focused->accessibleDescription() != before && window.store().estimatedBytes().has_value();
    })) << before.toStdString() << " / " << focused->accessibleDescription().toStdString() << " / "
        << window.store().spec().format.id();
    QTest::qWait(200);

    std::map<const QObject*, QStringList> descriptions;
    for (const support::AccessibleEvents::Seen& seen : events.seen()) {
        if (!qobject_cast<const ImageCard*>(seen.object.data())) continue;
        EXPECT_NE(seen.type, QAccessible::NameChanged) << seen.said();
        if (seen.type == QAccessible::DescriptionChanged) descriptions[seen.object.data()] << seen.description;
    }
    ASSERT_FALSE(descriptions.empty());
    for (const auto& [card, told] : descriptions) {
        for (qsizetype i = 1; i < told.size(); ++i) EXPECT_NE(told[i], told[i - 1]) << told.join(u" | ").toStdString();
    }
    const Heard heard = events.takeFocus();
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.back(), label(focused->accessibleName() + ", " + focused->accessibleDescription()));
}

// Delete on a card the keyboard moved to, outside the selection, says what went together with
// the card that takes its place.
TEST_F(ValuesOnScreen, DeleteSaysWhatWentWithTheCardThatTakesItsPlace) {
    MainWindow& window = openWith(3);
    const QList<QUuid> order = window.grid()->order();
    press(focusedCard(window), Qt::Key_Right);
    press(focusedCard(window), Qt::Key_Right);
    window.grid()->card(order[0])->setFocus(Qt::TabFocusReason);
    QTest::qWait(100);
    events.takeFocus();
    press(focusedCard(window), Qt::Key_Delete);
    ASSERT_EQ(window.grid()->order(), (QList<QUuid>{order[1], order[2]}));
    ImageCard* next = focusedCard(window);
    EXPECT_EQ(events.takeFocus().back(), label("photo0.jpg removed from the batch, " + next->accessibleName() + ", " +
                                               next->accessibleDescription()));
}

// An export tells screen readers of no card's new value but the focused card's, and of its
// progress in tenths: hundreds of cards telling each step, and the progress telling every card,
// flooded the reader, which then dropped the news of how the run ended. Another card tells its
// value as it takes the keyboard, before its focus is read.
TEST_F(ValuesOnScreen, AnExportTellsOfTheFocusedCardAloneAndAnotherCardTellsAsItTakesTheKeyboard) {
    MainWindow& window = openWith(30);
    ImageCard* focused = focusedCard(window);
    // Beside each original, whatever folder an earlier test chose.
    window.band()->destinationButton()->click();
    DSMenuPresenter<DestinationMenuTag>& destination = window.band()->destinationMenu();
    ASSERT_TRUE(eventually([&] { return destination.controller().window() != nullptr; }));
    QTest::mouseClick(destination.controller().window()->panel()->rowView(0), Qt::LeftButton);
    ASSERT_TRUE(eventually([&] { return !destination.isPresented(); }));
    focused->setFocus(Qt::TabFocusReason);
    QTest::qWait(200);
    events.takeFocus();
    QTest::keyClick(window.windowHandle(), Qt::Key_E, Qt::ControlModifier);
    ASSERT_TRUE(eventually([&] { return !window.store().isExporting(); }, 30000));
    QTest::qWait(200);
    std::set<const QObject*> told;
    std::size_t progressTold = 0;
    for (const support::AccessibleEvents::Seen& seen : events.seen()) {
        if (seen.type == QAccessible::DescriptionChanged && qobject_cast<const ImageCard*>(seen.object.data())) {
            told.insert(seen.object.data());
        }
        if (seen.object == window.band()->progressStop() && seen.type != QAccessible::Focus) ++progressTold;
    }
    EXPECT_EQ(told, std::set<const QObject*>{focused});
    // Ten steps, each a value and its count, and the count as the run starts.
    EXPECT_LE(progressTold, 21u);
    std::vector<std::string> named;
    for (const support::AccessibleEvents::Seen& seen : events.seen()) {
        if (seen.type == QAccessible::NameChanged) named.push_back(seen.said());
    }
    // The summary, the notification and the export button's title, not the count beside the bar.
    EXPECT_LE(named.size(), 4u) << testing::PrintToString(named);

    ImageCard* other = window.grid()->card(window.grid()->order()[5]);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(other)->text(QAccessible::Description),
              window.store().items()[5].accessibilityDescription());
    events.takeFocus();
    other->setFocus(Qt::TabFocusReason);
    std::vector<support::AccessibleEvents::Seen> toldOther;
    for (const support::AccessibleEvents::Seen& seen : events.seen()) {
        if (seen.object == other) toldOther.push_back(seen);
    }
    ASSERT_GE(toldOther.size(), 2u);
    EXPECT_EQ(toldOther[0].type, QAccessible::DescriptionChanged);
    EXPECT_TRUE(toldOther[0].description.endsWith(QStringLiteral(", saved"))) << toldOther[0].said();
    EXPECT_EQ(toldOther[1].type, QAccessible::Focus);
}

// Keys that change the selection say how many cards are selected; with Shift and an arrow, as
// one piece with the card that took the focus, whose own focus a screen reader would otherwise
// leave out for the news that follows it.
TEST_F(ValuesOnScreen, ShiftArrowsAndSelectAllSayHowManyCardsAreSelected) {
    MainWindow& window = openWith(3);
    ImageCard* first = focusedCard(window);
    press(first, Qt::Key_Space);
    events.takeFocus();
    press(first, Qt::Key_Right, Qt::ShiftModifier);
    ImageCard* second = focusedCard(window);
    ASSERT_NE(second, first);
    EXPECT_EQ(events.takeFocus().back(), label(second->spokenText() + ", 2 selected"));
    EXPECT_TRUE(second->spokenText().startsWith(second->accessibleName() + ", selected, ")) << second->spokenText().toStdString();
    press(second, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(events.takeFocus(), Heard{label("3 selected")});
}

// Space and Esc change the selection where the keyboard stays, and a screen reader reads no
// change of a button's selected state: what they did is said.
TEST_F(ValuesOnScreen, SpaceAndEscSayWhatTheyDidToTheSelection) {
    MainWindow& window = openWith(3);
    ImageCard* first = focusedCard(window);
    events.takeFocus();
    press(first, Qt::Key_Space);
    EXPECT_EQ(events.takeFocus(), Heard{label("photo0.jpg, selected, 1 selected")});
    press(first, Qt::Key_Space);
    EXPECT_EQ(events.takeFocus(), Heard{label("photo0.jpg, deselected, nothing selected")});
    press(first, Qt::Key_A, Qt::ControlModifier);
    events.takeFocus();
    press(first, Qt::Key_Escape);
    EXPECT_EQ(events.takeFocus(), Heard{label("nothing selected")});
    // Nothing left to clear: nothing to say.
    press(first, Qt::Key_Escape);
    EXPECT_EQ(events.takeFocus(), Heard{});
}

// The window manager may activate the main window after a card's menu, opened from the
// keyboard, has shown its first row: the screen reader is then taken back to the menu's row.
TEST_F(ValuesOnScreen, ACardsMenuFromTheKeyboardIsReadAgainAfterTheWindowBeneathIsActivated) {
    MainWindow& window = openWith(1);
    events.takeFocus();
    Heard opened, afterActivation;
    QObject step;
    QTimer::singleShot(300, &step, [&] {
        opened = events.takeFocus();
        QEvent activation(QEvent::WindowActivate);
        QApplication::sendEvent(&window, &activation);
        QTest::qWait(100);
        afterActivation = events.takeFocus();
        if (QWidget* menu = QApplication::activePopupWidget()) QTest::keyClick(menu->windowHandle(), Qt::Key_Escape);
    });
    QTest::keyClick(window.windowHandle(), Qt::Key_F10, Qt::ShiftModifier);
    QTest::qWait(600);
    const std::string row = R"(menu item "Remove photo0.jpg" "" [focused])";
    ASSERT_FALSE(opened.empty());
    EXPECT_EQ(opened, Heard(opened.size(), row));
    EXPECT_EQ(afterActivation, Heard{row});
}

// A value a key changes while the keyboard stays put is read as its text alone: a label in a
// status bar of its own, which screen readers read without a "label" after it.
TEST_F(ValuesOnScreen, WhatAKeyDidWhereTheKeyboardStaysIsReadOutAsItsTextAlone) {
    MainWindow& window = openWith(1);
    window.chips()->optionsChip()->setFocus(Qt::TabFocusReason);
    press(&window, Qt::Key_Space);
    OptionsPanel* panel = window.chips()->optionsChip()->panel();
    ASSERT_NE(panel, nullptr);
    QToolButton* right = panel->orientationControl()->button(TurnAction::right);
    right->setFocus(Qt::TabFocusReason);
    QTest::qWait(100);
    events.takeFocus();
    press(right, Qt::Key_Space);
    const std::vector<support::AccessibleEvents::Seen> seen = events.seen();
    const auto news = std::find_if(seen.begin(), seen.end(), [](const auto& event) {
        return event.type == QAccessible::Focus && event.name == "Turned right";
    });
    ASSERT_NE(news, seen.end());
    EXPECT_EQ(news->role, QAccessible::StaticText);
    EXPECT_EQ(news->parentRole, QAccessible::StatusBar);
    events.takeFocus();
    QWidget* reset = panel->orientationControl()->resetButton();
    reset->setFocus(Qt::TabFocusReason);
    QTest::qWait(100);
    events.takeFocus();
    press(reset, Qt::Key_Space);
    EXPECT_EQ(events.takeFocus().back(), label("Unchanged"));

    // The name the pattern gives, once the typing pauses.
    QLineEdit* naming = panel->patternField()->field();
    naming->setFocus(Qt::TabFocusReason);
    naming->end(false);
    press(naming, Qt::Key_X);
    const QString preview = panel->patternField()->previewLine()->text();
    EXPECT_TRUE(eventually([&] {
        const Heard heard = events.takeFocus();
        return std::find(heard.begin(), heard.end(), label(preview)) != heard.end();
    }));
    press(naming, Qt::Key_Backspace);
    press(naming, Qt::Key_Escape);

    // Settings put back without a question.
    SettingsWindow& settings = openSettings(window);
    settings.resetButton()->setFocus(Qt::TabFocusReason);
    QTest::qWait(100);
    events.takeFocus();
    press(settings.resetButton(), Qt::Key_Space);
    EXPECT_EQ(events.takeFocus().back(), label("Every default is back to what the app ships with."));
}

// A removal chosen in a card's menu is told once the window has the keyboard back from the
// menu: a screen reader heeds nothing the window says while the closing menu holds its
// attention, and then reads the window and the card that took the removed one's place.
TEST_F(ValuesOnScreen, ARemovalFromACardsMenuIsToldOnceTheWindowHasTheKeyboardBack) {
    MainWindow& window = openWith(2);
    const QList<QUuid> order = window.grid()->order();
    events.takeHeard();
    QObject step;
    QTimer::singleShot(300, &step, [&] {
        if (QWidget* menu = QApplication::activePopupWidget()) QTest::keyClick(menu->windowHandle(), Qt::Key_Return);
    });
    QTest::keyClick(window.windowHandle(), Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_EQ(window.grid()->order(), QList<QUuid>{order[1]});
    const std::string news = R"(notification "photo0.jpg removed from the batch." "" [])";
    Heard heard;
    ASSERT_TRUE(eventually([&] {
        const Heard now = events.takeHeard();
        heard.insert(heard.end(), now.begin(), now.end());
        return std::find(heard.begin(), heard.end(), news) != heard.end();
    }, 5000)) << testing::PrintToString(heard);
    // Told after the card that took its place, and once.
    EXPECT_EQ(heard.back(), news) << testing::PrintToString(heard);
    EXPECT_EQ(std::count(heard.begin(), heard.end(), news), 1);
    EXPECT_TRUE(window.grid()->card(order[1])->hasFocus());
}

} // namespace
