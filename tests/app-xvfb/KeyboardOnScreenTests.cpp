#include "app/options/FormatChip.h"
#include "app/options/ToolbarChips.h"
#include "app/shell/BatchGrid.h"
#include "app/shell/ImageCard.h"
#include "app/shell/MainWindow.h"
#include "app/shell/PictavoByFenwidApp.h"
#include "OnScreenTest.h"
#include "support/Eventually.h"
#include "support/PDFSamples.h"
#include "support/PaintedPhoto.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <fstream>

namespace {

using namespace pictavo;
namespace fs = std::filesystem;

using support::eventually;

class KeyboardOnScreen : public support::OnScreenTest {};

// Keys typed into the window as the X server delivers them, while the page picker's list holds
// the keyboard: the list takes the arrows and Return, and the focus comes back to the picker.
TEST_F(KeyboardOnScreen, TheKeyboardReachesACardsPageAndChoosesItInTheOpenList) {
    const fs::path photo = root.path() / "photo.jpg";
    ASSERT_TRUE(support::paintedPhoto(400, 300, 1).save(QString::fromStdString(photo.string()), nullptr, 90));
    const fs::path document = root.path() / "plan.pdf";
    const platform::Bytes pdf = testing_support::handWrittenPDF(
        {testing_support::handWrittenPage({0, 0, 200, 100}), testing_support::handWrittenPage({0, 0, 100, 200})});
    std::ofstream(document, std::ios::binary).write(reinterpret_cast<const char*>(pdf.data()), std::streamsize(pdf.size()));

    PictavoByFenwidApp app(engine);
    MainWindow& window = app.mainWindow();
    app.open({});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.importFiles({QUrl::fromLocalFile(QString::fromStdString(photo.string())),
                        QUrl::fromLocalFile(QString::fromStdString(document.string()))});
    ASSERT_TRUE(eventually([&] { return window.store().items().size() == 2; }));
    ASSERT_TRUE(eventually([&] { return window.grid()->focusedCard().has_value(); }));
    QWindow* screen = window.windowHandle();
    const auto type = [&](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(screen, key, modifiers);
        QCoreApplication::processEvents();
    };

    // From the photo's card: Right to the document's, then Tab to its picker.
    type(Qt::Key_Right);
    ImageCard* card = window.grid()->card(window.store().items()[1].id);
    ASSERT_TRUE(eventually([&] { return card->hasFocus(); }));
    type(Qt::Key_Tab);
    auto* picker = qobject_cast<QComboBox*>(card->pagePicker());
    ASSERT_NE(picker, nullptr);
    ASSERT_TRUE(eventually([&] { return picker->hasFocus(); }));

    type(Qt::Key_Space);
    ASSERT_TRUE(eventually([&] { return picker->view()->isVisible(); }));
    type(Qt::Key_Down);
    type(Qt::Key_Return);
    EXPECT_TRUE(eventually([&] { return !picker->view()->isVisible(); }));
    EXPECT_EQ(window.store().items()[1].page, 2);
    EXPECT_TRUE(eventually([&] { return picker->hasFocus(); }));

    type(Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(eventually([&] { return picker->view()->isVisible(); }));
    type(Qt::Key_Up);
    type(Qt::Key_Return);
    EXPECT_TRUE(eventually([&] { return !picker->view()->isVisible(); }));
    EXPECT_EQ(window.store().items()[1].page, 1);
    EXPECT_TRUE(eventually([&] { return picker->hasFocus(); }));

    // On to the toolbar, and back.
    type(Qt::Key_Tab);
    EXPECT_TRUE(eventually([&] { return window.chips()->formatChip()->hasFocus(); }));
    type(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(eventually([&] { return picker->hasFocus(); }));
    type(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(eventually([&] { return card->hasFocus(); }));
    EXPECT_TRUE(window.close());
}

} // namespace
