#include "platform/files/FilePath.h"

#include "support/TemporaryFolder.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <tuple>
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
// refused at once, whether the path names them or links to them. A kernel file that claims no
// size and holds text grew past the size it had when it was opened, and a kernel attribute
// file that claims a page and holds a few bytes looks just like a file cut short by another
// program while it is read: neither is taken as the whole file. Every failure names the file.
TEST(ReadWholeFile, FailuresCarryThePathAndTheSystemErrorWithoutWaitingOrReadingOnAndOn) {
    TemporaryFolder folder;
    const auto pipe = folder.file("photo.png");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const auto zeros = folder.file("zeros.png");
    std::filesystem::create_symlink("/dev/zero", zeros);
    std::vector<std::pair<std::filesystem::path, int>> cases = {
        {pipe, EINVAL}, {zeros, EINVAL}, {folder.file("gone.png"), ENOENT}, {folder.path(), EISDIR}};
    if (std::filesystem::is_regular_file("/proc/self/status")) cases.emplace_back("/proc/self/status", EIO);
    const std::filesystem::path attribute = "/sys/devices/system/cpu/online";
    struct stat status {};
    if (::stat(attribute.c_str(), &status) == 0 && status.st_size > 16) cases.emplace_back(attribute, EIO);
    for (const auto& [path, error] : cases) {
        SCOPED_TRACE(path);
        const auto refused = thrown<FileError>([&] { readWholeFile(path); });
        ASSERT_TRUE(refused);
        EXPECT_EQ(std::tuple(refused->errorNumber(), refused->path()), std::tuple(error, path));
        EXPECT_NE(std::string(refused->what()).find(path.string()), std::string::npos);
    }
    // Nobody was left waiting on the pipe: a writer that does not wait finds no reader.
    const int writer = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
    EXPECT_EQ(writer, -1);
    if (writer >= 0) ::close(writer);
    if (::geteuid() != 0) {
        const auto locked = folder.write("locked.png", {1, 2, 3});
        ::chmod(locked.c_str(), 0);
        EXPECT_THROW(readWholeFile(locked), FileError);
    }
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
    // A path below a file cannot exist, nor can a name longer than the disk holds, which a
    // writer looking for a free name must try rather than pass over as taken.
    EXPECT_FALSE(pathExists(folder.file("a.png/inside.png")));
    EXPECT_FALSE(pathExists(folder.file(std::string(256, 'a') + ".png")));
}
