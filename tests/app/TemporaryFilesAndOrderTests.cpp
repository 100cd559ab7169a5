#include "app/batch/NaturalPathOrder.h"
#include "app/batch/PrivateTemporaryFolder.h"
#include "platform/FilePath.h"
#include "support/TemporaryFolder.h"

#include <QtGlobal>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;
using namespace pictavo;
using testing_support::TemporaryFolder;

mode_t modeOf(const fs::path& path) {
    struct stat status {};
    ::lstat(path.c_str(), &status);
    return status.st_mode & 07777;
}

// Points the runtime and cache folders into a temporary folder for the test's length.
class EnvironmentFolders {
public:
    EnvironmentFolders() : runtime_(qgetenv("XDG_RUNTIME_DIR")), cache_(qgetenv("XDG_CACHE_HOME")) {}
    ~EnvironmentFolders() {
        restore("XDG_RUNTIME_DIR", runtime_);
        restore("XDG_CACHE_HOME", cache_);
    }

private:
    static void restore(const char* name, const QByteArray& value) {
        if (value.isEmpty()) {
            qunsetenv(name);
        } else {
            qputenv(name, value);
        }
    }
    QByteArray runtime_;
    QByteArray cache_;
};

TEST(PrivateTemporaryFolders, LiveInTheUsersRuntimeFolderClosedToOthers) {
    EnvironmentFolders restore;
    TemporaryFolder folder;
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(folder.path().string()));
    const fs::path base = privateTemporaryBase();
    EXPECT_EQ(base.parent_path(), folder.path());
    EXPECT_EQ(modeOf(base), 0700u);

    const fs::path run = makePrivateTemporaryFolder("replace-");
    EXPECT_EQ(run.parent_path(), base);
    EXPECT_TRUE(run.filename().string().starts_with("replace-"));
    EXPECT_EQ(modeOf(run), 0700u);
    EXPECT_NE(makePrivateTemporaryFolder("replace-"), run);
}

TEST(PrivateTemporaryFolders, WithoutARuntimeFolderTheCacheIsUsedNeverTheSharedTmp) {
    EnvironmentFolders restore;
    TemporaryFolder folder;
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_CACHE_HOME", QByteArray::fromStdString((folder.path() / "cache").string()));
    const fs::path base = privateTemporaryBase();
    EXPECT_TRUE(base.string().starts_with((folder.path() / "cache").string()));
    EXPECT_EQ(base.filename(), "tmp");
    EXPECT_EQ(modeOf(base), 0700u);

    // A runtime folder that belongs to someone else is not this user's.
    const fs::path theirs = folder.path() / "theirs";
    fs::create_directory(theirs);
    ASSERT_EQ(::chown(theirs.c_str(), 4321, 4321), 0);
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(theirs.string()));
    EXPECT_EQ(privateTemporaryBase(), base);
}

TEST(PrivateTemporaryFolders, ALinkPlantedAtTheBaseIsRefused) {
    EnvironmentFolders restore;
    TemporaryFolder folder;
    TemporaryFolder elsewhere;
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(folder.path().string()));
    const fs::path base = privateTemporaryBase();
    fs::remove(base);
    fs::create_directory_symlink(elsewhere.path(), base);
    EXPECT_THROW(makePrivateTemporaryFolder("drags"), platform::FileError);
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));
}

TEST(NaturalOrder, NumbersByValueLettersWithoutCaseAndTiesInPlace) {
    std::vector<fs::path> paths = {"/p/b10.png", "/p/B2.png", "/p/a.png", "/p/b2.png", "/p/sub/a1.png", "/p/A.png"};
    sortNaturally(paths);
    EXPECT_EQ(paths, (std::vector<fs::path>{"/p/a.png", "/p/A.png", "/p/B2.png", "/p/b2.png", "/p/b10.png",
                                            "/p/sub/a1.png"}));
}

} // namespace
