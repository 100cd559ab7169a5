#include "platform/files/FileErrorText.h"
#include "platform/files/FileOperations.h"
#include "platform/files/FileStatus.h"
#include "platform/files/FolderWalk.h"
#include "platform/files/PrivateFolder.h"
#include "platform/files/SafeFileName.h"
#include "support/JPEGSamples.h"
#include "support/TemporaryFolder.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using platform::Bytes;
using platform::FileError;
using platform::FileOperations;
using testing_support::bytesOf;
using testing_support::readFile;
using testing_support::TemporaryFolder;
using testing_support::modeOf;

int errorOf(const std::function<void()>& call) {
    const auto error = testing_support::thrown<FileError>(call);
    return error ? error->errorNumber() : 0;
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class FileOperationsTest : public testing::Test {
protected:
    TemporaryFolder folder_;
    FileOperations& files_ = FileOperations::system();
};

// A file system without anonymous files or the no-replace rename, as FAT and some network
// file systems are.
class OlderFileSystemOperations : public FileOperations {
protected:
    int openAnonymousFile(int) override {
        errno = EOPNOTSUPP;
        return -1;
    }
    int renameNoReplace(const fs::path&, const fs::path&) override {
        errno = EINVAL;
        return -1;
    }
};

// Nor hard links, as exFAT and FAT through FUSE.
class LinklessFileSystemOperations : public OlderFileSystemOperations {
public:
    void linkNoReplace(const fs::path&, const fs::path& to) override {
        throw FileError(to, EPERM, platform::FileOperation::move);
    }
};

TEST_F(FileOperationsTest, NewFilesAndMovesNeverReplaceWhatIsThereOnAnyFileSystemAndLeaveNothingBehind) {
    OlderFileSystemOperations older;
    LinklessFileSystemOperations linkless;
    for (FileOperations* files : {&files_, static_cast<FileOperations*>(&older), static_cast<FileOperations*>(&linkless)}) {
        SCOPED_TRACE(files == &older ? "older file system" : files == &linkless ? "no hard links" : "this file system");
        TemporaryFolder folder;
        files->writeNewFileNoReplace(folder.path(), "a.png", bytesOf("first"));
        EXPECT_EQ(errorOf([&] { files->writeNewFileNoReplace(folder.path(), "a.png", bytesOf("second")); }), EEXIST);
        EXPECT_EQ(readFile(folder.file("a.png")), bytesOf("first"));
        // A dangling link holds its name too: writing through it would create a file elsewhere.
        fs::create_symlink(folder.file("elsewhere"), folder.file("b.png"));
        EXPECT_EQ(errorOf([&] { files->writeNewFileNoReplace(folder.path(), "b.png", bytesOf("x")); }), EEXIST);
        EXPECT_FALSE(fs::exists(folder.file("elsewhere")));
        EXPECT_EQ(errorOf([&] { files->writeNewFileNoReplace(folder.file("missing"), "c.png", bytesOf("x")); }), ENOENT);
        // No partly written or provisional file is left behind.
        EXPECT_EQ(namesIn(folder.path()), (std::vector<std::string>{"a.png", "b.png"}));

        const fs::path from = folder.write("from", bytesOf("moving"));
        EXPECT_EQ(errorOf([&] { files->moveNoReplace(from, folder.file("a.png")); }), EEXIST);
        EXPECT_EQ(readFile(from), bytesOf("moving"));
        EXPECT_EQ(readFile(folder.file("a.png")), bytesOf("first"));
        files->moveNoReplace(from, folder.file("free"));
        EXPECT_FALSE(fs::exists(from));
        EXPECT_EQ(readFile(folder.file("free")), bytesOf("moving"));
        EXPECT_EQ(errorOf([&] { files->moveNoReplace(from, folder.file("again")); }), ENOENT);
    }
}

// Only a disk with neither the no-replace rename nor hard links claims a move's target as an
// empty file; whoever asked is told of the claim before it is made, and a refusal to note it
// stops the move with nothing claimed.
TEST_F(FileOperationsTest, AMovesClaimIsToldBeforeItIsMadeAndOnlyWhereTheDiskNeedsOne) {
    OlderFileSystemOperations older;
    LinklessFileSystemOperations linkless;
    for (FileOperations* files : {&files_, static_cast<FileOperations*>(&older), static_cast<FileOperations*>(&linkless)}) {
        const bool claims = files == &linkless;
        SCOPED_TRACE(claims ? "no hard links" : "hard links");
        const TemporaryFolder folder;
        std::vector<fs::path> told;
        const fs::path from = folder.write("from", bytesOf("moving"));
        files->moveNoReplace(from, folder.file("to"), [&](const fs::path& claim) {
            EXPECT_FALSE(fs::exists(claim));
            told.push_back(claim);
        });
        EXPECT_EQ(readFile(folder.file("to")), bytesOf("moving"));
        EXPECT_EQ(told, claims ? std::vector<fs::path>{folder.file("to")} : std::vector<fs::path>{});

        const auto refuse = [](const fs::path& claim) { throw FileError(claim, ENOSPC, platform::FileOperation::write); };
        if (claims) {
            EXPECT_EQ(errorOf([&] { files->moveNoReplace(folder.file("to"), folder.file("again"), refuse); }), ENOSPC);
        } else {
            files->moveNoReplace(folder.file("to"), folder.file("again"), refuse);
        }
        EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{claims ? "to" : "again"});
    }
}

TEST_F(FileOperationsTest, ExclusiveWritesCarryTheGivenBitsAndRefuseTakenNames) {
    const fs::path working = folder_.file(".export-1");
    files_.writeExclusive(working, bytesOf("data"), 04750);
    EXPECT_EQ(readFile(working), bytesOf("data"));
    // setuid never travels from an original to its replacement.
    EXPECT_EQ(modeOf(working), 0750u);
    EXPECT_EQ(errorOf([&] { files_.writeExclusive(working, bytesOf("other")); }), EEXIST);
    EXPECT_EQ(readFile(working), bytesOf("data"));
    fs::create_symlink(folder_.file("target"), folder_.file("link"));
    EXPECT_EQ(errorOf([&] { files_.writeExclusive(folder_.file("link"), bytesOf("x")); }), EEXIST);
    EXPECT_FALSE(fs::exists(folder_.file("target")));
}

TEST_F(FileOperationsTest, ContentCopiesArePrivateFollowLinksAndRefusePipes) {
    const fs::path source = folder_.write("source.png", bytesOf("pixels"));
    ::chmod(source.c_str(), 0444);
    fs::create_symlink(source, folder_.file("link.png"));
    files_.copyContent(folder_.file("link.png"), folder_.file("copy.png"));
    EXPECT_EQ(readFile(folder_.file("copy.png")), bytesOf("pixels"));
    EXPECT_FALSE(fs::is_symlink(folder_.file("copy.png")));
    // Writable by its owner (it is the working copy) and by nobody else.
    EXPECT_EQ(modeOf(folder_.file("copy.png")), 0600u);
    EXPECT_EQ(errorOf([&] { files_.copyContent(source, folder_.file("copy.png")); }), EEXIST);

    const fs::path pipe = folder_.file("pipe.png");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(errorOf([&] { files_.copyContent(pipe, folder_.file("from-pipe.png")); }), EINVAL);
    EXPECT_FALSE(fs::exists(folder_.file("from-pipe.png")));
}

TEST_F(FileOperationsTest, TreesAreRemovedWithoutFollowingLinksOutOfThem) {
    TemporaryFolder outside;
    outside.write("keep", bytesOf("keep"));
    fs::create_directories(folder_.file("run/a"));
    folder_.write("run/a/snapshot", bytesOf("x"));
    fs::create_directory_symlink(outside.path(), folder_.file("run/link"));
    files_.removeTree(folder_.file("run"));
    EXPECT_EQ(std::tuple(fs::exists(folder_.file("run")), fs::exists(outside.file("keep"))), std::tuple(false, true));
    files_.removeTree(folder_.file("run"));
    EXPECT_EQ(std::tuple(files_.syncFolder(folder_.path()), files_.syncFolder(folder_.file("run"))), std::tuple(true, false));
}

TEST(FolderWalk, RegularFilesAtEveryDepthWithoutHiddenEntriesOrLinks) {
    TemporaryFolder folder;
    fs::create_directories(folder.file("a/b"));
    fs::create_directories(folder.file(".hidden"));
    for (const char* name : {"top.png", "a/middle.png", "a/b/deep.png", ".secret.png", ".hidden/inside.png"})
        folder.write(name, {});
    fs::create_symlink(folder.file("top.png"), folder.file("a/link.png"));
    // A link back up the tree must not make the walk go round for ever.
    fs::create_directory_symlink(folder.path(), folder.file("a/loop"));
    ASSERT_EQ(::mkfifo(folder.file("a/pipe.png").c_str(), 0600), 0);

    auto found = platform::walkRegularFiles(folder.path());
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<fs::path>{folder.file("a/b/deep.png"), folder.file("a/middle.png"),
                                            folder.file("top.png")}));
    EXPECT_TRUE(platform::walkRegularFiles(folder.file("missing")).empty());
}

TEST(PrivateFolders, MadeClosedToOthersAndRefusedWhenALinkStandsThere) {
    TemporaryFolder folder;
    const fs::path base = folder.file("cache/pictavo/tmp");
    platform::ensurePrivateFolder(base);
    EXPECT_EQ(modeOf(base), 0700u);
    // A folder opened up since is closed again.
    ::chmod(base.c_str(), 0777);
    platform::ensurePrivateFolder(base);
    EXPECT_EQ(modeOf(base), 0700u);

    // Someone else's link at the name would route our files to a folder they control.
    fs::create_directory(folder.file("theirs"));
    fs::create_directory_symlink(folder.file("theirs"), folder.file("planted"));
    EXPECT_EQ(errorOf([&] { platform::ensurePrivateFolder(folder.file("planted")); }), EPERM);
    const fs::path owned = testing_support::someoneElsesFolder(folder.file("owned-by-another"));
    EXPECT_EQ(errorOf([&] { platform::ensurePrivateFolder(owned); }), EPERM);

    platform::createPrivateFolder(base / "replace-1");
    EXPECT_EQ(modeOf(base / "replace-1"), 0700u);
    EXPECT_EQ(errorOf([&] { platform::createPrivateFolder(base / "replace-1"); }), EEXIST);
}

TEST(SafeFileNames, OneComponentThatStaysInItsFolderAndFitsTheFileSystem) {
    EXPECT_EQ(platform::oneFileName("../escaped.png"), "..-escaped.png");
    EXPECT_EQ(platform::oneFileName(std::string("a\0b.png", 7)), "a-b.png");
    for (const char* nothing : {"", ".", ".."}) EXPECT_EQ(platform::oneFileName(nothing), std::nullopt) << nothing;
    EXPECT_EQ(platform::oneFileName("photo.webp"), "photo.webp");

    // 200 two-byte letters: cut between letters, and the extension kept.
    std::string longName;
    for (int i = 0; i < 200; ++i) longName += "\u00E9";
    const auto cut = platform::oneFileName(longName + ".jpeg");
    ASSERT_TRUE(cut);
    EXPECT_LE(cut->size(), platform::maximumFileNameBytes);
    EXPECT_TRUE(cut->ends_with("\u00E9.jpeg"));
    EXPECT_EQ(platform::oneFileName(std::string(300, 'a'))->size(), platform::maximumFileNameBytes);
    // Bytes that are not UTF-8 are cut where the limit falls, never down to nothing.
    EXPECT_EQ(platform::oneFileName(std::string(300, '\x89'))->size(), platform::maximumFileNameBytes);
}

TEST(FileStatus, KeysStampsAndKinds) {
    TemporaryFolder folder;
    const fs::path file = folder.write("photo.png", bytesOf("12345"));
    fs::create_symlink(file, folder.file("link.png"));
    EXPECT_EQ(platform::fileKey(folder.file("link.png")), fs::canonical(file));
    EXPECT_EQ(platform::fileKey(folder.path() / "sub/../photo.png"), fs::canonical(file));
    EXPECT_EQ(platform::fileKey(folder.path() / "gone/./x.png"), fs::canonical(folder.path()) / "gone/x.png");

    const auto stamp = platform::readFileStamp(folder.file("link.png"));
    EXPECT_EQ(stamp.byteCount, 5);
    ASSERT_TRUE(stamp.modifiedNanoseconds);
    struct timespec times[2] = {{0, UTIME_OMIT}, {1'700'000'000, 123'456'789}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    EXPECT_EQ(platform::readFileStamp(file).modifiedNanoseconds, 1'700'000'000'123'456'789LL);
    EXPECT_EQ(platform::readFileStamp(folder.file("missing")), platform::FileStamp{});

    EXPECT_EQ(std::tuple(platform::isRegularFile(folder.file("link.png")), platform::isRegularFileNoFollow(folder.file("link.png")),
                         platform::isRegularFileNoFollow(file), platform::isDirectory(folder.path()), platform::isDirectory(file)),
              std::tuple(true, false, true, true, false));
}

TEST(FileErrorText, SentencesNameOnlyTheFileAndItsFolder) {
    const FileError denied("/home/x/Pictures/out/photo.webp", EACCES, platform::FileOperation::write);
    // One kind of quotation mark in a sentence; the system's own words are kept apart.
    EXPECT_EQ(platform::fileErrorDescription(denied),
              "You don't have permission to save the file \"photo.webp\" in the folder \"out\".");
    EXPECT_EQ(platform::fileErrorDiagnostic(denied), "POSIX 13");
    EXPECT_EQ(platform::fileErrorSystemWords(denied), "Permission denied");
    EXPECT_EQ(platform::fileErrorDescription(FileError("/home/x/gone/photo.webp", ENOENT, platform::FileOperation::write)),
              "The file \"photo.webp\" couldn't be saved because the folder \"gone\" isn't there.");
    const FileError full = denied.withPath("/\u2026/photo.png");
    EXPECT_EQ(std::tuple(full.errorNumber(), full.operation()), std::tuple(EACCES, platform::FileOperation::write));
    EXPECT_EQ(platform::fileErrorDescription(FileError("/a/b.png", ENOSPC, platform::FileOperation::write)),
              "The file \"b.png\" couldn't be saved because there isn't enough space.");
    EXPECT_EQ(platform::fileErrorDescription(FileError("/a/b.png", EXDEV, platform::FileOperation::trash)),
              "\"b.png\" couldn't be moved to the Trash.");
    // FAT's answer to a name with ? " * < > | or a backslash.
    EXPECT_EQ(platform::fileErrorDescription(FileError("/a/b?.png", EINVAL, platform::FileOperation::write)),
              "The file \"b?.png\" couldn't be saved because the disk can't hold that name.");
    // A name longer than the disk holds is the name's fault, not that of a file already there.
    EXPECT_EQ(platform::fileErrorDescription(FileError("/a/b.png", ENAMETOOLONG, platform::FileOperation::write)),
              "The file \"b.png\" couldn't be saved because the disk can't hold that name.");
}

} // namespace
