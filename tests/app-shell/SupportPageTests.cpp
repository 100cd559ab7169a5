#include "ShellTesting.h"

#include "app/shell/SupportPage.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

using namespace pictavo;
using namespace shell_testing;

QString sourceReadme() { return QStringLiteral(PICTAVO_SOURCE_DIR "/README.md"); }

QUrl fileUrl(const QString& path) { return QUrl::fromLocalFile(QFileInfo(path).canonicalFilePath()); }

TEST(SupportPage, ANamedPageWinsThenTheInstalledReadmeThenTheSourceTreesAndNoneWhenNothingIsThere) {
    testing_support::TemporaryFolder root;
    const QString prefix = QString::fromStdString((root.path() / "prefix").string());
    const QString program = prefix + QStringLiteral("/bin");
    ASSERT_TRUE(QDir().mkpath(program));

    EXPECT_EQ(SupportPage::resolve(QStringLiteral("https://help.example.org/pictavo/"), program, sourceReadme()),
              QUrl(QStringLiteral("https://help.example.org/pictavo/")));
    // Run from a build tree: nothing is installed beside the program.
    EXPECT_EQ(SupportPage::resolve(QString(), program, sourceReadme()), fileUrl(sourceReadme()));
    // A setting that is no address opens the documentation rather than nothing.
    EXPECT_EQ(SupportPage::resolve(QStringLiteral("not an address"), program, sourceReadme()),
              fileUrl(sourceReadme()));
    EXPECT_EQ(SupportPage::resolve(QString(), program, prefix + QStringLiteral("/gone/README.md")), std::nullopt);

    // What cmake --install puts in place is what the program finds from its own folder.
    QProcess install;
    install.start(QStringLiteral(PICTAVO_CMAKE),
                  {QStringLiteral("--install"), QStringLiteral(PICTAVO_BINARY_DIR), QStringLiteral("--prefix"), prefix,
                   QStringLiteral("--component"), QStringLiteral("documentation")});
    ASSERT_TRUE(install.waitForFinished(60000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().toStdString();
    const QString installed = SupportPage::installedReadme(program);
    EXPECT_TRUE(installed.startsWith(prefix + QStringLiteral("/share/doc/"))) << installed.toStdString();
    QFile copy(installed);
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    QFile original(sourceReadme());
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), original.readAll());
    EXPECT_EQ(SupportPage::resolve(QString(), program, sourceReadme()), fileUrl(installed));
}

class SupportActionTest : public testing::Test, protected WindowScene {};

// This build names no support page and its tests run from the build tree.
TEST_F(SupportActionTest, HelpsSupportItemOpensTheSourceTreesReadme) {
    ASSERT_TRUE(window->supportAction()->isEnabled());
    window->supportAction()->trigger();
    ASSERT_EQ(services.webPages.size(), 1);
    EXPECT_EQ(services.webPages.front(), fileUrl(sourceReadme()));
}

} // namespace
