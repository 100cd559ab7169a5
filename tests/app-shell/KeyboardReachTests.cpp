#include "ShellTesting.h"

#include "app/design/DSFocusRing.h"
#include "app/options/FormatChip.h"
#include "app/options/OptionsChip.h"
#include "app/options/SizeChip.h"
#include "app/options/ToolbarChips.h"
#include "app/shell/BatchGrid.h"
#include "app/shell/DropZone.h"
#include "app/shell/ExportButton.h"
#include "app/shell/HeroBand.h"
#include "app/shell/ImageCard.h"
#include "support/PDFSamples.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

namespace {

using namespace pictavo;
using namespace shell_testing;

// A window whose batch holds a photo and a document of two pages, shown and active, with
// every card estimated.
class KeyboardReach : public testing::Test, protected WindowScene {
protected:
    void SetUp() override {
        window->resize(1120, 760);
        writePhoto(photos() / "a photo.png");
        const platform::Bytes pdf = testing_support::handWrittenPDF(
            {testing_support::handWrittenPage({0, 0, 200, 100}), testing_support::handWrittenPage({0, 0, 100, 200})});
        std::ofstream(photos() / "b pages.pdf", std::ios::binary)
            .write(reinterpret_cast<const char*>(pdf.data()), std::streamsize(pdf.size()));
        bool imported = false;
        QObject::connect(window.get(), &MainWindow::importFinished, [&] { imported = true; });
        window->importFiles(urlsOf({photos() / "a photo.png", photos() / "b pages.pdf"}));
        ASSERT_TRUE(eventually([&] { return imported; }));
        ASSERT_EQ(window->store().items().size(), 2u);
        ASSERT_TRUE(estimatesSettle());
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        settle();
        document = window->grid()->card(window->store().items()[1].id);
        ASSERT_NE(document, nullptr);
        ASSERT_NE(document->pagePicker(), nullptr);
    }

    // Where each press of the key takes the keyboard focus, `count` times.
    QList<QWidget*> press(int count, Qt::KeyboardModifiers modifiers = {}) {
        QList<QWidget*> visited;
        for (int i = 0; i < count; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, modifiers);
            settle();
            visited.append(QApplication::focusWidget());
        }
        return visited;
    }

    static QString nameOf(const QWidget* widget) {
        if (!widget) return QStringLiteral("nothing");
        if (const auto* card = qobject_cast<const ImageCard*>(widget)) return QStringLiteral("card ") + card->item().displayName;
        if (const auto* button = qobject_cast<const QAbstractButton*>(widget); button && button->accessibleName().isEmpty()) {
            return button->text().isEmpty() ? QString::fromLatin1(widget->metaObject()->className()) : button->text();
        }
        return widget->accessibleName();
    }

    static std::string names(const QList<QWidget*>& widgets) {
        QStringList all;
        for (const QWidget* widget : widgets) all.append(nameOf(widget));
        return all.join(QStringLiteral(", ")).toStdString();
    }

    QWidget* link(const QString& text) const {
        for (QWidget* stop : window->band()->tabStops()) {
            if (const auto* button = qobject_cast<QAbstractButton*>(stop); button && button->text() == text) return stop;
        }
        return nullptr;
    }

    ImageCard* document = nullptr;
};

// The toolbar from leading to trailing, the band's links and destination, the grid as one stop
// on its focused card, then that card's page picker; and the same cycle backwards.
TEST_F(KeyboardReach, TabAndShiftTabVisitEveryControlInReadingOrder) {
    click(document);
    ASSERT_TRUE(document->hasFocus());
    ToolbarChips* chips = window->chips();
    QWidget* picker = document->pagePicker();
    QWidget* destination = window->band()->destinationButton();
    // A selected card: the band offers to remove it or deselect.
    const QList<QWidget*> forward{picker, chips->formatChip(), chips->sizeChip(), chips->optionsChip(),
                                  window->exportButton(), link(QStringLiteral("Remove 1")),
                                  link(QStringLiteral("Deselect")), destination, document};
    ASSERT_FALSE(forward.contains(nullptr));
    const QList<QWidget*> tabbed = press(int(forward.size()));
    EXPECT_EQ(tabbed, forward) << names(tabbed);

    QList<QWidget*> backward(forward.rbegin() + 1, forward.rend());
    backward.append(document);
    const QList<QWidget*> backtabbed = press(int(backward.size()), Qt::ShiftModifier);
    EXPECT_EQ(backtabbed, backward) << names(backtabbed);

    // With nothing selected the band's link is Clear all; a photo's card has no picker, so
    // Tab goes from it to the toolbar.
    QTest::keyClick(document, Qt::Key_Escape);
    QTest::keyClick(document, Qt::Key_Left);
    ImageCard* photo = window->grid()->card(window->store().items()[0].id);
    ASSERT_TRUE(photo->hasFocus());
    QTest::keyClick(photo, Qt::Key_Escape);
    settle();
    const QList<QWidget*> plain{chips->formatChip(), chips->sizeChip(), chips->optionsChip(), window->exportButton(),
                                link(QStringLiteral("Clear all")), destination, photo};
    ASSERT_FALSE(plain.contains(nullptr));
    const QList<QWidget*> again = press(int(plain.size()));
    EXPECT_EQ(again, plain) << names(again);
    EXPECT_EQ(press(1, Qt::ShiftModifier), QList<QWidget*>{destination});
}

// Every control Tab reaches shows the design system's ring, and only the focused one; the
// card the grid remembers looks focused only while the focus is on it or on its picker.
TEST_F(KeyboardReach, TheFocusedControlAloneShowsTheRing) {
    click(document);
    // The pointer leaves the card, whose remove button would otherwise show for the hover.
    QTest::mouseMove(window->windowHandle(), QPoint(2, 2));
    settle();
    const auto lowerArea = [&] { return document->grab().toImage().pixelColor(24, document->height() - 4); };
    const QColor focusedLook = lowerArea();
    for (int i = 0; i < 8; ++i) {
        QWidget* control = press(1).front();
        ASSERT_NE(control, nullptr);
        EXPECT_NE(DSFocusRing::shownAround(control), nullptr) << nameOf(control).toStdString();
        EXPECT_EQ(window->findChildren<QWidget*>(QStringLiteral("DSFocusRing")).size(), 1);
        const bool onPicker = control == document->pagePicker();
        EXPECT_EQ(document->showsFocus(), onPicker) << nameOf(control).toStdString();
        EXPECT_EQ(document->isRemoveButtonShown(), onPicker) << nameOf(control).toStdString();
        EXPECT_EQ(lowerArea() == focusedLook, onPicker) << nameOf(control).toStdString();
    }
    press(1);
    ASSERT_TRUE(document->hasFocus());
    EXPECT_TRUE(document->showsFocus());
    EXPECT_EQ(lowerArea(), focusedLook);
    for (QWidget* ring : window->findChildren<QWidget*>(QStringLiteral("DSFocusRing"))) {
        EXPECT_FALSE(ring->isVisible()) << "a card shows its focus itself";
    }
}

// Every accessible object under `root` that reports the keyboard focus, by name.
QStringList focusedUnder(QAccessibleInterface* root) {
    QStringList focused = root->state().focused ? QStringList{root->text(QAccessible::Name)} : QStringList{};
    for (int index = 0; index < root->childCount(); ++index) {
        if (QAccessibleInterface* child = root->child(index)) focused += focusedUnder(child);
    }
    return focused;
}

// The band's links and the page picker say what they do, and a page picker whose list has closed
// is the one object with the focus.
TEST_F(KeyboardReach, LinksAndThePagePickerSayWhatTheyDoAndAClosedListHoldsNoFocus) {
    EXPECT_EQ(link(QStringLiteral("Clear all"))->accessibleDescription(), "Take every image out of the batch");
    click(document);
    EXPECT_EQ(link(QStringLiteral("Remove 1"))->accessibleDescription(), "Take the selected images out of the batch");
    EXPECT_EQ(link(QStringLiteral("Deselect"))->accessibleDescription(), "Select none of the images; they stay in the batch");
    QComboBox* picker = document->pagePicker();
    EXPECT_EQ(QAccessible::queryAccessibleInterface(picker)->text(QAccessible::Description),
              "Choose which page of b pages.pdf to convert");
    picker->setFocus(Qt::TabFocusReason);
    picker->showPopup();
    settle();
    picker->hidePopup();
    settle();
    ASSERT_TRUE(picker->hasFocus());
    EXPECT_EQ(focusedUnder(QAccessible::queryAccessibleInterface(window.get())).join(u", ").toStdString(), "Page 1 of 2");
}

// An empty window: the chips, then the drop zone's button (Export cannot be used yet).
TEST(KeyboardReachEmpty, AnEmptyWindowGoesFromTheChipsToChooseImages) {
    WindowScene scene;
    scene.window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(scene.window.get()));
    ToolbarChips* chips = scene.window->chips();
    chips->formatChip()->setFocus(Qt::TabFocusReason);
    QList<QWidget*> visited;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.append(QApplication::focusWidget());
    }
    const QList<QWidget*> expected{chips->sizeChip(), chips->optionsChip(), scene.window->dropZone()->chooseButton(),
                                   chips->formatChip()};
    EXPECT_EQ(visited, expected);
    EXPECT_EQ(scene.window->dropZone()->chooseButton()->accessibleDescription(), "Choose images to convert");
}

} // namespace
