#include "BatchStoreHarness.h"

#include "app/export/ReplacementJournal.h"
#include "app/export/WorkingFileSweep.h"
#include "app/settings/SettingsUserDefaults.h"
#include "platform/files/TrashRecord.h"

#include <QFile>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace pictavo;
using namespace batch_testing;
using Clock = WorkingFileSweep::Clock;

const std::string workingName = ".export-0F6E2B9C-3A1D-4C5E-9B7A-1E2F3A4B5C6D";
const std::string partialName = ".pictavo-partial-0123456789abcdef";

// The file, last changed an hour ago.
fs::path hourOld(const fs::path& path) {
    const auto hourAgo = std::chrono::duration_cast<std::chrono::seconds>(
        (Clock::now() - std::chrono::hours(1)).time_since_epoch());
    const timespec times[2] = {{hourAgo.count(), 0}, {hourAgo.count(), 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
    return path;
}

// A file last changed an hour ago, as one left by a run that was killed.
fs::path leftOver(const fs::path& path) {
    std::ofstream(path) << "converted bytes";
    return hourOld(path);
}

class WorkingFiles : public testing::Test, protected BatchScene {
protected:
    WorkingFiles() { engine_.gated = false; }
    // A store as the application makes it at launch, with a sweep over the settings file.
    void launch() {
        store_.reset();
        defaults_ = std::make_unique<SettingsUserDefaults>(QFile::decodeName(settingsFile().c_str()));
        sweep_ = std::make_unique<WorkingFileSweep>(*defaults_);
        store_ = std::make_unique<BatchStore>(engine_, writer_, DecoderRegistry::standard(),
                                              std::chrono::milliseconds(0), readSourceStamp, 2, files_, sweep_.get());
    }
    fs::path settingsFile() const { return root_.path() / "settings.conf"; }

    std::unique_ptr<SettingsUserDefaults> defaults_;
    std::unique_ptr<WorkingFileSweep> sweep_;
};

TEST_F(WorkingFiles, OnlyOldRegularFilesOfOurNamesThatAreTheUsersGo) {
    const fs::path folder = originals();
    leftOver(folder / workingName);
    leftOver(folder / partialName);
    // Fresh: it may belong to a replacement under way in another copy of the application.
    std::ofstream(folder / ".export-1F6E2B9C-3A1D-4C5E-9B7A-1E2F3A4B5C6D") << "fresh";
    for (const char* name : {".export-0f6e2b9c-3a1d-4c5e-9b7a-1e2f3a4b5c6d", ".export-notes", "photo.png",
                             ".pictavo-partial-0123", ".export-0F6E2B9C-3A1D-4C5E-9B7A-1E2F3A4B5C6D.png"}) {
        leftOver(folder / name);
    }
    // A link under our name is not our file, nor is what it points to.
    leftOver(root_.path() / "target.png");
    fs::create_symlink(root_.path() / "target.png", folder / ".export-2F6E2B9C-3A1D-4C5E-9B7A-1E2F3A4B5C6D");
    fs::create_directory(folder / ".export-3F6E2B9C-3A1D-4C5E-9B7A-1E2F3A4B5C6D");
    bool someoneElses = false;
    if (::geteuid() == 0) {
        const fs::path theirs = leftOver(folder / ".export-4F6E2B9C-3A1D-4C5E-9B7A-1E2F3A4B5C6D");
        someoneElses = ::chown(theirs.c_str(), 65534, 65534) == 0;
    }
    const std::size_t before = entries(folder).size();

    EXPECT_EQ(WorkingFileSweep::sweepFolder(folder, Clock::now() - std::chrono::minutes(1)), 2);
    EXPECT_EQ(entries(folder).size(), before - 2);
    EXPECT_FALSE(fs::exists(folder / workingName));
    EXPECT_FALSE(fs::exists(folder / partialName));
    EXPECT_TRUE(fs::exists(root_.path() / "target.png"));
    if (someoneElses) {
        EXPECT_TRUE(fs::exists(folder / ".export-4F6E2B9C-3A1D-4C5E-9B7A-1E2F3A4B5C6D"));
    }
    EXPECT_EQ(WorkingFileSweep::sweepFolder(root_.path() / "missing", Clock::now()), 0);
}

// A replacing run sweeps the folders of its originals before it writes there, and records
// the folders it writes in, so that the next launch sweeps them after a crash.
TEST_F(WorkingFiles, AReplacingRunSweepsItsFoldersAndTheNextLaunchSweepsWhatTheLastRunRecorded) {
    launch();
    addPhotos(1);
    ASSERT_TRUE(estimatesSettle());
    leftOver(originals() / workingName);
    leftOver(output() / workingName);
    exportTo(ExportDestination::replaceOriginal());
    ASSERT_TRUE(exportEnds());
    EXPECT_TRUE(eventually([&] { return !fs::exists(originals() / workingName); }));
    EXPECT_EQ(sweep_->recordedFolders(), std::vector<fs::path>{originals()});
    EXPECT_TRUE(fs::exists(output() / workingName)) << "a folder the run did not touch";

    // A folder run sweeps nothing, but the next launch sweeps the folder it wrote in, and
    // those of earlier runs that no launch has found clean yet.
    store_->clearAll();
    addPhotos(1);
    ASSERT_TRUE(estimatesSettle());
    leftOver(originals() / partialName);
    exportTo(ExportDestination::folder(output()));
    ASSERT_TRUE(exportEnds());
    EXPECT_EQ(sweep_->recordedFolders(), (std::vector<fs::path>{output(), originals()}));
    EXPECT_TRUE(fs::exists(originals() / partialName));
    launch();
    EXPECT_TRUE(eventually([&] { return !fs::exists(output() / workingName); }));
    EXPECT_TRUE(eventually([&] { return !fs::exists(originals() / partialName); }));
}

// A journal that no writer holds speaks for a replacement cut short between its two renames:
// the working file takes the recorded name, or the next free one when another file took it,
// and goes only when the original never left. One a live writer holds keeps its working
// file, however old.
TEST_F(WorkingFiles, AJournalNobodyHoldsFinishesItsReplacement) {
    enum class AtTheName { nothing, theOriginal, anotherFile };
    for (const AtTheName atTheName : {AtTheName::nothing, AtTheName::theOriginal, AtTheName::anotherFile}) {
        SCOPED_TRACE(static_cast<int>(atTheName));
        ExportScene scene;
        const fs::path photo = scene.originals() / "photo.png";
        std::ofstream(photo) << "old pixels";
        const platform::ReplacementRecord record{"photo.png", platform::readFileStamp(photo)};
        if (atTheName != AtTheName::theOriginal) fs::remove(photo);
        if (atTheName == AtTheName::anotherFile) std::ofstream(photo) << "another file";
        const fs::path working = leftOver(scene.originals() / workingName);
        std::ofstream(ReplacementJournal::pathFor(working)) << platform::replacementRecordText(record);

        WorkingFileSweep::sweepFolder(scene.originals(), Clock::now() - std::chrono::minutes(1));
        const char* atThePhoto[] = {"converted bytes", "old pixels", "another file"};
        EXPECT_EQ(textOf(photo), atThePhoto[static_cast<int>(atTheName)]);
        if (atTheName == AtTheName::anotherFile) {
            EXPECT_EQ(textOf(scene.originals() / "photo-1.png"), "converted bytes");
            EXPECT_EQ(scene.entries(scene.originals()), (std::vector<fs::path>{"photo-1.png", "photo.png"}));
        } else {
            EXPECT_EQ(scene.entries(scene.originals()), std::vector<fs::path>{"photo.png"});
        }
    }

    const fs::path working = leftOver(originals() / workingName);
    const ReplacementJournal held(working, platform::ReplacementRecord{"photo.png", {}}, files_);
    WorkingFileSweep::sweepFolder(originals(), Clock::now() + std::chrono::hours(1));
    EXPECT_TRUE(fs::exists(working));
    EXPECT_TRUE(fs::exists(ReplacementJournal::pathFor(working)));
    EXPECT_FALSE(fs::exists(originals() / "photo.png"));
}

// A journal, closed as a killed writer leaves it, that noted the claims; the claims are made
// after the notes.
void writeJournal(const fs::path& working, const platform::ReplacementRecord& record,
                  const std::vector<std::pair<platform::ClaimPlace, std::string>>& claims) {
    const fs::path path = ReplacementJournal::pathFor(working);
    const platform::FileDescriptor journal = platform::writeHeldReplacementRecord(path, record);
    for (const auto& [place, name] : claims) platform::noteReplacementClaim(journal, path, place, name);
}

// On a disk where a move claims a name as an empty file first, an empty file under the
// photo's name is the replacement's to fill only when its journal noted the claim and the
// file is still the empty one made after the note: never an empty file of the user's that
// held the name before, one written since, or one under the name of a journal that noted
// nothing (as journals of earlier versions, which are still read).
TEST_F(WorkingFiles, AnEmptyFileUnderThePhotosNameIsFilledOnlyAsTheJournalsOwnClaim) {
    enum class Empty { notedClaim, underAnEarlierJournal, olderThanTheNote, writtenSince };
    for (const Empty empty : {Empty::notedClaim, Empty::underAnEarlierJournal, Empty::olderThanTheNote,
                              Empty::writtenSince}) {
        SCOPED_TRACE(static_cast<int>(empty));
        ExportScene scene;
        const fs::path photo = scene.originals() / "photo.png";
        std::ofstream(photo) << "old pixels";
        const platform::FileStamp original = platform::readFileStamp(photo);
        fs::remove(photo);
        const fs::path working = leftOver(scene.originals() / workingName);
        if (empty == Empty::olderThanTheNote) {
            std::ofstream{photo};
            hourOld(photo);
        }
        if (empty == Empty::underAnEarlierJournal) {
            std::ofstream(ReplacementJournal::pathFor(working))
                << "Pictavo replacement\n" << original.byteCount << "\n" << *original.modifiedNanoseconds << "\nphoto.png";
            std::ofstream{photo};
        } else {
            writeJournal(working, {"photo.png", original}, {{platform::ClaimPlace::folder, "photo.png"}});
            if (empty != Empty::olderThanTheNote) std::ofstream{photo};
            if (empty == Empty::writtenSince) std::ofstream(photo) << "notes";
        }

        WorkingFileSweep::sweepFolder(scene.originals(), Clock::now() - std::chrono::minutes(1));
        if (empty == Empty::notedClaim) {
            EXPECT_EQ(textOf(photo), "converted bytes");
            EXPECT_EQ(scene.entries(scene.originals()), std::vector<fs::path>{"photo.png"});
        } else {
            EXPECT_EQ(textOf(photo), empty == Empty::writtenSince ? "notes" : "");
            EXPECT_EQ(textOf(scene.originals() / "photo-1.png"), "converted bytes");
            EXPECT_EQ(scene.entries(scene.originals()), (std::vector<fs::path>{"photo-1.png", "photo.png"}));
        }
    }
}

// A move of the original into the Trash cut short between its claim there and the rename
// leaves an empty item whose record points at the original, still in its place: the item goes
// with its record. An item of that name with bytes is a file the user trashed, and stays.
TEST_F(WorkingFiles, AnEmptyClaimInTheTrashGoesWithItsRecord) {
    for (const bool claimIsEmpty : {true, false}) {
        SCOPED_TRACE(claimIsEmpty ? "empty claim" : "the user's item");
        ExportScene scene;
        const fs::path photo = scene.originals() / "photo.png";
        std::ofstream(photo) << "old pixels";
        const fs::path working = leftOver(scene.originals() / workingName);
        writeJournal(working, {"photo.png", platform::readFileStamp(photo)}, {{platform::ClaimPlace::trash, "photo.png"}});
        fs::create_directories(scene.trashFiles());
        fs::create_directories(scene.trashInfo());
        std::ofstream(scene.trashInfo() / "photo.png.trashinfo")
            << platform::trashRecordText(fs::canonical(photo).string(), std::time(nullptr));
        std::ofstream(scene.trashFiles() / "photo.png") << (claimIsEmpty ? "" : "trashed by the user");

        WorkingFileSweep::sweepFolder(scene.originals(), Clock::now() - std::chrono::minutes(1));
        EXPECT_EQ(textOf(photo), "old pixels");
        EXPECT_EQ(scene.entries(scene.originals()), std::vector<fs::path>{"photo.png"});
        const std::vector<fs::path> left = claimIsEmpty ? std::vector<fs::path>{} : std::vector<fs::path>{"photo.png"};
        EXPECT_EQ(scene.entries(scene.trashFiles()), left);
        EXPECT_EQ(scene.entries(scene.trashInfo()).size(), left.size());
    }
}

// A folder stays recorded, through launches and runs into other folders, until a sweep at
// launch finds it clean: a leftover too young to go at one launch goes at a later one.
TEST_F(WorkingFiles, AFolderStaysRecordedUntilASweepAtLaunchFindsItClean) {
    const auto relaunch = [&] {
        launch();
        QSignalSpy ended(sweep_.get(), &WorkingFileSweep::launchSweepEnded);
        return eventually([&] { return ended.count() == 1; });
    };
    launch();
    std::ofstream(originals() / workingName) << "converted bytes";
    sweep_->runStarts(ExportDestination::replaceOriginal(), {originals() / "p0.png"});
    sweep_->runStarts(ExportDestination::folder(output()), {originals() / "p0.png"});
    EXPECT_EQ(sweep_->recordedFolders(), (std::vector<fs::path>{output(), originals()}));
    ASSERT_TRUE(fileWorkPool().waitForDone(10000));

    ASSERT_TRUE(relaunch());
    EXPECT_EQ(sweep_->recordedFolders(), std::vector<fs::path>{originals()});
    EXPECT_TRUE(fs::exists(originals() / workingName));

    leftOver(originals() / workingName);
    ASSERT_TRUE(relaunch());
    EXPECT_TRUE(sweep_->recordedFolders().empty());
    EXPECT_FALSE(fs::exists(originals() / workingName));
}

} // namespace
