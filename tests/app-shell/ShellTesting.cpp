#include "ShellTesting.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <QPainter>
#include <QThread>

#include <sys/stat.h>

namespace shell_testing {

bool eventually(const std::function<bool()>& condition) {
    const QDeadlineTimer deadline(30000);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

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

namespace {

std::optional<QByteArray> replaceVariable(const char* name, const fs::path& value) {
    std::optional<QByteArray> saved;
    if (qEnvironmentVariableIsSet(name)) saved = qgetenv(name);
    fs::create_directories(value);
    ::chmod(value.c_str(), 0700);
    qputenv(name, QByteArray::fromStdString(value.string()));
    return saved;
}

void restoreVariable(const char* name, const std::optional<QByteArray>& saved) {
    if (saved) {
        qputenv(name, *saved);
    } else {
        qunsetenv(name);
    }
}

} // namespace

WindowScene::WindowScene() {
    savedRuntime = replaceVariable("XDG_RUNTIME_DIR", root.path() / "runtime");
    savedData = replaceVariable("XDG_DATA_HOME", root.path() / "data");
    fs::create_directories(photos());
    fs::create_directories(output());
    window = std::make_unique<pictavo::MainWindow>(settings, destinations, openedFiles, services);
    window->show();
}

WindowScene::~WindowScene() {
    window.reset();
    restoreVariable("XDG_RUNTIME_DIR", savedRuntime);
    restoreVariable("XDG_DATA_HOME", savedData);
}

std::vector<fs::path> WindowScene::addPhotos(int count, const std::string& extension) {
    std::vector<fs::path> paths;
    QList<QUrl> urls;
    for (int i = 0; i < count; ++i) {
        paths.push_back(writePhoto(photos() / ("photo " + std::to_string(i) + extension), 64 + i, 48, i));
        urls.append(QUrl::fromLocalFile(QString::fromStdString(paths.back().string())));
    }
    bool done = false;
    auto connection = QObject::connect(window.get(), &pictavo::MainWindow::importFinished, [&] { done = true; });
    window->importFiles(urls);
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
