#include "app/batch/NaturalPathOrder.h"
#include "app/export/PrivateTemporaryFolder.h"
#include "platform/files/FilePath.h"
#include "support/FolderVariable.h"
#include "support/TemporaryFolder.h"

#include <QtGlobal>

#include <gtest/gtest.h>

#include <fstream>
#include <optional>

namespace {

namespace fs = std::filesystem;
using namespace pictavo;
using testing_support::TemporaryFolder;
using testing_support::modeOf;

class PrivateTemporaryFolders : public testing::Test {
protected:
    TemporaryFolder folder_;
    support::FolderVariable runtime_{"XDG_RUNTIME_DIR", folder_.path() / "run"};
    support::FolderVariable cache_{"XDG_CACHE_HOME", folder_.path() / "cache"};
};

TEST_F(PrivateTemporaryFolders, LiveInTheUsersRuntimeFolderClosedToOthers) {
    const fs::path base = privateTemporaryBase();
    EXPECT_EQ(base.parent_path(), folder_.path() / "run");
    EXPECT_EQ(modeOf(base), 0700u);

    const fs::path run = makePrivateTemporaryFolder("replace-");
    EXPECT_EQ(run.parent_path(), base);
    EXPECT_TRUE(run.filename().string().starts_with("replace-"));
    EXPECT_EQ(modeOf(run), 0700u);
    EXPECT_NE(makePrivateTemporaryFolder("replace-"), run);

    // A link planted at the base is refused.
    TemporaryFolder elsewhere;
    fs::remove_all(base);
    fs::create_directory_symlink(elsewhere.path(), base);
    EXPECT_THROW(makePrivateTemporaryFolder("drags"), platform::FileError);
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));
}

TEST_F(PrivateTemporaryFolders, WithoutARuntimeFolderTheCacheIsUsedNeverTheSharedTmp) {
    qunsetenv("XDG_RUNTIME_DIR");
    const fs::path base = privateTemporaryBase();
    EXPECT_TRUE(base.string().starts_with((folder_.path() / "cache").string()));
    EXPECT_EQ(base.filename(), "tmp");
    EXPECT_EQ(modeOf(base), 0700u);

    // A runtime folder that belongs to someone else is not this user's.
    const fs::path theirs = testing_support::someoneElsesFolder(folder_.path() / "theirs");
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(theirs.string()));
    EXPECT_EQ(privateTemporaryBase(), base);
}

// Snapshot folders that killed runs left are removed at the next launch; the one a running
// window holds, and anything that is not such a folder, is kept.
TEST_F(PrivateTemporaryFolders, OnlyFoldersNobodyHoldsAreRemovedAsLeftovers) {
    std::optional<OwnedTemporaryFolder> held = makeOwnedTemporaryFolder("replace-");
    fs::create_directory(held->path / "snapshot");
    const fs::path left = makePrivateTemporaryFolder("replace-");
    fs::create_directory(left / "snapshot");
    std::ofstream(left / "snapshot" / "photo.png") << "a copy";
    const fs::path drags = makePrivateTemporaryFolder("drags");
    std::ofstream(privateTemporaryBase() / "replace-file") << "not a folder";

    EXPECT_EQ(removeUnownedTemporaryFolders("replace-"), 1);
    EXPECT_FALSE(fs::exists(left));
    EXPECT_TRUE(fs::exists(held->path / "snapshot"));
    EXPECT_TRUE(fs::exists(drags));
    EXPECT_TRUE(fs::exists(privateTemporaryBase() / "replace-file"));

    // Let go, as by a killed process.
    const fs::path released = held->path;
    held.reset();
    EXPECT_EQ(removeUnownedTemporaryFolders("replace-"), 1);
    EXPECT_FALSE(fs::exists(released));
}

TEST(NaturalOrder, NumbersByValueLettersWithoutCaseAndTiesInPlace) {
    std::vector<fs::path> paths = {"/p/b10.png", "/p/B2.png", "/p/a.png", "/p/b2.png", "/p/sub/a1.png", "/p/A.png"};
    sortNaturally(paths);
    EXPECT_EQ(paths, (std::vector<fs::path>{"/p/a.png", "/p/A.png", "/p/B2.png", "/p/b2.png", "/p/b10.png",
                                            "/p/sub/a1.png"}));
}

} // namespace
