#include "app/design/DSMenuPanel.h"
#include "app/design/DSMenuWindow.h"
#include "app/shell/BatchGrid.h"
#include "app/shell/HeroBand.h"
#include "app/shell/ImageCard.h"
#include "app/shell/MainWindow.h"
#include "app/shell/PictavoByFenwidApp.h"
#include "OnScreenTest.h"
#include "support/Eventually.h"
#include "support/PaintedPhoto.h"

#include <QDropEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

using namespace pictavo;
namespace fs = std::filesystem;

using support::eventually;

QPoint centreIn(QWidget* widget) { return widget->mapTo(widget->window(), widget->rect().center()); }

void click(QWidget* widget) {
    QTest::mouseClick(widget->window()->windowHandle(), Qt::LeftButton, {}, centreIn(widget));
}

// Drops the URLs on the window at the point, as the window system hands a drop over: a drag
// entering, moving and dropping, each to the window, which finds the widget under the point.
Qt::DropAction drop(QWindow* window, const QList<QUrl>& urls, QPoint at) {
    QMimeData data;
    data.setUrls(urls);
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &enter);
    if (!enter.isAccepted()) return Qt::IgnoreAction;
    QDragMoveEvent move(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &move);
    QDropEvent dropped(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &dropped);
    return dropped.isAccepted() ? dropped.dropAction() : Qt::IgnoreAction;
}

class WindowEndToEnd : public support::OnScreenTest {};

TEST_F(WindowEndToEnd, AFolderOfPhotosDroppedOnTheWindowIsEstimatedAndExportedIntoAChosenFolder) {
    const fs::path photos = root.path() / "Holiday";
    const fs::path output = root.path() / "Converted";
    fs::create_directories(photos / "Day two");
    fs::create_directories(output);
    const std::vector<fs::path> names = {"beach.jpg", "harbour.jpg", "Day two/hills.png", "Day two/market.jpg"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        ASSERT_TRUE(support::paintedPhoto(1200 - int(i) * 90, 800, int(i)).save(QString::fromStdString((photos / names[i]).string()), nullptr, 92));
    }

    PictavoByFenwidApp app(engine);
    MainWindow& window = app.mainWindow();
    app.open({});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_TRUE(window.showsDropZone());

    // The folder is dropped as a file manager drops it: always taken as a copy.
    const QPoint middle = centreIn(window.centralWidget());
    EXPECT_EQ(drop(window.windowHandle(), {QUrl::fromLocalFile(QString::fromStdString(photos.string()))}, middle),
              Qt::CopyAction);
    ASSERT_TRUE(eventually([&] { return window.store().items().size() == names.size(); }));
    ASSERT_TRUE(eventually([&] { return window.store().estimatedBytes().has_value(); }));
    QCoreApplication::processEvents();
    EXPECT_FALSE(window.showsDropZone());
    EXPECT_EQ(window.band()->summary().countLabel, QStringLiteral("4 IMAGES"));
    const auto* bytes = std::get_if<BandSummary::Bytes>(&window.band()->summary().figure);
    ASSERT_NE(bytes, nullptr);
    EXPECT_TRUE(bytes->output.has_value());
    // Every card in view shows its preview and its estimate.
    for (const QUuid& id : window.grid()->order()) {
        const ImageCard* card = window.grid()->card(id);
        EXPECT_TRUE(eventually([&] { return !card->thumbnail().isNull(); })) << card->item().displayName.toStdString();
        EXPECT_TRUE(card->statusText().contains(QStringLiteral("\u2192")));
    }

    // "In a folder…" from the band's destination menu asks for the folder; the user types it.
    QTimer answer;
    answer.setInterval(20);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) return;
        answer.stop();
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        // The path is pasted into the name field, then the dialog is accepted.
        name->setFocus();
        name->setText(QString::fromStdString(output.string()));
        QTest::keyClick(name, Qt::Key_Return);
    });
    answer.start();
    click(window.band()->destinationButton());
    DSMenuWindow* menu = window.band()->destinationMenu().controller().window();
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    DSMenuRowView* inAFolder = menu->panel()->rowView(1);
    EXPECT_EQ(inAFolder->accessibleName(), QStringLiteral("In a folder\u2026, Choose a folder to save into"));
    click(inAFolder);
    const QString saving = QStringLiteral("Saving into ") + DestinationStore::abbreviatedPath(output);
    ASSERT_TRUE(eventually([&] { return window.band()->texts().last() == saving; }))
        << window.band()->texts().join(QLatin1Char('|')).toStdString();

    // Ctrl+E exports; the band counts the files and says where they went.
    QTest::keyClick(window.windowHandle(), Qt::Key_E, Qt::ControlModifier);
    ASSERT_TRUE(eventually([&] { return window.store().exportSummary().has_value() && !window.store().isExporting(); }));
    QCoreApplication::processEvents();
    const auto* done = std::get_if<BandSummary::Done>(&window.band()->summary().figure);
    ASSERT_NE(done, nullptr);
    EXPECT_EQ(done->text, QStringLiteral("4 saved into ") + DestinationStore::abbreviatedPath(output));
    for (const fs::path& name : names) {
        const fs::path written = output / name.filename();
        ASSERT_TRUE(fs::exists(written)) << written;
        const QImage image(QString::fromStdString(written.string()));
        EXPECT_EQ(image.size(), QImage(QString::fromStdString((photos / name).string())).size()) << written;
        // The originals are left as they were.
        EXPECT_TRUE(fs::exists(photos / name));
    }
    EXPECT_TRUE(window.close());
}

} // namespace
