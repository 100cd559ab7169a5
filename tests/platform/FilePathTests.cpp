#include "platform/files/FilePath.h"

#include "support/TemporaryFolder.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;
using testing_support::TemporaryFolder;
using testing_support::thrown;

TEST(ReadWholeFile, ReadsEveryByteOfSmallEmptyAndLargeFiles) {
    TemporaryFolder folder;
    Bytes large(3 * 1024 * 1024 + 17);
    for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<std::uint8_t>(i * 31 + (i >> 11));
    EXPECT_EQ(readWholeFile(folder.write("large.bin", large)), large);
    EXPECT_EQ(readWholeFile(folder.write("empty.bin", {})), Bytes{});
    EXPECT_EQ(readWholeFile(folder.write("nul.bin", {0, 1, 0})), (Bytes{0, 1, 0}));
}

// A source another program turned into a pipe would hold the reading thread until someone
// writes to it, and a device like /dev/zero would be read until memory runs out: both are
// refused at once, naming the file, whether the path names them or links to them.
TEST(ReadWholeFile, PipesAndDevicesAreRefusedWithoutWaitingOrReading) {
    TemporaryFolder folder;
    const auto pipe = folder.file("photo.png");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const auto zeros = folder.file("zeros.png");
    std::filesystem::create_symlink("/dev/zero", zeros);
    for (const auto& path : {pipe, zeros}) {
        SCOPED_TRACE(path);
        const auto refused = thrown<FileError>([&] { readWholeFile(path); });
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->errorNumber(), EINVAL);
        EXPECT_EQ(refused->path(), path);
    }
    // Nobody was left waiting on the pipe: a writer that does not wait finds no reader.
    const int writer = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
    EXPECT_EQ(writer, -1);
    if (writer >= 0) ::close(writer);

    // A kernel file claims no size and holds text: to a reader it is a file that grew past
    // the size it had when it was opened, which is read no further.
    const std::filesystem::path growing = "/proc/self/status";
    if (!std::filesystem::is_regular_file(growing)) GTEST_SKIP() << "no /proc";
    const auto grew = thrown<FileError>([&] { readWholeFile(growing); });
    ASSERT_TRUE(grew);
    EXPECT_EQ(grew->errorNumber(), EIO);
}

TEST(ReadWholeFile, FailuresCarryThePathAndTheSystemError) {
    TemporaryFolder folder;
    const auto missing = folder.file("gone.png");
    const auto gone = thrown<FileError>([&] { readWholeFile(missing); });
    ASSERT_TRUE(gone);
    EXPECT_EQ(gone->path(), missing);
    EXPECT_EQ(gone->errorNumber(), ENOENT);
    EXPECT_NE(std::string(gone->what()).find(missing.string()), std::string::npos);
    const auto folderRead = thrown<FileError>([&] { readWholeFile(folder.path()); });
    EXPECT_EQ(folderRead ? folderRead->errorNumber() : 0, EISDIR);
    if (::geteuid() != 0) {
        const auto locked = folder.write("locked.png", {1, 2, 3});
        ::chmod(locked.c_str(), 0);
        EXPECT_THROW(readWholeFile(locked), FileError);
    }

    // Kernel attribute files claim a page and hold a few bytes: to a reader they look just
    // like a file cut short by another program while it is read.
    const std::filesystem::path attribute = "/sys/devices/system/cpu/online";
    struct stat status {};
    if (::stat(attribute.c_str(), &status) != 0 || status.st_size <= 16) GTEST_SKIP() << "no kernel attribute file";
    const auto shortRead = thrown<FileError>([&] { readWholeFile(attribute); });
    ASSERT_TRUE(shortRead) << "a short read was taken as the whole file";
    EXPECT_EQ(shortRead->errorNumber(), EIO);
    EXPECT_EQ(shortRead->path(), attribute);
}

TEST(PathText, ExtensionsFollowThePlatformRules) {
    // Path, its extension, and the path without it.
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"/tmp/scratch.tiff", "tiff", "/tmp/scratch"}, {"a.tar.gz", "gz", "a.tar"},
        {".tiff", "", ".tiff"}, {"/tmp/.hidden", "", "/tmp/.hidden"},
        {".scratch.tiff", "tiff", ".scratch"}, {"photo.", "", "photo."},
        {"/tmp.d/README", "", "/tmp.d/README"}, {"/tmp/scratch.tiff/", "tiff", "/tmp/scratch"},
        {"Holiday.JPG", "JPG", "Holiday"}, {"/tmp/", "", "/tmp"},
        {"/", "", "/"}, {"", "", ""},
    };
    for (const auto& [path, extension, without] : cases) {
        EXPECT_EQ(pathExtension(path), extension) << path;
        EXPECT_EQ(deletingPathExtension(path), without) << path;
    }
}

TEST(PathText, LastComponentAndJoining) {
    for (const auto& [path, last] : {std::pair{"/tmp/scratch.tiff", "scratch.tiff"}, {"/tmp/", "tmp"},
                                     {"scratch", "scratch"}, {"/", "/"}, {"", ""}})
        EXPECT_EQ(lastPathComponent(path), last) << path;
    EXPECT_EQ(appendingPathComponent("/tmp/out/", "a.png"), std::filesystem::path("/tmp/out/a.png"));
    // A component that looks absolute still lands inside the folder.
    EXPECT_EQ(appendingPathComponent("/tmp/out", "/etc/passwd"), std::filesystem::path("/tmp/out/etc/passwd"));
}

TEST(PathExists, CountsFilesFoldersAndDanglingLinks) {
    TemporaryFolder folder;
    EXPECT_TRUE(pathExists(folder.path()));
    EXPECT_FALSE(pathExists(folder.file("none.png")));
    EXPECT_FALSE(pathExists(folder.file("none/inside.png")));
    EXPECT_TRUE(pathExists(folder.write("a.png", {1})));
    std::filesystem::create_symlink(folder.file("nowhere"), folder.file("link.png"));
    EXPECT_TRUE(pathExists(folder.file("link.png")));
    // A path below a file cannot exist.
    EXPECT_FALSE(pathExists(folder.file("a.png/inside.png")));
}
