#include "support/TemporaryFolder.h"

#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <memory>
#include <optional>

#ifndef PICTAVO_SOURCE_DIR
#define PICTAVO_SOURCE_DIR "."
#endif
#ifndef PICTAVO_BINARY
#define PICTAVO_BINARY "pictavo"
#endif

namespace {

namespace fs = std::filesystem;

template <typename Reply>
using Owned = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply>
Owned<Reply> own(Reply* reply) {
    return Owned<Reply>(reply, &std::free);
}

QString desktopEntry(const QString& key) {
    QFile file(QStringLiteral(PICTAVO_SOURCE_DIR "/app/shell/install/com.brackwen.pictavobyfenwid.desktop"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(key.toUtf8() + '=')) return QString::fromUtf8(line.mid(key.size() + 1)).trimmed();
    }
    return {};
}

// The two halves of WM_CLASS, instance and class, of every full-sized window on screen.
std::vector<std::pair<QString, QString>> shownWindowClasses(xcb_connection_t* connection) {
    std::vector<std::pair<QString, QString>> classes;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const auto tree = own(xcb_query_tree_reply(connection, xcb_query_tree(connection, screen->root), nullptr));
    if (!tree) return classes;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        const auto attributes =
            own(xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, children[i]), nullptr));
        const auto geometry = own(xcb_get_geometry_reply(connection, xcb_get_geometry(connection, children[i]), nullptr));
        if (!attributes || !geometry || attributes->map_state != XCB_MAP_STATE_VIEWABLE || geometry->width < 720) continue;
        const auto property = own(xcb_get_property_reply(
            connection,
            xcb_get_property(connection, 0, children[i], XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256),
            nullptr));
        if (!property) continue;
        const QByteArray value(static_cast<const char*>(xcb_get_property_value(property.get())),
                               xcb_get_property_value_length(property.get()));
        const QList<QByteArray> halves = value.split('\0');
        if (halves.size() >= 2) classes.emplace_back(QString::fromUtf8(halves[0]), QString::fromUtf8(halves[1]));
    }
    return classes;
}

TEST(WindowClass, TheApplicationsWindowCarriesTheClassItsDesktopEntryNames) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        GTEST_SKIP() << "needs an X display: tools/test runs these tests under xvfb-run";
    }
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    ASSERT_NE(x11, nullptr);
    xcb_connection_t* connection = x11->connection();
    const QString expected = desktopEntry(QStringLiteral("StartupWMClass"));
    ASSERT_FALSE(expected.isEmpty());

    testing_support::TemporaryFolder root;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    for (const char* name : {"XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"}) {
        const fs::path folder = root.path() / name;
        fs::create_directories(folder);
        fs::permissions(folder, fs::perms::owner_all);
        environment.insert(QString::fromLatin1(name), QString::fromStdString(folder.string()));
    }
    QProcess application;
    application.setProcessEnvironment(environment);
    application.start(QStringLiteral(PICTAVO_BINARY), {});
    ASSERT_TRUE(application.waitForStarted(10000));

    std::vector<std::pair<QString, QString>> classes;
    const QDeadlineTimer deadline(60000);
    while (classes.empty() && !deadline.hasExpired()) {
        QTest::qWait(50);
        classes = shownWindowClasses(connection);
    }
    application.terminate();
    application.waitForFinished(30000);
    ASSERT_EQ(classes.size(), 1u) << "the main window shows";
    // Desktops match the entry's StartupWMClass against the class half of WM_CLASS.
    EXPECT_EQ(classes.front().second.toStdString(), expected.toStdString());
    EXPECT_EQ(classes.front().first.toStdString(), "pictavo");
}

} // namespace
