#include "platform/files/FileErrorText.h"
#include "platform/files/FileOperations.h"
#include "platform/files/SafeFileName.h"
#include "platform/files/TrashWriter.h"
#include "support/TemporaryFolder.h"
#include "support/TemporaryMount.h"
#include "support/Thrown.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <optional>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using platform::FileError;
using platform::FileOperations;
using platform::TrashEntry;
using platform::TrashWriter;
using testing_support::TemporaryFolder;
using testing_support::modeOf;
using testing_support::TemporaryMount;
using testing_support::thrown;

// What a file manager reads back from a record, read the way GLib's Trash reader does:
// a key file whose Path is unescaped as a URI path.
struct ReadRecord {
    std::string path;
    std::string deletionDate;
};

std::optional<ReadRecord> readRecord(const fs::path& info) {
    g_autoptr(GKeyFile) file = g_key_file_new();
    if (!g_key_file_load_from_file(file, info.c_str(), G_KEY_FILE_NONE, nullptr)) return std::nullopt;
    g_autofree gchar* escaped = g_key_file_get_string(file, "Trash Info", "Path", nullptr);
    g_autofree gchar* date = g_key_file_get_string(file, "Trash Info", "DeletionDate", nullptr);
    g_autofree gchar* path = escaped ? g_uri_unescape_string(escaped, nullptr) : nullptr;
    if (!path || !date) return std::nullopt;
    return ReadRecord{path, date};
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error))
        names.push_back(entry->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string contentOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Sets an environment variable for the test and puts back what was there.
class EnvironmentVariable {
public:
    EnvironmentVariable(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~EnvironmentVariable() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// File operations whose writes of new bytes, creations of new files or renames fail as a
// full disk, an exhausted quota or a refusing file system would.
class FailingOperations : public FileOperations {
public:
    std::optional<int> writeError, createError, renameError;
    int creations = 0;

    void writeExclusive(const fs::path& path, const platform::Bytes& bytes,
                        std::optional<mode_t> permissions) override {
        ++creations;
        if (createError) throw FileError(path, *createError, platform::FileOperation::write);
        FileOperations::writeExclusive(path, bytes, permissions);
    }

protected:
    ssize_t writeSome(int descriptor, const std::uint8_t* bytes, std::size_t count) override {
        return failed(writeError) ? -1 : FileOperations::writeSome(descriptor, bytes, count);
    }
    int renameNoReplace(const fs::path& from, const fs::path& to) override {
        return failed(renameError) ? -1 : FileOperations::renameNoReplace(from, to);
    }

private:
    static bool failed(const std::optional<int>& error) {
        if (error) errno = *error;
        return error.has_value();
    }
};

// Originals in a folder, with the user's data folder (and so the home Trash) beside them.
class TrashWriting : public testing::Test {
protected:
    TrashWriting() { fs::create_directories(photos()); }

    fs::path photos() const { return root_.path() / "photos"; }
    fs::path trash() const { return root_.path() / "data" / "Trash"; }
    fs::path photo(const std::string& name, const std::string& content = "pixels") const {
        std::ofstream(photos() / name, std::ios::binary) << content;
        return photos() / name;
    }
    // The original is where it was with what it held, and the Trash holds nothing of it.
    void expectLeftAsItWas(const fs::path& path, const std::string& content = "pixels") {
        EXPECT_EQ(contentOf(path), content);
        EXPECT_TRUE(namesIn(trash() / "files").empty() && namesIn(trash() / "info").empty());
    }

    TemporaryFolder root_;
    EnvironmentVariable dataHome_{"XDG_DATA_HOME", (root_.path() / "data").string()};
};

TEST_F(TrashWriting, ItemsGoToAPrivateHomeTrashWithRecordsThatReadBackToTheirPaths) {
    const std::time_t before = std::time(nullptr);
    TrashWriter writer;
    for (const std::string name : {"photo.png", "100% sure.png", "two\nlines.png", "caf\u00E9 #1?.png",
                                   "not \xFF utf-8.png", "%41.png"}) {
        SCOPED_TRACE(name);
        const fs::path original = photo(name, "bytes of " + name);
        const TrashEntry entry = writer.moveToTrash(original);
        EXPECT_FALSE(fs::exists(original));
        EXPECT_EQ(std::tuple(entry.filesPath, entry.infoPath),
                  std::tuple(trash() / "files" / name, trash() / "info" / (name + ".trashinfo")));
        EXPECT_EQ(contentOf(entry.filesPath), "bytes of " + name);
        const auto record = readRecord(entry.infoPath);
        ASSERT_TRUE(record) << contentOf(entry.infoPath);
        EXPECT_EQ(record->path, original.string());
        std::tm date {};
        ASSERT_NE(::strptime(record->deletionDate.c_str(), "%Y-%m-%dT%H:%M:%S", &date), nullptr);
        date.tm_isdst = -1;
        EXPECT_GE(std::mktime(&date), before - 1);
        EXPECT_LE(std::mktime(&date), std::time(nullptr) + 1);
    }
    for (const fs::path& folder : {root_.path() / "data", trash(), trash() / "files", trash() / "info"}) {
        EXPECT_EQ(modeOf(folder), 0700u) << folder;
    }
}

// Taken names are passed over and no record is left for a name, also on file systems without
// the no-replace rename (EINVAL), which take the item by a second name and the removal of the
// first, still never over an item already in the Trash.
TEST_F(TrashWriting, TakenNamesArePassedOverWithOrWithoutTheNoReplaceRename) {
    FailingOperations older;
    older.renameError = EINVAL;
    for (FileOperations* files : {&FileOperations::system(), static_cast<FileOperations*>(&older)}) {
        SCOPED_TRACE(files == &older ? "without the no-replace rename" : "with it");
        fs::remove_all(trash());
        fs::create_directories(trash() / "files");
        fs::create_directories(trash() / "info");
        std::ofstream(trash() / "info" / "photo.png.trashinfo") << "someone else's record";
        // A file without a record holds the second name.
        std::ofstream(trash() / "files" / "photo.2.png") << "stray";
        const fs::path original = photo("photo.png");
        const TrashEntry entry = TrashWriter(*files).moveToTrash(original);
        EXPECT_EQ(entry.filesPath, trash() / "files" / "photo.3.png");
        EXPECT_EQ(contentOf(entry.filesPath), "pixels");
        EXPECT_FALSE(fs::exists(original));
        EXPECT_EQ(namesIn(trash() / "info"), (std::vector<std::string>{"photo.3.png.trashinfo", "photo.png.trashinfo"}));
        EXPECT_EQ(contentOf(trash() / "info" / "photo.png.trashinfo"), "someone else's record");
        EXPECT_EQ(contentOf(trash() / "files" / "photo.2.png"), "stray");
        EXPECT_EQ(readRecord(entry.infoPath)->path, original.string());
    }
}

// Qt's own Trash never gave up on a name whose record could not be made, so a name of 246
// bytes or more froze the application. Records of long names fit the file system.
TEST_F(TrashWriting, LongNamesAreShortenedOnACharacterBoundarySoTheirRecordsFit) {
    std::string cjk;
    for (int i = 0; i < 82; ++i) cjk += "\u5199";
    for (const std::string& name : {std::string(246, 'a') + ".png", cjk + ".png", cjk + "\u5199.jpeg"}) {
        SCOPED_TRACE(name.size());
        for (int twice = 0; twice < 2; ++twice) {
            const fs::path original = photo(name);
            const TrashEntry entry = TrashWriter().moveToTrash(original);
            const std::string recordName = entry.infoPath.filename().string();
            EXPECT_LE(recordName.size(), platform::maximumFileNameBytes);
            EXPECT_EQ(recordName, entry.filesPath.filename().string() + ".trashinfo");
            EXPECT_TRUE(g_utf8_validate(recordName.data(), static_cast<gssize>(recordName.size()), nullptr));
            EXPECT_EQ(entry.filesPath.extension(), original.extension());
            EXPECT_EQ(readRecord(entry.infoPath)->path, original.string());
            EXPECT_EQ(contentOf(entry.filesPath), "pixels");
        }
    }
    EXPECT_EQ(namesIn(trash() / "files").size(), 6u);
}

// Qt's Trash looped for ever when its record could not be made; a root-owned Trash left by
// a sudo session or a read-only disk refuses the record at once instead.
TEST_F(TrashWriting, ARecordFolderThatCannotBeWrittenFailsAtOnceAndLeavesTheItem) {
    fs::create_directories(trash() / "files");
    fs::create_directories(trash() / "info");
    const fs::path original = photo("photo.png");
    ::chmod((trash() / "info").c_str(), 0500);
    std::optional<TemporaryMount> readOnly;
    if (::geteuid() == 0) {
        // Permissions do not stop root; only a read-only mount does.
        readOnly = TemporaryMount::readOnly(trash() / "info");
        if (!readOnly) {
            ::chmod((trash() / "info").c_str(), 0700);
            GTEST_SKIP() << "root that cannot mount cannot be refused a write";
        }
    }
    const auto refused = thrown<FileError>([&] { TrashWriter().moveToTrash(original); });
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->errorNumber(), ::geteuid() == 0 ? EROFS : EACCES);
    EXPECT_EQ(refused->operation(), platform::FileOperation::trash);
    EXPECT_EQ(refused->path(), original);
    if (::geteuid() != 0) {
        EXPECT_EQ(platform::fileErrorDescription(*refused),
                  "\"photo.png\" couldn't be moved to the Trash because you don't have permission to access it.");
    }
    readOnly.reset();
    ::chmod((trash() / "info").c_str(), 0700);
    expectLeftAsItWas(original);
}

// A full disk or quota while the record is written, no inode for it, a refused rename, or
// every name taken: each fails with its own error, the record goes again, the item stays
// where it was, and the tries end.
TEST_F(TrashWriting, EachFailureReportsItsErrorAndRemovesTheRecord) {
    struct Injected {
        const char* what;
        std::optional<int> FailingOperations::*error;
        int number;
    };
    for (const Injected injected : {Injected{"full disk", &FailingOperations::writeError, ENOSPC},
                                    Injected{"quota", &FailingOperations::writeError, EDQUOT},
                                    Injected{"no free inode", &FailingOperations::createError, ENOSPC},
                                    Injected{"rename refused", &FailingOperations::renameError, EACCES},
                                    Injected{"another disk", &FailingOperations::renameError, EXDEV},
                                    Injected{"every name taken", &FailingOperations::createError, EEXIST}}) {
        SCOPED_TRACE(injected.what);
        FailingOperations files;
        files.*injected.error = injected.number;
        const fs::path original = photo("photo.png");
        const auto refused = thrown<FileError>([&] { TrashWriter(files).moveToTrash(original); });
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->errorNumber(), injected.number);
        EXPECT_EQ(refused->path(), original);
        EXPECT_LE(files.creations, 1000);
        expectLeftAsItWas(original);
    }
}

// The same failures on a real small disk, where the test may mount one.
TEST_F(TrashWriting, ARealFullDiskOrOneWithoutFreeInodesLeavesNothingBehind) {
    for (const bool outOfInodes : {false, true}) {
        SCOPED_TRACE(outOfInodes ? "no free inode" : "full disk");
        const fs::path disk = root_.path() / (outOfInodes ? "inodes" : "space");
        fs::create_directory(disk);
        auto mounted = TemporaryMount::smallDisk(disk, 256 * 1024, 64);
        if (!mounted) GTEST_SKIP() << "this process cannot mount a disk of its own";
        EnvironmentVariable dataHome("XDG_DATA_HOME", (disk / "data").string());
        for (const char* folder : {"photos", "data/Trash/files", "data/Trash/info"}) fs::create_directories(disk / folder);
        const fs::path original = disk / "photos" / "photo.png";
        std::ofstream(original) << "pixels";
        if (outOfInodes) {
            for (int i = 0; i < 100 && std::ofstream(disk / ("filler" + std::to_string(i))); ++i) {}
        } else {
            std::ofstream filler(disk / "filler", std::ios::binary);
            const std::string block(4096, 'x');
            for (int i = 0; i < 100 && filler.write(block.data(), static_cast<std::streamsize>(block.size())); ++i)
                filler.flush();
        }
        const auto refused = thrown<FileError>([&] { TrashWriter().moveToTrash(original); });
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->errorNumber(), ENOSPC);
        EXPECT_EQ(contentOf(original), "pixels");
        EXPECT_TRUE(namesIn(disk / "data" / "Trash" / "files").empty() && namesIn(disk / "data" / "Trash" / "info").empty());
    }
}

// An item on another disk than the user's data folder goes to that disk's own Trash, with
// its path recorded below the disk's top folder.
TEST_F(TrashWriting, AnotherDisksItemsGoToItsOwnTrashWhereTheSharedOneIsSafe) {
    const std::string user = std::to_string(::geteuid());
    struct Setup {
        const char* what;
        std::optional<mode_t> sharedMode; // of a shared .Trash folder, when there is one
        bool sharedIsALink;
        std::string trashFolder;
    };
    for (const Setup& setup : {Setup{"no shared Trash", std::nullopt, false, ".Trash-" + user},
                               Setup{"a shared Trash with the sticky bit", 01777, false, ".Trash/" + user},
                               Setup{"a shared Trash without the sticky bit", 0777, false, ".Trash-" + user},
                               Setup{"a shared Trash that is a link", 01777, true, ".Trash-" + user}}) {
        SCOPED_TRACE(setup.what);
        const fs::path disk = root_.path() / "disk";
        fs::create_directory(disk);
        auto mounted = TemporaryMount::smallDisk(disk, 1 << 20, 256);
        if (!mounted) GTEST_SKIP() << "this process cannot mount a disk of its own";
        if (setup.sharedMode) {
            const fs::path shared = disk / (setup.sharedIsALink ? "elsewhere" : ".Trash");
            fs::create_directory(shared);
            ::chmod(shared.c_str(), *setup.sharedMode);
            if (setup.sharedIsALink) fs::create_directory_symlink("elsewhere", disk / ".Trash");
        }
        fs::create_directories(disk / "photos" / "2024");
        const fs::path original = disk / "photos" / "2024" / "a 100%.png";
        std::ofstream(original) << "pixels";

        const TrashEntry entry = TrashWriter().moveToTrash(original);
        EXPECT_EQ(entry.filesPath, disk / setup.trashFolder / "files" / "a 100%.png");
        EXPECT_EQ(contentOf(entry.filesPath), "pixels");
        EXPECT_EQ(readRecord(entry.infoPath)->path, "photos/2024/a 100%.png");
        EXPECT_EQ(modeOf(disk / setup.trashFolder), 0700u);
        EXPECT_FALSE(fs::exists(trash()));
    }
}

} // namespace
