#include "BatchStoreHarness.h"

#include "app/export/ExportWriterError.h"
#include "app/export/ReplacementJournal.h"
#include "app/export/ReplaceRefusal.h"
#include "app/export/SourceVersion.h"
#include "app/export/WorkingFileSweep.h"
#include "platform/files/FileErrorText.h"
#include "support/TemporaryMount.h"
#include "support/Thrown.h"

#include <QCryptographicHash>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace pictavo;
using namespace batch_testing;
using platform::Bytes;
using platform::FileError;
using testing_support::TemporaryFolder;
using testing_support::thrown;

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

// The writer on its own, replacing originals in a folder with the user's Trash beside it.
class SafeReplacement : public testing::Test, protected ExportScene {
protected:
    fs::path original() {
        std::ofstream(originals() / "photo.png") << "old pixels";
        return originals() / "photo.png";
    }
    static ExportWriting::VersionCheck recordedCheck(const fs::path& path) {
        return SourceVersion::check(SourceVersion::read(path));
    }
};

TEST_F(SafeReplacement, AnotherOutputNameTakesTheNextFreeNameAndNeverLeavesTheOriginalsFolder) {
    const fs::path photo = original();
    std::ofstream(originals() / "photo.webp") << "someone else's";
    const fs::path written = writer_.replaceOriginal(photo, bytesOf("webp"), "photo.webp", recordedCheck(photo));
    EXPECT_EQ(written, originals() / "photo-1.webp");
    EXPECT_EQ(textOf(originals() / "photo.webp"), "someone else's");
    EXPECT_EQ(textOf(written), "webp");
    EXPECT_FALSE(fs::exists(photo));

    const fs::path second = original();
    const fs::path escaped = writer_.replaceOriginal(second, bytesOf("x"), "../escaped.png", recordedCheck(second));
    EXPECT_EQ(escaped.parent_path(), originals());
    EXPECT_FALSE(fs::exists(root_.path() / "escaped.png"));
    EXPECT_THROW(writer_.write(bytesOf("x"), originals(), ".."), FileError);
    // A plain write that fails names the file it could not write.
    const auto error = thrown<FileError>([&] { writer_.write(bytesOf("x"), originals() / "gone", "photo.jpg"); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->errorNumber(), ENOENT);
    EXPECT_EQ(error->path().filename(), "photo.jpg");
}

// Beside a photo whose name is as long as a name may be, the free name is the original's
// shortened before its number, and the original stays as it was.
TEST_F(SafeReplacement, BesideAnOriginalWithTheLongestNameTheNumberedNameIsShortenedToFit) {
    const std::string longest = std::string(251, 'a') + ".jpg";
    std::ofstream(originals() / longest) << "old pixels";
    const fs::path written = writer_.write(bytesOf("new"), originals(), longest);
    EXPECT_EQ(written, originals() / (std::string(249, 'a') + "-1.jpg"));
    EXPECT_EQ(textOf(written), "new");
    EXPECT_EQ(textOf(originals() / longest), "old pixels");
}

// An original edited after its version was recorded is refused through the store (see the
// batch replacement tests); one whose version was never recorded is refused here.
TEST_F(SafeReplacement, AnOriginalWithoutARecordedVersionIsNeverReplaced) {
    const fs::path photo = original();
    EXPECT_THROW(writer_.replaceOriginal(photo, bytesOf("new"), "photo.png", SourceVersion::check(std::nullopt)),
                 ReplaceRefusal);
    EXPECT_THROW(writer_.replaceOriginal(photo, bytesOf("new"), "photo.png", {}), ReplaceRefusal);
    EXPECT_EQ(textOf(photo), "old pixels");
    EXPECT_FALSE(temporaryFilesLeft());
}

// On a disk without hard links, an original changed once in the Trash goes back to its path
// while the path is free. A file that appears there after the path was found free, while the
// original is in the Trash or just before it is put back, is never replaced: it is kept, and
// the changed original stays in the Trash.
TEST_F(SafeReplacement, AnOriginalChangedInTheTrashIsPutBackUnlessANewcomerTookItsPath) {
    enum class Newcomer { none, whileInTrash, justBeforePutBack };
    for (const Newcomer newcomer : {Newcomer::none, Newcomer::whileInTrash, Newcomer::justBeforePutBack}) {
        SCOPED_TRACE(static_cast<int>(newcomer));
        ExportScene fresh;
        fresh.files_.linkError = EPERM;
        const fs::path photo = fresh.originals() / "photo.png";
        std::ofstream(photo) << "old pixels";
        const auto check = recordedCheck(photo);
        fresh.trash_.afterTrashing = [&](const TrashedItem& item) {
            std::ofstream(item.filesPath, std::ios::app) << " edited";
            if (newcomer == Newcomer::whileInTrash) std::ofstream(photo) << "a newcomer";
        };
        if (newcomer == Newcomer::justBeforePutBack) {
            fresh.trash_.beforePutBack = [](const fs::path& to) { std::ofstream(to) << "a newcomer"; };
        }

        if (newcomer == Newcomer::none) {
            EXPECT_THROW(fresh.writer_.replaceOriginal(photo, bytesOf("new"), "photo.png", check), ReplaceRefusal);
            EXPECT_EQ(textOf(photo), "old pixels edited");
            EXPECT_TRUE(fresh.trashed().empty());
            EXPECT_TRUE(fresh.entries(fresh.trashInfo()).empty());
        } else {
            const auto error = thrown<ExportWriterError>(
                [&] { fresh.writer_.replaceOriginal(photo, bytesOf("new"), "photo.png", check); });
            ASSERT_TRUE(error);
            EXPECT_EQ(error->kind(), ExportWriterError::Kind::changedInTrash);
            EXPECT_EQ(textOf(photo), "a newcomer");
            EXPECT_EQ(fresh.trashed(), std::vector<std::string>{"old pixels edited"});
        }
        EXPECT_FALSE(fresh.temporaryFilesLeft());
    }
}

// On a disk without hard links the original's name stands free for a moment.
TEST_F(SafeReplacement, AFileThatTakesTheFinalNameFirstIsKeptAndTheNextNameUsed) {
    files_.linkError = EPERM;
    const fs::path photo = original();
    files_.beforeMove = [&](const fs::path& to) {
        if (to == photo) std::ofstream(photo) << "a newcomer";
    };
    const fs::path written = writer_.replaceOriginal(photo, bytesOf("new"), "photo.png", recordedCheck(photo));
    EXPECT_EQ(written, originals() / "photo-1.png");
    EXPECT_EQ(textOf(photo), "a newcomer");
    EXPECT_EQ(textOf(written), "new");
    EXPECT_FALSE(temporaryFilesLeft());
}

// Qt's Trash froze the window on a name whose record did not fit and on a record folder it
// could not write; the replacement now either finishes or fails at once, losing nothing.
TEST_F(SafeReplacement, ALongNameIsReplacedAndARefusingTrashLeavesTheOriginalAsItWas) {
    const std::string longName = std::string(246, 'a') + ".png";
    std::ofstream(originals() / longName) << "old pixels";
    const fs::path photo = originals() / longName;
    EXPECT_EQ(writer_.replaceOriginal(photo, bytesOf("new"), longName, recordedCheck(photo)), photo);
    EXPECT_EQ(textOf(photo), "new");
    EXPECT_EQ(trashed(), std::vector<std::string>{"old pixels"});
    ASSERT_EQ(entries(trashInfo()).size(), 1u);
    EXPECT_LE(entries(trashInfo()).front().string().size(), 255u);

    const fs::path second = original();
    ::chmod(trashInfo().c_str(), 0500);
    std::optional<testing_support::TemporaryMount> readOnly;
    if (::geteuid() == 0) readOnly = testing_support::TemporaryMount::readOnly(trashInfo());
    if (::geteuid() != 0 || readOnly) {
        const auto error = thrown<ExportWriterError>(
            [&] { writer_.replaceOriginal(second, bytesOf("new"), "photo.png", recordedCheck(second)); });
        ASSERT_TRUE(error);
        EXPECT_EQ(error->kind(), ExportWriterError::Kind::trashRefused);
        EXPECT_EQ(textOf(second), "old pixels");
        EXPECT_EQ(entries(trashInfo()).size(), 1u);
        EXPECT_FALSE(temporaryFilesLeft());
    }
    readOnly.reset();
    ::chmod(trashInfo().c_str(), 0700);
}

// The disks a replacement meets: one with every primitive, one without hard links, and one
// with neither hard links nor the no-replace rename, as exFAT and FAT through FUSE, where a
// move claims its target as an empty file before renaming over it.
enum class Disk { ordinary, withoutLinks, withoutLinksOrNoReplaceRename };

// The real file operations, with the process killed after the chosen one, as kill -9 would;
// a claim counts a step as it is made, before the rename fills it.
class KillingFileOperations : public platform::FileOperations {
public:
    KillingFileOperations(int killAfter, Disk disk) : killAfter_(killAfter), disk_(disk) {}
    void step() {
        if (++done_ == killAfter_) ::raise(SIGKILL);
    }
    void writeExclusive(const fs::path& path, const Bytes& bytes, std::optional<mode_t> permissions) override {
        FileOperations::writeExclusive(path, bytes, permissions);
        step();
    }
    void moveNoReplace(const fs::path& from, const fs::path& to, const platform::ClaimNotice& noteClaim) override {
        FileOperations::moveNoReplace(from, to, noteClaim);
        step();
    }
    void moveOverOwnClaim(const fs::path& from, const fs::path& claim) override {
        step();
        FileOperations::moveOverOwnClaim(from, claim);
    }
    void linkNoReplace(const fs::path& from, const fs::path& to) override {
        if (disk_ != Disk::ordinary) throw FileError(to, EPERM, platform::FileOperation::move);
        FileOperations::linkNoReplace(from, to);
        step();
    }
    void exchange(const fs::path& first, const fs::path& second) override {
        FileOperations::exchange(first, second);
        step();
    }
    void removeFile(const fs::path& path) noexcept override {
        FileOperations::removeFile(path);
        step();
    }
    bool syncFolder(const fs::path& folder) noexcept override {
        const bool synced = FileOperations::syncFolder(folder);
        step();
        return synced;
    }

protected:
    int renameNoReplace(const fs::path& from, const fs::path& to) override {
        if (disk_ != Disk::withoutLinksOrNoReplaceRename) return FileOperations::renameNoReplace(from, to);
        errno = EINVAL;
        return -1;
    }

private:
    int killAfter_;
    Disk disk_;
    int done_ = 0;
};

// Runs `work` in a child process, which it may kill; false when the child was not killed.
bool killedInChild(const std::function<void()>& work) {
    const pid_t child = ::fork();
    if (child == 0) {
        try {
            work();
        } catch (...) {
        }
        ::_exit(0);
    }
    int status = 0;
    for (int waited = 0; waited < 3000 && ::waitpid(child, &status, WNOHANG) == 0; ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!WIFEXITED(status) && !WIFSIGNALED(status)) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
        ADD_FAILURE() << "the child process hung";
        return false;
    }
    return WIFSIGNALED(status);
}

// Replaces the scene's photo in a child process killed after its n-th step (a check counts a
// step as it starts and as it ends); false when the replacement ended before that step.
bool replaceKilledAfter(ExportScene& scene, int killAfter, const std::string& outputName, Disk disk = Disk::ordinary) {
    const fs::path photo = scene.originals() / "photo.png";
    const auto recorded = SourceVersion::check(SourceVersion::read(photo));
    return killedInChild([&] {
        KillingFileOperations files(killAfter, disk);
        FreedesktopTrash trash(files);
        SystemExportWriter writer(files, trash);
        writer.replaceOriginal(photo, bytesOf("new pixels"), outputName, [&](const fs::path& path) {
            files.step();
            recorded(path);
            files.step();
        });
    });
}

// The original is in its place, or in the Trash with its record while its replacement has
// the output name.
testing::AssertionResult accountedFor(const ExportScene& scene, const std::string& outputName) {
    const fs::path photo = scene.originals() / "photo.png";
    if (fs::exists(photo) && textOf(photo) == "old pixels") return testing::AssertionSuccess();
    const std::vector<std::string> inTrash = scene.trashed();
    if (std::find(inTrash.begin(), inTrash.end(), "old pixels") == inTrash.end()) {
        return testing::AssertionFailure() << "the original is lost";
    }
    if (scene.entries(scene.trashInfo()).empty()) return testing::AssertionFailure() << "the Trash has no record of it";
    const fs::path replacement = scene.originals() / outputName;
    if (!fs::exists(replacement) || textOf(replacement) != "new pixels") {
        return testing::AssertionFailure() << "the original is in the Trash and nothing has its name";
    }
    return testing::AssertionSuccess();
}

// Killed at any moment, under the original's name or another, a replacement leaves the
// original in its place or in the Trash with its replacement under its name, and the next
// launch's sweep of working files keeps it so.
TEST(KilledReplacement, EveryOriginalIsInItsPlaceOrInTheTrashWithItsReplacementUnderItsName) {
    for (const std::string outputName : {"photo.png", "photo.webp"}) {
        int killAfter = 1;
        for (bool killed = true; killed; ++killAfter) {
            SCOPED_TRACE(outputName + " killed after step " + std::to_string(killAfter));
            ExportScene scene;
            std::ofstream(scene.originals() / "photo.png") << "old pixels";
            killed = replaceKilledAfter(scene, killAfter, outputName);
            EXPECT_TRUE(accountedFor(scene, outputName));
            WorkingFileSweep::sweepFolder(scene.originals(), WorkingFileSweep::Clock::now() + std::chrono::hours(1));
            EXPECT_TRUE(accountedFor(scene, outputName));
            EXPECT_FALSE(scene.temporaryFilesLeft());
            ASSERT_LT(killAfter, 40);
        }
    }
}

// On a disk without hard links the original's name stands empty between two renames; a kill
// there, or anywhere else, is made good by the next launch's sweep.
TEST(KilledReplacement, OnADiskWithoutHardLinksTheNextSweepFillsTheName) {
    int leftEmpty = 0;
    int killAfter = 1;
    for (bool killed = true; killed; ++killAfter) {
        SCOPED_TRACE("killed after step " + std::to_string(killAfter));
        ExportScene scene;
        const fs::path photo = scene.originals() / "photo.png";
        std::ofstream(photo) << "old pixels";
        killed = replaceKilledAfter(scene, killAfter, "photo.png", Disk::withoutLinks);
        if (!fs::exists(photo)) ++leftEmpty;
        WorkingFileSweep::sweepFolder(scene.originals(), WorkingFileSweep::Clock::now() + std::chrono::hours(1));
        EXPECT_TRUE(accountedFor(scene, "photo.png"));
        EXPECT_EQ(scene.entries(scene.originals()), std::vector<fs::path>{"photo.png"});
        ASSERT_LT(killAfter, 40);
    }
    EXPECT_GT(leftEmpty, 0) << "no kill fell between the two renames";
}

// Where a move claims a name as an empty file and then renames over it, a kill between the
// two, in the folder or in the Trash, under the original's name or another, leaves an empty
// file that the next launch's sweep knows for the replacement's own: the output name ends up
// holding the converted photo or nothing, and the Trash holds no empty item whose record
// would restore it over the original.
TEST(KilledReplacement, OnADiskThatClaimsNamesNoEmptyFileOutlivesTheNextSweep) {
    for (const std::string outputName : {"photo.png", "photo.webp"}) {
        int claimsLeft = 0;
        int killAfter = 1;
        for (bool killed = true; killed; ++killAfter) {
            SCOPED_TRACE(outputName + " killed after step " + std::to_string(killAfter));
            ExportScene scene;
            const fs::path photo = scene.originals() / "photo.png";
            std::ofstream(photo) << "old pixels";
            killed = replaceKilledAfter(scene, killAfter, outputName, Disk::withoutLinksOrNoReplaceRename);
            const auto emptyIn = [&](const fs::path& folder) {
                const std::vector<fs::path> names = scene.entries(folder);
                return std::count_if(names.begin(), names.end(),
                                     [&](const fs::path& name) { return fs::file_size(folder / name) == 0; });
            };
            claimsLeft += static_cast<int>(emptyIn(scene.originals()) + emptyIn(scene.trashFiles()));
            WorkingFileSweep::sweepFolder(scene.originals(), WorkingFileSweep::Clock::now() + std::chrono::hours(1));
            EXPECT_TRUE(accountedFor(scene, outputName));
            EXPECT_EQ(emptyIn(scene.originals()), 0);
            EXPECT_EQ(emptyIn(scene.trashFiles()), 0);
            EXPECT_FALSE(scene.temporaryFilesLeft());
            for (const fs::path& name : scene.entries(scene.originals())) {
                EXPECT_TRUE(name == "photo.png" || name == outputName) << name;
            }
            if (outputName != "photo.png" && fs::exists(scene.originals() / outputName)) {
                EXPECT_EQ(textOf(scene.originals() / outputName), "new pixels");
            }
            for (const fs::path& item : scene.entries(scene.trashFiles())) {
                EXPECT_TRUE(fs::exists(scene.trashInfo() / (item.string() + ".trashinfo"))) << item;
            }
            ASSERT_LT(killAfter, 40);
        }
        EXPECT_GE(claimsLeft, 2) << "no kill fell between a claim and its rename";
    }
}

// The next launch's sweep, killed between its own claim and the rename over it, leaves the
// claim noted for the launch after, which finishes the replacement under the photo's name.
TEST(KilledReplacement, ASweepCutShortInItsOwnClaimIsFinishedByTheNext) {
    ExportScene scene;
    const fs::path photo = scene.originals() / "photo.png";
    std::ofstream(photo) << "old pixels";
    const platform::ReplacementRecord record{"photo.png", platform::readFileStamp(photo)};
    const fs::path working = scene.originals() / ".export-0F6E2B9C-3A1D-4C5E-9B7A-1E2F3A4B5C6D";
    std::ofstream(working) << "new pixels";
    platform::writeHeldReplacementRecord(ReplacementJournal::pathFor(working), record);
    // Cut short with the original gone to the Trash and the name still free.
    FreedesktopTrash().moveToTrash(photo);

    EXPECT_TRUE(killedInChild([&] {
        KillingFileOperations files(1, Disk::withoutLinksOrNoReplaceRename);
        FreedesktopTrash trash(files);
        const std::optional<platform::TakenOverRecord> journal =
            platform::takeOverReplacementRecord(ReplacementJournal::pathFor(working));
        SystemExportWriter(files, trash).finishCutShort(working, journal.value());
    }));
    ASSERT_TRUE(fs::exists(photo));
    EXPECT_EQ(fs::file_size(photo), 0u);

    WorkingFileSweep::sweepFolder(scene.originals(), WorkingFileSweep::Clock::now() + std::chrono::hours(1));
    EXPECT_EQ(textOf(photo), "new pixels");
    EXPECT_EQ(scene.entries(scene.originals()), std::vector<fs::path>{"photo.png"});
    EXPECT_EQ(scene.trashed(), std::vector<std::string>{"old pixels"});
}

// A folder that refuses the converted file its name leaves the original where it is, or,
// where the disk has no hard links and the original had already left, puts it back.
TEST_F(SafeReplacement, AFolderRefusingTheFinalNameLeavesTheOriginalInItsPlace) {
    enum class Disk { withLinks, withoutLinks };
    for (const Disk disk : {Disk::withLinks, Disk::withoutLinks}) {
        for (const std::string outputName : {"photo.png", "photo.webp"}) {
            SCOPED_TRACE(outputName + (disk == Disk::withLinks ? " with links" : " without links"));
            ExportScene fresh;
            const fs::path photo = fresh.originals() / "photo.png";
            std::ofstream(photo) << "old pixels";
            const auto check = recordedCheck(photo);
            if (disk == Disk::withoutLinks) fresh.files_.linkError = EPERM;
            fresh.files_.refuseMovesInto = std::make_pair(fresh.originals(), EROFS);
            fresh.trash_.beforePutBack = [&](const fs::path&) { fresh.files_.refuseMovesInto.reset(); };

            const auto error = thrown<FileError>([&] { fresh.writer_.replaceOriginal(photo, bytesOf("new"), outputName, check); });
            ASSERT_TRUE(error);
            EXPECT_EQ(error->errorNumber(), EROFS);
            EXPECT_EQ(textOf(photo), "old pixels");
            EXPECT_EQ(fresh.entries(fresh.originals()), std::vector<fs::path>{"photo.png"});
            EXPECT_TRUE(fresh.entries(fresh.trashFiles()).empty());
            EXPECT_TRUE(fresh.entries(fresh.trashInfo()).empty());
        }
    }
}

// A file another program puts at the original's path once the original is checked in the
// Trash is never what leaves: it keeps its name, and the original is not replaced.
TEST_F(SafeReplacement, ANewcomerAtTheOriginalsPathKeepsItsName) {
    const fs::path photo = original();
    trash_.afterTrashing = [&](const TrashedItem&) {
        std::ofstream(originals() / "incoming") << "a newcomer";
        fs::rename(originals() / "incoming", photo);
    };
    EXPECT_THROW(writer_.replaceOriginal(photo, bytesOf("new"), "photo.png", recordedCheck(photo)), ReplaceRefusal);
    EXPECT_EQ(textOf(photo), "a newcomer");
    EXPECT_EQ(entries(originals()), std::vector<fs::path>{"photo.png"});
    EXPECT_TRUE(entries(trashInfo()).empty());
}

// Another program writes through the original's path (as cp, ">" or an editor's save in
// place do) just before the swap, while the Trash entry is still a second name of the file
// there: its bytes stay at the path and nothing is claimed, also when a newcomer then takes
// the path.
TEST_F(SafeReplacement, AWriteThroughThePathJustBeforeTheSwapStaysAtThePath) {
    for (const bool newcomer : {false, true}) {
        SCOPED_TRACE(newcomer ? "a newcomer at the path afterwards" : "the path left alone afterwards");
        ExportScene fresh;
        const fs::path photo = fresh.originals() / "photo.png";
        std::ofstream(photo) << "old pixels";
        const auto recorded = recordedCheck(photo);
        fresh.files_.beforeExchange = [&](const fs::path& second) {
            if (second == photo) std::ofstream(photo, std::ios::trunc) << "another program's";
            fresh.files_.beforeExchange = nullptr;
        };
        const auto check = [&](const fs::path& path) {
            if (newcomer && path != photo) {
                std::ofstream(fresh.originals() / "incoming") << "a newcomer";
                fs::rename(fresh.originals() / "incoming", photo);
            }
            recorded(path);
        };

        if (newcomer) {
            const auto error =
                thrown<ExportWriterError>([&] { fresh.writer_.replaceOriginal(photo, bytesOf("new"), "photo.png", check); });
            ASSERT_TRUE(error);
            EXPECT_EQ(error->kind(), ExportWriterError::Kind::changedInTrash);
            EXPECT_EQ(textOf(photo), "a newcomer");
            EXPECT_EQ(fresh.trashed(), std::vector<std::string>{"another program's"});
        } else {
            EXPECT_THROW(fresh.writer_.replaceOriginal(photo, bytesOf("new"), "photo.png", check), ReplaceRefusal);
            EXPECT_EQ(textOf(photo), "another program's");
            EXPECT_TRUE(fresh.trashed().empty());
            EXPECT_TRUE(fresh.entries(fresh.trashInfo()).empty());
        }
        EXPECT_EQ(fresh.entries(fresh.originals()), std::vector<fs::path>{"photo.png"});
    }
}

TEST_F(SafeReplacement, WorkingFileThatCannotBeWrittenIsReportedUnderTheFinalName) {
    const fs::path photo = original();
    files_.writeExclusiveError = EACCES;
    const auto error = thrown<FileError>([&] { writer_.replaceOriginal(photo, bytesOf("new"), "photo.webp", recordedCheck(photo)); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->errorNumber(), EACCES);
    EXPECT_EQ(error->path(), originals() / "photo.webp");
    EXPECT_EQ(platform::fileErrorDescription(*error),
              "You don't have permission to save the file \"photo.webp\" in the folder \"photos\".");
    EXPECT_EQ(textOf(photo), "old pixels");
}

TEST(SourceVersions, EmptyFileHasTheDigestOfNoBytesAndEqualContentsEqualVersions) {
    TemporaryFolder folder;
    const auto empty = SourceVersion::read(folder.write("empty", {}));
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->byteCount, 0);
    EXPECT_EQ(empty->digest, QCryptographicHash::hash(QByteArray(), QCryptographicHash::Sha256));

    Bytes large(3 * (1 << 20) + 17);
    for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<std::uint8_t>(i * 7);
    const auto a = SourceVersion::read(folder.write("a", large));
    const auto b = SourceVersion::read(folder.write("b", large));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->byteCount, static_cast<std::int64_t>(large.size()));
    EXPECT_EQ(a, b);
    large.back() ^= 1;
    EXPECT_NE(a, SourceVersion::read(folder.write("c", large)));

    EXPECT_FALSE(SourceVersion::read(folder.file("missing")));
    EXPECT_FALSE(SourceVersion::read(folder.path()));
    const fs::path pipe = folder.file("photo.png");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    // Opening a pipe for reading would wait for a writer forever; the read must come back.
    EXPECT_FALSE(SourceVersion::read(pipe));
}

TEST(SourceVersions, FileReplacedUnderItsPathWhileReadHasNone) {
    TemporaryFolder folder;
    // Two large files take turns at the path, faster than one can be read.
    const fs::path x = folder.write("x", Bytes(16 << 20, 1));
    const fs::path y = folder.write("y", Bytes(16 << 20, 2));
    const fs::path path = folder.file("photo.png");
    const fs::path incoming = folder.file("incoming");
    ASSERT_EQ(::link(x.c_str(), path.c_str()), 0);
    // Left alone, the same file has a version.
    EXPECT_TRUE(SourceVersion::read(path));
    std::atomic<bool> stop = false;
    std::thread swapper([&] {
        for (bool second = true; !stop; second = !second) {
            ::link((second ? y : x).c_str(), incoming.c_str());
            ::rename(incoming.c_str(), path.c_str());
        }
    });
    bool sawNone = false;
    for (int i = 0; i < 20 && !sawNone; ++i) sawNone = !SourceVersion::read(path);
    stop = true;
    swapper.join();
    EXPECT_TRUE(sawNone);
}

TEST(ReplaceRefusalTexts, SentencesAndDebugFormsCountWhatWouldBeLost) {
    EXPECT_EQ(ReplaceRefusal::wouldLosePages(3, 3).description(),
              "Replacing this would keep page 3 of 3 and lose the other 2, so the original was left as it is.");
    EXPECT_EQ(ReplaceRefusal::wouldLosePages(1, 2).description(),
              "Replacing this would keep page 1 of 2 and lose the other one, so the original was left as it is.");
    EXPECT_EQ(ReplaceRefusal::wouldLosePages(1, 12000).diagnostic(), "replaceRefused(pages 1 of 12000)");
    EXPECT_EQ(ReplaceRefusal::wouldLoseImages(24).description(),
              "This file holds 24 images and replacing it would keep only one, so the original was left as it is.");
    EXPECT_STREQ(ReplaceRefusal::folderNotOpened().what(), ReplaceRefusal::folderNotOpened().description().c_str());
}

} // namespace
