// Measures the application window as a user meets it, on a real X server (run it under
// xvfb-run -a -s "-screen 0 1400x900x24 -br"; the black root lets a window's first paint show):
//
//   pictavo-window-bench start PICTAVO [--runs N]
//       Starts the application binary N times (20 by default), each with folders of its own,
//       and times from the start of the process to the first pixel it paints in its window.
//   pictavo-window-bench drop [--count N] [--size WxH]
//       Drops a folder of N photos (1000 by default, 1600x1067 JPEG) on a main window and
//       times until every card shows and until every estimate is in, with the longest gap
//       between two turns of the main thread's event loop meanwhile; then scrolls through the
//       whole grid so that every card makes its preview, and reports the memory in use and
//       the most threads the process had while estimating and while scrolling.
//   pictavo-window-bench beside PHOTOS [FILE...] [--seconds S] [--photos-later]
//       Drops the files, then every photo of the folder PHOTOS, on a main window and times when
//       each card shows, shows its preview and shows its estimate (600 s at most): the photos'
//       last of each, and each big file's. With --photos-later the photos are a second drop,
//       made once the files' cards show.
//
// The last line is one JSON object with the figures.
#include "app/desktop/BackgroundWork.h"
#include "app/desktop/FolderAsker.h"
#include "app/export/DestinationStore.h"
#include "app/export/PathBookmarks.h"
#include "app/settings/MemoryUserDefaults.h"
#include "app/settings/SettingsStore.h"
#include "app/shell/BatchGrid.h"
#include "app/shell/DesktopShellServices.h"
#include "app/shell/ImageCard.h"
#include "app/shell/MainWindow.h"
#include "app/shell/OpenedFiles.h"
// Test support for the photos only: a header of Qt alone, which the bench links already.
#include "tests/support/PaintedPhoto.h"

#include <QApplication>
#include <QScreen>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTimer>

#include <nlohmann/json.hpp>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <cstdlib>
#include <fstream>
#include <map>
#include <iostream>
#include <thread>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace pictavo;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

[[noreturn]] void usage(const std::string& problem) {
    std::cerr << "pictavo-window-bench: " << problem << "\n"
              << "usage: pictavo-window-bench start PICTAVO [--runs N]\n"
              << "       pictavo-window-bench drop [--count N] [--size WxH]\n"
              << "       pictavo-window-bench beside PHOTOS [FILE...] [--seconds S] [--photos-later]\n";
    std::exit(2);
}

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A folder of the run's own, removed at the end.
class Scratch {
public:
    Scratch() {
        std::string pattern = (fs::temp_directory_path() / "pictavo-window-bench-XXXXXX").string();
        root_ = ::mkdtemp(pattern.data());
    }
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    // A new private folder inside.
    fs::path folder(const std::string& name) const {
        fs::create_directories(root_ / name);
        ::chmod((root_ / name).c_str(), 0700);
        return root_ / name;
    }

private:
    fs::path root_;
};

// ---- start: process start to first painted pixel --------------------------------------------

struct Display {
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = 0;

    Display() {
        int number = 0;
        connection = xcb_connect(nullptr, &number);
        if (xcb_connection_has_error(connection)) usage("no X display to measure on");
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
        for (int i = 0; i < number; ++i) xcb_screen_next(&screens);
        root = screens.data->root;
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(connection);
    }
    ~Display() { xcb_disconnect(connection); }

    std::optional<std::uint32_t> pixel(xcb_window_t window, int x, int y) const {
        xcb_get_image_reply_t* reply = xcb_get_image_reply(
            connection, xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, std::int16_t(x), std::int16_t(y), 1,
                                      1, ~0u),
            nullptr);
        if (!reply) return std::nullopt;
        std::uint32_t value = 0;
        std::memcpy(&value, xcb_get_image_data(reply), std::min<int>(4, xcb_get_image_data_length(reply)));
        std::free(reply);
        return value;
    }

    // The next event of the kind, waiting at most `seconds`.
    template <typename Test>
    bool waitFor(Test test, double seconds) {
        const auto start = Clock::now();
        while (millisecondsSince(start) < seconds * 1000) {
            if (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
                const bool found = test(event);
                std::free(event);
                if (found) return true;
            } else {
                ::usleep(200);
            }
        }
        return false;
    }
};

std::optional<double> timeToFirstPaint(Display& display, const std::string& binary) {
    Scratch scratch;
    const std::vector<std::pair<std::string, fs::path>> folders = {{"XDG_RUNTIME_DIR", scratch.folder("runtime")},
                                                                   {"XDG_CONFIG_HOME", scratch.folder("config")},
                                                                   {"XDG_CACHE_HOME", scratch.folder("cache")},
                                                                   {"XDG_DATA_HOME", scratch.folder("data")}};
    const auto start = Clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        for (const auto& [name, folder] : folders) ::setenv(name.c_str(), folder.c_str(), 1);
        ::execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    // The first window shown at full size is the main window; until it paints, its pixels are
    // the black root's.
    xcb_window_t window = 0;
    std::optional<double> painted;
    const bool mapped = display.waitFor(
        [&](xcb_generic_event_t* event) {
            if ((event->response_type & 0x7f) != XCB_MAP_NOTIFY) return false;
            const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
            xcb_get_geometry_reply_t* geometry =
                xcb_get_geometry_reply(display.connection, xcb_get_geometry(display.connection, map->window), nullptr);
            const bool large = geometry && geometry->width >= 720 && geometry->height >= 480;
            std::free(geometry);
            if (large) window = map->window;
            return large;
        },
        30);
    if (mapped) {
        while (millisecondsSince(start) < 30000) {
            const auto value = display.pixel(window, 560, 380);
            if (value && *value != 0) {
                painted = millisecondsSince(start);
                break;
            }
        }
    }
    ::kill(child, SIGTERM);
    int status = 0;
    ::waitpid(child, &status, 0);
    display.waitFor(
        [&](xcb_generic_event_t* event) {
            return (event->response_type & 0x7f) == XCB_DESTROY_NOTIFY &&
                   reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window == window;
        },
        5);
    return painted;
}

int measureStart(const std::string& binary, int runs) {
    Display display;
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const auto time = timeToFirstPaint(display, binary);
        if (!time) usage("the window did not paint within 30 s");
        times.push_back(*time);
        std::cerr << "start " << run + 1 << ": " << *time << " ms\n";
    }
    std::sort(times.begin(), times.end());
    const double median = times.size() % 2 ? times[times.size() / 2]
                                           : (times[times.size() / 2 - 1] + times[times.size() / 2]) / 2;
    std::cout << nlohmann::json{{"runs", runs},
                                {"firstPaintMedianMs", median},
                                {"firstPaintMinMs", times.front()},
                                {"firstPaintMaxMs", times.back()}}
                     .dump()
              << std::endl;
    return 0;
}

// ---- drop: a thousand files at once ----------------------------------------------------------

// A number from the process's status, such as "VmRSS:" (in KiB) or "Threads:".
std::int64_t statusField(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with(field)) return std::stoll(line.substr(field.size()));
    }
    return 0;
}

std::int64_t residentBytes() { return statusField("VmRSS:") * 1024; }

// The longest time between two turns of the main thread's event loop, while it runs, and
// the most threads the process had meanwhile (looked at every 20 ms).
class StallWatch {
public:
    StallWatch() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const double now = clock_.nsecsElapsed() / 1e6;
            longest_ = std::max(longest_, now - last_);
            last_ = now;
            if (now - lastCounted_ >= 20) {
                mostThreads_ = std::max(mostThreads_, statusField("Threads:"));
                lastCounted_ = now;
            }
        });
    }
    void start() {
        longest_ = 0;
        mostThreads_ = 0;
        clock_.start();
        last_ = 0;
        lastCounted_ = -20;
        timer_.start();
    }
    double stop() {
        timer_.stop();
        return longest_;
    }
    std::int64_t mostThreads() const { return mostThreads_; }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    double last_ = 0;
    double longest_ = 0;
    double lastCounted_ = 0;
    std::int64_t mostThreads_ = 0;
};

class NoFolder : public FolderAsker {
public:
    std::optional<fs::path> ask(PanelPurpose) override { return std::nullopt; }
};

bool runUntil(const std::function<bool()>& condition, double seconds) {
    const auto start = Clock::now();
    while (!condition()) {
        if (millisecondsSince(start) > seconds * 1000) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// The application object as the application itself starts it, with folders of the run's own.
struct BenchApplication {
    BenchApplication(int& argc, char** argv) : application(argc, argv) {
        limitQtPaintingThreads();
        QApplication::setOrganizationName(QStringLiteral("Fenwid"));
        QApplication::setApplicationName(QStringLiteral("Pictavo-window-bench"));
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(scratch.folder("runtime").string()));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(scratch.folder("data").string()));
    }
    QApplication application;
    Scratch scratch;
};

// A main window with the stores the application gives it, shown and settled.
struct BenchWindow {
    BenchWindow() {
        window.show();
        runUntil([&] { return window.isVisible(); }, 10);
        QCoreApplication::processEvents();
    }
    MemoryUserDefaults defaults;
    PathBookmarks bookmarks;
    NoFolder asker;
    SettingsStore settings{defaults};
    DestinationStore destinations{defaults, bookmarks, asker};
    OpenedFiles opened;
    DesktopShellServices services;
    const ConversionEngine engine{DecoderRegistry::standard(), EncoderRegistry::standard(),
                                  SourceOptimiserRegistry::standard()};
    MainWindow window{settings, destinations, opened, services, engine};
};

int measureDrop(int argc, char** argv, int count, int width, int height) {
    BenchApplication application(argc, argv);
    const Scratch& scratch = application.scratch;
    const fs::path photos = scratch.folder("photos");
    const auto writing = Clock::now();
    for (int i = 0; i < count; ++i) {
        const fs::path path = photos / ("photo " + std::to_string(i) + ".jpg");
        support::paintedPhoto(width, height, i).save(QString::fromStdString(path.string()), "JPEG", 90);
    }
    std::cerr << "wrote " << count << " photos in " << millisecondsSince(writing) / 1000 << " s\n";

    BenchWindow bench;
    MainWindow& window = bench.window;
    const std::int64_t emptyBytes = residentBytes();

    StallWatch stalls;
    stalls.start();
    const auto dropped = Clock::now();
    window.acceptDrop({QUrl::fromLocalFile(QString::fromStdString(photos.string()))});
    if (!runUntil([&] { return window.grid()->order().size() == count; }, 600)) usage("the cards did not all show");
    QCoreApplication::processEvents();
    const double cardsShownMs = millisecondsSince(dropped);
    const double stallWhileAdding = stalls.stop();
    stalls.start();
    if (!runUntil([&] { return window.store().estimatedBytes().has_value(); }, 3600)) usage("estimates never ended");
    const double estimatedMs = millisecondsSince(dropped);
    const double stallWhileEstimating = stalls.stop();
    const std::int64_t threadsWhileEstimating = stalls.mostThreads();
    const std::int64_t estimatedBytes = residentBytes();

    // Every card comes into view once, so that every preview is made.
    stalls.start();
    const auto scrolling = Clock::now();
    QScrollBar* bar = window.grid()->verticalScrollBar();
    for (int value = 0;; value += bar->pageStep()) {
        bar->setValue(std::min(value, bar->maximum()));
        runUntil(
            [&] {
                for (const QUuid& id : window.grid()->order()) {
                    const ImageCard* card = window.grid()->card(id);
                    const QRect shown(0, bar->value(), window.grid()->viewport()->width(),
                                      window.grid()->viewport()->height());
                    if (card->geometry().intersects(shown) && card->thumbnail().isNull()) return false;
                }
                return true;
            },
            120);
        if (value >= bar->maximum()) break;
    }
    const double previewsMs = millisecondsSince(scrolling);
    const double stallWhileScrolling = stalls.stop();
    const std::int64_t threadsWhileScrolling = stalls.mostThreads();
    const std::int64_t withPreviewsBytes = residentBytes();

    std::cout << nlohmann::json{{"files", count},
                                {"pixels", std::to_string(width) + "x" + std::to_string(height)},
                                {"cardsShownMs", cardsShownMs},
                                {"longestStallWhileAddingMs", stallWhileAdding},
                                {"allEstimatedMs", estimatedMs},
                                {"longestStallWhileEstimatingMs", stallWhileEstimating},
                                {"mostThreadsWhileEstimating", threadsWhileEstimating},
                                {"processors", std::thread::hardware_concurrency()},
                                {"allPreviewsMadeWhileScrollingMs", previewsMs},
                                {"longestStallWhileScrollingMs", stallWhileScrolling},
                                {"mostThreadsWhileScrolling", threadsWhileScrolling},
                                {"residentEmptyWindowMiB", emptyBytes / 1048576.0},
                                {"residentAfterEstimatesMiB", estimatedBytes / 1048576.0},
                                {"residentWithEveryPreviewMiB", withPreviewsBytes / 1048576.0},
                                {"thumbnailCacheMiB", window.loader().cachedBytes() / 1048576.0}}
                     .dump()
              << std::endl;
    return 0;
}

// ---- beside: photos dropped with big files ------------------------------------------------------

// When something first became true of a card, in seconds since the drop.
struct CardTimes {
    std::optional<double> shown, preview, estimate;
};

nlohmann::json timesOf(const std::vector<CardTimes>& cards) {
    const auto last = [&](std::optional<double> CardTimes::*field) -> nlohmann::json {
        double latest = 0;
        for (const CardTimes& card : cards) {
            if (!(card.*field)) return nullptr;
            latest = std::max(latest, *(card.*field));
        }
        return latest;
    };
    nlohmann::json each = nlohmann::json::array();
    for (const CardTimes& card : cards) {
        const auto orNull = [](std::optional<double> time) -> nlohmann::json {
            return time ? nlohmann::json(*time) : nlohmann::json(nullptr);
        };
        each.push_back({orNull(card.shown), orNull(card.preview), orNull(card.estimate)});
    }
    return {{"lastCardS", last(&CardTimes::shown)},
            {"lastPreviewS", last(&CardTimes::preview)},
            {"lastEstimateS", last(&CardTimes::estimate)},
            {"eachShownPreviewEstimateS", each}};
}

// Drops the big files, then every photo of the folder, on a main window, and times when each
// card shows, shows its preview and shows its estimate (or failure), until all have or
// `seconds` have passed. With `photosLater` the photos are a second drop, once the big
// files' cards show, and times are counted from it.
int measureBeside(int argc, char** argv, const fs::path& photoFolder, const std::vector<fs::path>& bigFiles,
                  double seconds, bool photosLater) {
    BenchApplication application(argc, argv);
    std::vector<fs::path> photos;
    for (const auto& entry : fs::directory_iterator(photoFolder)) photos.push_back(entry.path());
    std::sort(photos.begin(), photos.end());
    BenchWindow bench;
    MainWindow& window = bench.window;
    // As large as the screen, so that every card is near enough to the view to ask for its preview.
    window.resize(window.screen()->availableGeometry().size());
    QCoreApplication::processEvents();
    QList<QUrl> bigUrls, photoUrls;
    for (const auto& file : bigFiles) bigUrls.push_back(QUrl::fromLocalFile(QString::fromStdString(file.string())));
    for (const auto& file : photos) photoUrls.push_back(QUrl::fromLocalFile(QString::fromStdString(file.string())));
    const QList<QUrl> urls = bigUrls + photoUrls;

    std::map<fs::path, CardTimes> times;
    if (photosLater) {
        window.acceptDrop(bigUrls);
        if (!runUntil([&] { return window.store().items().size() == bigFiles.size(); }, seconds))
            usage("the big files' cards did not show");
    }
    const auto dropped = Clock::now();
    window.acceptDrop(photosLater ? photoUrls : urls);
    const auto everyCardAnswered = [&] {
        const double now = millisecondsSince(dropped) / 1000;
        for (const BatchItem& item : window.store().items()) {
            CardTimes& card = times[item.url];
            if (!card.shown) card.shown = now;
            const ImageCard* view = window.grid()->card(item.id);
            if (!card.preview && view && !view->thumbnail().isNull()) card.preview = now;
            if (!card.estimate && (std::holds_alternative<BatchItem::Estimated>(item.state) || item.isFailed()))
                card.estimate = now;
        }
        return times.size() == static_cast<std::size_t>(urls.size()) &&
               std::all_of(times.begin(), times.end(), [](const auto& card) {
                   return card.second.preview && card.second.estimate;
               });
    };
    runUntil(everyCardAnswered, seconds);

    std::vector<CardTimes> ofPhotos, ofBigFiles;
    for (const auto& file : photos) ofPhotos.push_back(times[file]);
    nlohmann::json big = nlohmann::json::object();
    for (const auto& file : bigFiles) big[file.filename().string()] = timesOf({times[file]});
    std::cout << nlohmann::json{{"photos", photos.size()},
                                {"photoTimes", timesOf(ofPhotos)},
                                {"bigFiles", big},
                                {"memoryBoundMiB", bench.engine.pixelMemory()->capacity() / 1048576.0},
                                {"mostHeldMiB", bench.engine.pixelMemory()->mostHeldBytes() / 1048576.0}}
                     .dump()
              << std::endl;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) usage("a mode is needed");
    const std::string mode = argv[1];
    if (mode == "start") {
        if (argc < 3) usage("start needs the application binary");
        int runs = 20;
        for (int i = 3; i + 1 < argc; i += 2) {
            if (std::string(argv[i]) == "--runs") runs = std::stoi(argv[i + 1]);
        }
        return measureStart(argv[2], runs);
    }
    if (mode == "drop") {
        int count = 1000, width = 1600, height = 1067;
        for (int i = 2; i + 1 < argc; i += 2) {
            const std::string option = argv[i];
            if (option == "--count") {
                count = std::stoi(argv[i + 1]);
            } else if (option == "--size") {
                const std::string size = argv[i + 1];
                width = std::stoi(size.substr(0, size.find('x')));
                height = std::stoi(size.substr(size.find('x') + 1));
            } else {
                usage("unknown option " + option);
            }
        }
        return measureDrop(argc, argv, count, width, height);
    }
    if (mode == "beside") {
        if (argc < 3) usage("beside needs a folder of photos");
        double seconds = 600;
        bool photosLater = false;
        std::vector<fs::path> bigFiles;
        for (int i = 3; i < argc; ++i) {
            if (std::string(argv[i]) == "--seconds" && i + 1 < argc) seconds = std::stod(argv[++i]);
            else if (std::string(argv[i]) == "--photos-later") photosLater = true;
            else bigFiles.emplace_back(argv[i]);
        }
        return measureBeside(argc, argv, argv[2], bigFiles, seconds, photosLater);
    }
    usage("unknown mode " + mode);
}
