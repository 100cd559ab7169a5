#include "app/batch/ExportWriterError.h"
#include "app/batch/FreedesktopTrash.h"
#include "app/batch/ReplaceRefusal.h"
#include "app/batch/SourceVersion.h"
#include "app/batch/SystemExportWriter.h"
#include "platform/FileErrorText.h"
#include "support/TemporaryFolder.h"
#include "support/Thrown.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QtGlobal>

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <sys/stat.h>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace pictavo;
using platform::Bytes;
using platform::FileError;
using testing_support::readFile;
using testing_support::TemporaryFolder;
using testing_support::thrown;

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

std::vector<fs::path> entries(const fs::path& folder) {
    std::vector<fs::path> found;
    if (!fs::exists(folder)) return found;
    for (const auto& entry : fs::directory_iterator(folder)) found.push_back(entry.path());
    std::sort(found.begin(), found.end());
    return found;
}

// The real file operations, with one chosen call made to fail as a real file system would.
class FailingFileOperations : public platform::FileOperations {
public:
    std::optional<int> writeExclusiveError, moveError, permissionError;
    int movesBeforeFailing = 0;
    // Runs before each move, as another program could between the free-name probe and the move.
    std::function<void(const fs::path& to)> beforeMove;

    void writeExclusive(const fs::path& path, const Bytes& bytes, std::optional<mode_t> permissions) override {
        if (writeExclusiveError) throw FileError(path, *writeExclusiveError, platform::FileOperation::write);
        FileOperations::writeExclusive(path, bytes, permissions);
    }
    void moveNoReplace(const fs::path& from, const fs::path& to) override {
        if (moveError && movesBeforeFailing-- <= 0) throw FileError(to, *moveError, platform::FileOperation::move);
        if (beforeMove) beforeMove(to);
        FileOperations::moveNoReplace(from, to);
    }
    mode_t permissionBits(const fs::path& path) override {
        if (permissionError) throw FileError(path, *permissionError, platform::FileOperation::read);
        return FileOperations::permissionBits(path);
    }
};

// The user's real Trash, whose moves can be made to fail.
class FailingTrash : public FreedesktopTrash {
public:
    explicit FailingTrash(platform::FileOperations& files) : FreedesktopTrash(files) {}
    std::optional<int> trashError, putBackError;
    // Runs just before an item is put back.
    std::function<void(const fs::path& to)> beforePutBack;
    // Runs once the item is in the Trash, before anything else looks at it.
    std::function<void(const TrashedItem&)> afterTrashing;

    TrashedItem moveToTrash(const fs::path& path) override {
        if (trashError) throw FileError(path, *trashError, platform::FileOperation::trash);
        TrashedItem item = FreedesktopTrash::moveToTrash(path);
        if (afterTrashing) afterTrashing(item);
        return item;
    }
    void putBack(const TrashedItem& item, const fs::path& to) override {
        if (putBackError) throw FileError(to, *putBackError, platform::FileOperation::move);
        if (beforePutBack) beforePutBack(to);
        FreedesktopTrash::putBack(item, to);
    }
};

// A folder of originals and a Trash of its own: XDG_DATA_HOME points inside the same
// temporary folder, so the Trash is on the same disk and is the one the writer uses.
class Scene {
public:
    Scene() : previousDataHome_(qgetenv("XDG_DATA_HOME")), hadDataHome_(qEnvironmentVariableIsSet("XDG_DATA_HOME")) {
        fs::create_directories(root_.path() / "data");
        fs::create_directories(folder());
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString((root_.path() / "data").string()));
    }
    ~Scene() {
        if (hadDataHome_) {
            qputenv("XDG_DATA_HOME", previousDataHome_);
        } else {
            qunsetenv("XDG_DATA_HOME");
        }
    }

public:
    fs::path folder() const { return root_.path() / "photos"; }
    fs::path trashFiles() const { return root_.path() / "data" / "Trash" / "files"; }
    fs::path trashInfo() const { return root_.path() / "data" / "Trash" / "info"; }
    fs::path original(const std::string& name = "photo.png", const std::string& content = "old pixels") {
        const fs::path path = folder() / name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    ExportWriting::VersionCheck recordedCheck(const fs::path& path) { return SourceVersion::check(SourceVersion::read(path)); }
    bool workingFileLeft() const {
        for (const auto& entry : entries(folder())) {
            if (entry.filename().string().rfind(".export-", 0) == 0) return true;
        }
        return false;
    }
    // The old bytes are somewhere the user can find them: in place, or in the Trash.
    bool originalIsSafe(const fs::path& path, const std::string& content) const {
        const Bytes expected = bytesOf(content);
        if (fs::exists(path) && readFile(path) == expected) return true;
        for (const auto& entry : entries(trashFiles())) {
            if (readFile(entry) == expected) return true;
        }
        return false;
    }

    TemporaryFolder root_;
    FailingFileOperations files_;
    FailingTrash trash_{files_};
    SystemExportWriter writer_{files_, trash_};

private:
    QByteArray previousDataHome_;
    bool hadDataHome_;
};

class SafeReplacement : public testing::Test, protected Scene {};

TEST_F(SafeReplacement, NewFileTakesTheOriginalsPlaceAndTheOriginalGoesToTheTrashWithItsRecord) {
    const fs::path photo = original();
    ::chmod(photo.c_str(), 0640);
    const fs::path written = writer_.replaceOriginal(photo, bytesOf("new pixels"), "photo.png", recordedCheck(photo));

    EXPECT_EQ(written, photo);
    EXPECT_EQ(readFile(photo), bytesOf("new pixels"));
    ASSERT_EQ(entries(trashFiles()).size(), 1u);
    EXPECT_EQ(readFile(entries(trashFiles()).front()), bytesOf("old pixels"));
    EXPECT_EQ(entries(trashInfo()).size(), 1u);
    EXPECT_FALSE(workingFileLeft());
    // A private original does not come back readable by others.
    struct stat status {};
    ASSERT_EQ(::stat(photo.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
}

TEST_F(SafeReplacement, AnotherOutputNameTakesTheNextFreeNameBesideFilesAlreadyThere) {
    const fs::path photo = original();
    std::ofstream(folder() / "photo.webp") << "someone else's";
    const fs::path written = writer_.replaceOriginal(photo, bytesOf("webp"), "photo.webp", recordedCheck(photo));

    EXPECT_EQ(written, folder() / "photo-1.webp");
    EXPECT_EQ(readFile(folder() / "photo.webp"), bytesOf("someone else's"));
    EXPECT_EQ(readFile(written), bytesOf("webp"));
    EXPECT_FALSE(fs::exists(photo));
}

TEST_F(SafeReplacement, NameFromThePatternCannotLeaveTheOriginalsFolder) {
    const fs::path photo = original();
    const fs::path written = writer_.replaceOriginal(photo, bytesOf("x"), "../escaped.png", recordedCheck(photo));
    EXPECT_EQ(written.parent_path(), folder());
    EXPECT_FALSE(fs::exists(root_.path() / "escaped.png"));
    EXPECT_THROW(writer_.write(bytesOf("x"), folder(), ".."), FileError);
}

TEST_F(SafeReplacement, OriginalEditedBeforeItsReplacementIsLeftUntouched) {
    const fs::path photo = original();
    const auto check = recordedCheck(photo);
    std::ofstream(photo, std::ios::binary) << "edited elsewhere";

    const auto refusal = thrown<ReplaceRefusal>([&] { writer_.replaceOriginal(photo, bytesOf("new"), "photo.png", check); });
    ASSERT_TRUE(refusal);
    EXPECT_EQ(*refusal, ReplaceRefusal::sourceChanged());
    EXPECT_EQ(readFile(photo), bytesOf("edited elsewhere"));
    EXPECT_TRUE(entries(trashFiles()).empty());
    EXPECT_FALSE(workingFileLeft());
}

TEST_F(SafeReplacement, OriginalWithoutARecordedVersionIsNeverReplaced) {
    const fs::path photo = original();
    EXPECT_THROW(writer_.replaceOriginal(photo, bytesOf("new"), "photo.png", SourceVersion::check(std::nullopt)),
                 ReplaceRefusal);
    EXPECT_THROW(writer_.replaceOriginal(photo, bytesOf("new"), "photo.png", {}), ReplaceRefusal);
    EXPECT_EQ(readFile(photo), bytesOf("old pixels"));
    EXPECT_FALSE(workingFileLeft());
}

TEST_F(SafeReplacement, ChangedInTheTrashWithItsPathFreeIsPutBackWithoutARecordLeft) {
    const fs::path photo = original();
    const auto check = recordedCheck(photo);
    trash_.afterTrashing = [](const TrashedItem& item) { std::ofstream(item.filesPath, std::ios::app) << " edited"; };

    EXPECT_THROW(writer_.replaceOriginal(photo, bytesOf("new"), "photo.png", check), ReplaceRefusal);
    EXPECT_EQ(readFile(photo), bytesOf("old pixels edited"));
    EXPECT_TRUE(entries(trashFiles()).empty());
    EXPECT_TRUE(entries(trashInfo()).empty());
    EXPECT_FALSE(workingFileLeft());
}

TEST_F(SafeReplacement, ChangedInTheTrashWithANewFileAtItsPathStaysInTheTrashAndTheNewFileIsKept) {
    const fs::path photo = original();
    const auto check = recordedCheck(photo);
    trash_.afterTrashing = [&](const TrashedItem& item) {
        std::ofstream(item.filesPath, std::ios::app) << " edited";
        std::ofstream(photo) << "a newcomer";
    };

    const auto error = thrown<ExportWriterError>([&] { writer_.replaceOriginal(photo, bytesOf("new"), "photo.png", check); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), ExportWriterError::Kind::changedInTrash);
    EXPECT_EQ(readFile(photo), bytesOf("a newcomer"));
    EXPECT_TRUE(originalIsSafe(photo, "old pixels edited"));
    EXPECT_FALSE(workingFileLeft());
}

// Files that appear after a name was found free are never replaced.
TEST_F(SafeReplacement, AFileThatTakesTheFinalNameFirstIsKeptAndTheNextNameUsed) {
    const fs::path photo = original();
    files_.beforeMove = [&](const fs::path& to) {
        if (to == photo) std::ofstream(photo) << "a newcomer";
    };
    const fs::path written = writer_.replaceOriginal(photo, bytesOf("new"), "photo.png", recordedCheck(photo));
    EXPECT_EQ(written, folder() / "photo-1.png");
    EXPECT_EQ(readFile(photo), bytesOf("a newcomer"));
    EXPECT_EQ(readFile(written), bytesOf("new"));
    EXPECT_FALSE(workingFileLeft());
}

TEST_F(SafeReplacement, AFileThatTakesTheOriginalsPathBeforeItIsPutBackIsKept) {
    const fs::path photo = original();
    const auto check = recordedCheck(photo);
    trash_.afterTrashing = [](const TrashedItem& item) { std::ofstream(item.filesPath, std::ios::app) << " edited"; };
    trash_.beforePutBack = [](const fs::path& to) { std::ofstream(to) << "a newcomer"; };
    const auto error = thrown<ExportWriterError>([&] { writer_.replaceOriginal(photo, bytesOf("new"), "photo.png", check); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), ExportWriterError::Kind::changedInTrash);
    EXPECT_EQ(readFile(photo), bytesOf("a newcomer"));
    EXPECT_TRUE(originalIsSafe(photo, "old pixels edited"));
}

TEST_F(SafeReplacement, WorkingFileThatCannotBeWrittenIsReportedUnderTheFinalName) {
    const fs::path photo = original();
    files_.writeExclusiveError = EACCES;
    const auto error = thrown<FileError>([&] { writer_.replaceOriginal(photo, bytesOf("new"), "photo.webp", recordedCheck(photo)); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->errorNumber(), EACCES);
    EXPECT_EQ(error->path(), folder() / "photo.webp");
    EXPECT_EQ(platform::fileErrorDescription(*error),
              "You don't have permission to save the file \u201Cphoto.webp\u201D in the folder \u201Cphotos\u201D "
              "(Permission denied).");
    EXPECT_EQ(readFile(photo), bytesOf("old pixels"));
}

// Whatever step fails, the old bytes are in place or in the Trash, no working file is
// left, and the error says which of the two it is.
TEST_F(SafeReplacement, NoFailureAtAnyStepLosesTheOriginal) {
    struct Step {
        const char* name;
        std::function<void(Scene&)> inject;
        bool originalInPlace;
    };
    const std::vector<Step> steps = {
        {"mode bits", [](Scene& t) { t.files_.permissionError = EIO; }, true},
        {"working file", [](Scene& t) { t.files_.writeExclusiveError = ENOSPC; }, true},
        {"trash", [](Scene& t) { t.trash_.trashError = EXDEV; }, true},
        {"put back", [](Scene& t) {
             t.trash_.afterTrashing = [](const TrashedItem& item) { std::ofstream(item.filesPath, std::ios::app) << "!"; };
             t.trash_.putBackError = EACCES;
         }, false},
        {"final move", [](Scene& t) { t.files_.moveError = EACCES; }, false},
        {"final move across disks", [](Scene& t) { t.files_.moveError = EXDEV; }, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        Scene fresh;
        const fs::path photo = fresh.original();
        const auto check = fresh.recordedCheck(photo);
        step.inject(fresh);
        EXPECT_ANY_THROW(fresh.writer_.replaceOriginal(photo, bytesOf("new"), "photo.png", check));
        EXPECT_FALSE(fresh.workingFileLeft());
        if (step.originalInPlace) {
            EXPECT_EQ(readFile(photo), bytesOf("old pixels"));
        } else {
            EXPECT_FALSE(fs::exists(photo));
            EXPECT_FALSE(entries(fresh.trashFiles()).empty());
        }
    }
}

TEST_F(SafeReplacement, FinalMoveThatFailsLeavesTheOriginalInTheTrashAndSaysSo) {
    const fs::path photo = original();
    files_.moveError = EACCES;
    const auto error = thrown<ExportWriterError>([&] { writer_.replaceOriginal(photo, bytesOf("new"), "photo.png", recordedCheck(photo)); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), ExportWriterError::Kind::replacedButNotMoved);
    EXPECT_EQ(error->diagnostic(), "replacedButNotMoved(POSIX 13)");
    EXPECT_EQ(error->underlying()->path(), photo);
    EXPECT_TRUE(originalIsSafe(photo, "old pixels"));
}

TEST_F(SafeReplacement, TrashThatRefusesLeavesTheOriginalInPlace) {
    const fs::path photo = original();
    trash_.trashError = EXDEV;
    const auto error = thrown<ExportWriterError>([&] { writer_.replaceOriginal(photo, bytesOf("new"), "photo.png", recordedCheck(photo)); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), ExportWriterError::Kind::trashRefused);
    EXPECT_EQ(error->diagnostic(), "trashRefused(POSIX 18)");
    EXPECT_EQ(readFile(photo), bytesOf("old pixels"));
    EXPECT_FALSE(workingFileLeft());
}

TEST_F(SafeReplacement, PlainWritesTakeTheNextFreeNameAndNeverReplace) {
    std::ofstream(folder() / "photo.jpg") << "first";
    EXPECT_EQ(writer_.write(bytesOf("second"), folder(), "photo.jpg"), folder() / "photo-1.jpg");
    EXPECT_EQ(writer_.write(bytesOf("third"), folder(), "photo.jpg"), folder() / "photo-2.jpg");
    EXPECT_EQ(readFile(folder() / "photo.jpg"), bytesOf("first"));
    EXPECT_EQ(readFile(folder() / "photo-2.jpg"), bytesOf("third"));
    EXPECT_EQ(entries(folder()).size(), 3u);
}

TEST_F(SafeReplacement, PlainWriteIntoAMissingFolderFailsNamingTheFile) {
    const auto error = thrown<FileError>([&] { writer_.write(bytesOf("x"), folder() / "gone", "photo.jpg"); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->errorNumber(), ENOENT);
    EXPECT_EQ(error->path().filename(), "photo.jpg");
}

class SourceVersions : public testing::Test {
protected:
    TemporaryFolder folder_;
};

TEST_F(SourceVersions, EmptyFileHasTheDigestOfNoBytesAndEqualContentsEqualVersions) {
    const auto empty = SourceVersion::read(folder_.write("empty", {}));
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->byteCount, 0);
    EXPECT_EQ(empty->digest, QCryptographicHash::hash(QByteArray(), QCryptographicHash::Sha256));

    Bytes large(3 * (1 << 20) + 17);
    for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<std::uint8_t>(i * 7);
    const auto a = SourceVersion::read(folder_.write("a", large));
    const auto b = SourceVersion::read(folder_.write("b", large));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->byteCount, static_cast<std::int64_t>(large.size()));
    EXPECT_EQ(a, b);
    large.back() ^= 1;
    EXPECT_NE(a, SourceVersion::read(folder_.write("c", large)));
}

TEST_F(SourceVersions, ThereIsNoneOfAMissingFileAFolderOrAPipe) {
    EXPECT_FALSE(SourceVersion::read(folder_.file("missing")));
    EXPECT_FALSE(SourceVersion::read(folder_.path()));
    const fs::path pipe = folder_.file("photo.png");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    // Opening a pipe for reading would wait for a writer forever; the read must come back.
    EXPECT_FALSE(SourceVersion::read(pipe));
}

TEST_F(SourceVersions, FileReplacedUnderItsPathWhileReadHasNone) {
    // Two large files take turns at the path, faster than one can be read.
    const fs::path x = folder_.write("x", Bytes(16 << 20, 1));
    const fs::path y = folder_.write("y", Bytes(16 << 20, 2));
    const fs::path path = folder_.file("photo.png");
    const fs::path incoming = folder_.file("incoming");
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
    for (int i = 0; i < 20 && !sawNone; ++i) {
        const auto version = SourceVersion::read(path);
        if (!version) sawNone = true;
    }
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
    EXPECT_EQ(ReplaceRefusal::wouldLoseImages(24).diagnostic(), "replaceRefused(images 24)");
    EXPECT_EQ(ReplaceRefusal::sourceChanged().diagnostic(), "replaceRefused(sourceChanged)");
    EXPECT_STREQ(ReplaceRefusal::folderNotOpened().what(), ReplaceRefusal::folderNotOpened().description().c_str());
    EXPECT_NE(ReplaceRefusal::wouldLosePages(1, 2), ReplaceRefusal::wouldLosePages(2, 2));
}

} // namespace
