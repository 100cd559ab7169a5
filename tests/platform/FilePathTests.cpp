#include "platform/FilePath.h"

#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace platform;
using testing_support::TemporaryFolder;

TEST(ReadWholeFile, ReadsEveryByteOfSmallEmptyAndLargeFiles) {
    TemporaryFolder folder;
    Bytes large(3 * 1024 * 1024 + 17);
    for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<std::uint8_t>(i * 31 + (i >> 11));
    EXPECT_EQ(readWholeFile(folder.write("large.bin", large)), large);
    EXPECT_EQ(readWholeFile(folder.write("empty.bin", {})), Bytes{});
    EXPECT_EQ(readWholeFile(folder.write("nul.bin", {0, 1, 0})), (Bytes{0, 1, 0}));
}

TEST(ReadWholeFile, ReadsSpecialFilesToTheirEnd) {
    // A named pipe reports no size; everything written into it must still arrive.
    TemporaryFolder folder;
    const auto pipe = folder.file("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    Bytes sent(200'000);
    for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<std::uint8_t>(i % 251);
    std::thread writer([&] {
        const int out = ::open(pipe.c_str(), O_WRONLY);
        std::size_t written = 0;
        while (out >= 0 && written < sent.size()) {
            const ssize_t n = ::write(out, sent.data() + written, sent.size() - written);
            if (n <= 0) break;
            written += static_cast<std::size_t>(n);
        }
        if (out >= 0) ::close(out);
    });
    const Bytes received = readWholeFile(pipe);
    writer.join();
    EXPECT_EQ(received, sent);
}

TEST(ReadWholeFile, FailuresCarryThePathAndTheSystemError) {
    TemporaryFolder folder;
    const auto missing = folder.file("gone.png");
    try {
        readWholeFile(missing);
        FAIL() << "a missing file was read";
    } catch (const FileError& error) {
        EXPECT_EQ(error.path(), missing);
        EXPECT_EQ(error.errorNumber(), ENOENT);
        EXPECT_NE(std::string(error.what()).find(missing.string()), std::string::npos);
    }
    try {
        readWholeFile(folder.path());
        FAIL() << "a folder was read";
    } catch (const FileError& error) {
        EXPECT_EQ(error.errorNumber(), EISDIR);
    }
    if (::geteuid() != 0) {
        const auto locked = folder.write("locked.png", {1, 2, 3});
        ::chmod(locked.c_str(), 0);
        EXPECT_THROW(readWholeFile(locked), FileError);
    }
}

TEST(PathText, ExtensionsFollowThePlatformRules) {
    EXPECT_EQ(pathExtension("/tmp/scratch.tiff"), "tiff");
    EXPECT_EQ(pathExtension("a.tar.gz"), "gz");
    EXPECT_EQ(pathExtension(".tiff"), "");
    EXPECT_EQ(pathExtension("/tmp/.hidden"), "");
    EXPECT_EQ(pathExtension(".scratch.tiff"), "tiff");
    EXPECT_EQ(pathExtension("photo."), "");
    EXPECT_EQ(pathExtension("README"), "");
    EXPECT_EQ(pathExtension("/tmp.d/README"), "");
    EXPECT_EQ(pathExtension("/tmp/scratch.tiff/"), "tiff");
    EXPECT_EQ(pathExtension("Holiday.JPG"), "JPG");
    EXPECT_EQ(pathExtension(""), "");

    EXPECT_EQ(deletingPathExtension("/tmp/scratch.tiff"), "/tmp/scratch");
    EXPECT_EQ(deletingPathExtension("a.tar.gz"), "a.tar");
    EXPECT_EQ(deletingPathExtension(".tiff"), ".tiff");
    EXPECT_EQ(deletingPathExtension("photo."), "photo.");
    EXPECT_EQ(deletingPathExtension("/tmp.d/README"), "/tmp.d/README");
    EXPECT_EQ(deletingPathExtension("/tmp/"), "/tmp");
    EXPECT_EQ(deletingPathExtension("/"), "/");
}

TEST(PathText, LastComponentAndJoining) {
    EXPECT_EQ(lastPathComponent("/tmp/scratch.tiff"), "scratch.tiff");
    EXPECT_EQ(lastPathComponent("/tmp/"), "tmp");
    EXPECT_EQ(lastPathComponent("scratch"), "scratch");
    EXPECT_EQ(lastPathComponent("/"), "/");
    EXPECT_EQ(lastPathComponent(""), "");

    EXPECT_EQ(appendingPathComponent("/tmp/out", "a.png"), std::filesystem::path("/tmp/out/a.png"));
    EXPECT_EQ(appendingPathComponent("/tmp/out/", "a.png"), std::filesystem::path("/tmp/out/a.png"));
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

TEST(ReadWholeFile, AFileShorterThanItsSizeIsAReadError) {
    // Kernel attribute files claim a page and hold a few bytes: to a reader they look just
    // like a file cut short by another program while it is read.
    const std::filesystem::path attribute = "/sys/devices/system/cpu/online";
    struct stat status {};
    if (::stat(attribute.c_str(), &status) != 0 || status.st_size <= 16) GTEST_SKIP() << "no kernel attribute file";
    try {
        readWholeFile(attribute);
        FAIL() << "a short read was taken as the whole file";
    } catch (const FileError& error) {
        EXPECT_EQ(error.errorNumber(), EIO);
        EXPECT_EQ(error.path(), attribute);
    }
}
