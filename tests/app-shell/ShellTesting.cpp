#include "ShellTesting.h"

#include <QCoreApplication>
#include <QImage>
#include <QTest>
#include <QWindow>

namespace shell_testing {

fs::path writePhoto(const fs::path& path, int width, int height, int seed) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, qRgb((x * 255 / width + seed * 40) % 256, (y * 255 / height) % 256, (x * y + seed) % 256));
        }
    }
    fs::create_directories(path.parent_path());
    image.save(QString::fromStdString(path.string()));
    return path;
}

WindowScene::WindowScene() {
    fs::create_directories(photos());
    fs::create_directories(output());
    window = std::make_unique<pictavo::MainWindow>(settings, destinations, openedFiles, services, engine);
    window->show();
}

void settle() {
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

void click(QWidget* widget) {
    const QPoint at = widget->mapTo(widget->window(), widget->rect().center());
    QTest::mousePress(widget->window()->windowHandle(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(widget->window()->windowHandle(), Qt::LeftButton, {}, at);
    settle();
}

QList<QUrl> urlsOf(const std::vector<fs::path>& paths) {
    QList<QUrl> urls;
    for (const auto& path : paths) urls.append(QUrl::fromLocalFile(QString::fromStdString(path.string())));
    return urls;
}

std::vector<fs::path> WindowScene::addPhotos(int count, const std::string& extension) {
    std::vector<fs::path> paths;
    for (int i = 0; i < count; ++i) {
        paths.push_back(writePhoto(photos() / ("photo " + std::to_string(i) + extension), 64 + i, 48, i));
    }
    bool done = false;
    auto connection = QObject::connect(window.get(), &pictavo::MainWindow::importFinished, [&] { done = true; });
    window->importFiles(urlsOf(paths));
    eventually([&] { return done; });
    QObject::disconnect(connection);
    return paths;
}

bool WindowScene::estimatesSettle() {
    return eventually([this] { return window->store().estimatedBytes().has_value(); });
}

bool WindowScene::exportEnds() {
    return eventually([this] { return !window->store().isExporting(); });
}

} // namespace shell_testing
