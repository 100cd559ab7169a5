#include "app/design/DSMenuPanel.h"
#include "app/design/DSMenuWindow.h"
#include "app/shell/BatchGrid.h"
#include "app/shell/HeroBand.h"
#include "app/shell/ImageCard.h"
#include "app/shell/MainWindow.h"
#include "app/shell/PictavoByFenwidApp.h"
#include "support/TemporaryFolder.h"

#include <QDropEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using namespace pictavo;
namespace fs = std::filesystem;

bool eventually(const std::function<bool()>& condition, int milliseconds = 60000) {
    const QDeadlineTimer deadline(milliseconds);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

// Something like a photo: a sky, a hill and grain, so that it compresses as a photo does.
void writePhoto(const fs::path& path, int width, int height, int seed) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor::fromHsv((200 + seed * 23) % 360, 120, 230));
    sky.setColorAt(1, QColor::fromHsv((30 + seed * 41) % 360, 90, 250));
    painter.fillRect(image.rect(), sky);
    painter.setBrush(QColor::fromHsv((100 + seed * 13) % 360, 160, 120));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(width * 0.3, height * 1.1), width * 0.8, height * 0.5);
    painter.end();
    QRandomGenerator grain(static_cast<quint32>(seed));
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int noise = int(grain.bounded(13)) - 6;
            row[x] = qRgb(std::clamp(qRed(row[x]) + noise, 0, 255), std::clamp(qGreen(row[x]) + noise, 0, 255),
                          std::clamp(qBlue(row[x]) + noise, 0, 255));
        }
    }
    ASSERT_TRUE(image.save(QString::fromStdString(path.string()), nullptr, 92));
}

// Puts an environment variable to a folder of the test's own for its length.
class FolderVariable {
public:
    FolderVariable(const char* name, const fs::path& folder) : name_(name) {
        if (qEnvironmentVariableIsSet(name)) saved_ = qgetenv(name);
        fs::create_directories(folder);
        ::chmod(folder.c_str(), 0700);
        qputenv(name, QByteArray::fromStdString(folder.string()));
    }
    ~FolderVariable() {
        if (saved_) {
            qputenv(name_, *saved_);
        } else {
            qunsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<QByteArray> saved_;
};

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

class WindowEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            GTEST_SKIP() << "needs an X display: tools/test runs these tests under xvfb-run";
        }
    }

    testing_support::TemporaryFolder root;
    FolderVariable config{"XDG_CONFIG_HOME", root.path() / "config"};
    FolderVariable runtime{"XDG_RUNTIME_DIR", root.path() / "runtime"};
    FolderVariable data{"XDG_DATA_HOME", root.path() / "data"};
    FolderVariable cache{"XDG_CACHE_HOME", root.path() / "cache"};
};

TEST_F(WindowEndToEnd, AFolderOfPhotosDroppedOnTheWindowIsEstimatedAndExportedIntoAChosenFolder) {
    const fs::path photos = root.path() / "Holiday";
    const fs::path output = root.path() / "Converted";
    fs::create_directories(photos / "Day two");
    fs::create_directories(output);
    const std::vector<fs::path> names = {"beach.jpg", "harbour.jpg", "Day two/hills.png", "Day two/market.jpg"};
    for (std::size_t i = 0; i < names.size(); ++i) writePhoto(photos / names[i], 1200 - int(i) * 90, 800, int(i));

    PictavoByFenwidApp app;
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
