#include "app/export/DestinationStore.h"
#include "app/settings/MemoryUserDefaults.h"
#include "app/export/PathBookmarks.h"
#include "app/settings/SettingsStore.h"
#include "app/settings/SettingsUserDefaults.h"
#include "support/TemporaryFolder.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <deque>
#include <map>

namespace {

namespace fs = std::filesystem;
using namespace pictavo;
using Choice = DestinationStore::Choice;
using testing_support::TemporaryFolder;

// Answers panels from a script, as a user would, and remembers what was asked.
class ScriptedAsker : public FolderAsker {
public:
    std::deque<std::optional<fs::path>> answers;
    std::vector<PanelPurpose> asked;

    std::optional<fs::path> ask(PanelPurpose purpose) override {
        asked.push_back(purpose);
        if (answers.empty()) return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

// Bookmarks that follow a folder that moves, as the platform's own do elsewhere: the data
// is a number, and the test says where each numbered folder is now.
class FollowingBookmarks : public Bookmarks {
public:
    std::map<int, fs::path> folders;
    std::set<int> stale;
    int stops = 0;

    std::optional<QByteArray> make(const fs::path& folder) override {
        for (const auto& [id, path] : folders) {
            if (path == folder) return QByteArray::number(id);
        }
        const int id = static_cast<int>(folders.size()) + 1;
        folders[id] = folder;
        return QByteArray::number(id);
    }
    std::optional<Resolved> resolve(const QByteArray& data) override {
        const auto found = folders.find(data.toInt());
        if (found == folders.end() || !fs::is_directory(found->second)) return std::nullopt;
        return Resolved{found->second, stale.count(found->first) > 0};
    }
    bool startAccessing(const fs::path&) override { return true; }
    void stopAccessing(const fs::path&) override { ++stops; }
};

// The folder a replace permission opened; none without one.
std::optional<fs::path> pathOf(const SharedSecurityScope& scope) {
    return scope ? std::optional(scope->path()) : std::nullopt;
}

class Destinations : public testing::Test {
protected:
    std::unique_ptr<DestinationStore> makeStore() {
        return std::make_unique<DestinationStore>(defaults_, bookmarks_, asker_);
    }
    QJsonObject replaceBookmarks() const {
        return QJsonDocument::fromJson(defaults_.data(DestinationStore::replaceFolderBookmarksKey).value_or("")).object();
    }

    TemporaryFolder folder_;
    MemoryUserDefaults defaults_;
    PathBookmarks bookmarks_;
    ScriptedAsker asker_;
};

// Ask each time, read from the older key that is never written, asks at every resolve and
// keeps nothing.
TEST_F(Destinations, TheOlderKeyIsReadButNeverWrittenAndAskEachTimeAsksAtEveryResolve) {
    defaults_.setString("destinationChoice", "askEachTime");
    auto store = makeStore();
    EXPECT_EQ(store->choice(), Choice::askEachTime);
    EXPECT_EQ(store->defaultChoice(), Choice::askEachTime);
    EXPECT_FALSE(defaults_.contains("defaultDestinationChoice"));
    asker_.answers = {std::nullopt, folder_.path()};
    EXPECT_EQ(store->resolve(), DestinationResolution::cancelled());
    EXPECT_EQ(store->resolve(), DestinationResolution::resolved(ExportDestination::folder(folder_.path())));
    EXPECT_EQ(store->resolve(), DestinationResolution::cancelled());
    EXPECT_EQ(asker_.asked.size(), 3u);
    EXPECT_EQ(asker_.asked.front(), PanelPurpose::thisExport);
    EXPECT_FALSE(defaults_.contains("destinationBookmark"));

    store->setDefaultChoice(Choice::askEachTime);
    EXPECT_EQ(defaults_.string("defaultDestinationChoice"), "askEachTime");
    EXPECT_EQ(defaults_.string("destinationChoice"), "askEachTime");

    defaults_.setString("defaultDestinationChoice", "somewhere");
    EXPECT_EQ(makeStore()->choice(), Choice::besideOriginal);
}

TEST_F(Destinations, AssignmentsNotifyOnlyOnChangeAndPersistAsThePreferenceSays) {
    auto store = makeStore();
    QSignalSpy choiceSpy(store.get(), &DestinationStore::choiceChanged);
    QSignalSpy defaultSpy(store.get(), &DestinationStore::defaultChoiceChanged);
    store->setChoice(Choice::replaceOriginal);
    store->setChoice(Choice::replaceOriginal);
    EXPECT_EQ(choiceSpy.count(), 1);
    EXPECT_FALSE(defaults_.contains("defaultDestinationChoice"));

    store->setDefaultChoice(Choice::besideOriginal);
    EXPECT_EQ(defaultSpy.count(), 0);
    EXPECT_EQ(defaults_.string("defaultDestinationChoice"), "besideOriginal");

    store->setDefaultChoice(Choice::chosenFolder);
    store->resetChoiceToDefault();
    EXPECT_EQ(store->choice(), Choice::chosenFolder);
    store->resetToDefaults();
    EXPECT_EQ(store->choice(), Choice::besideOriginal);
    EXPECT_EQ(makeStore()->defaultChoice(), Choice::besideOriginal);
}

TEST_F(Destinations, ChosenFolderResolvesOnlyWhenItsBookmarkStillOpens) {
    defaults_.setString("defaultDestinationChoice", "chosenFolder");
    auto store = makeStore();
    EXPECT_EQ(store->resolve(), DestinationResolution::unavailable(DestinationUnavailable::noFolderChosen));
    EXPECT_EQ(store->statusText(), "No folder chosen to save into");

    const fs::path out = folder_.path() / "out";
    fs::create_directory(out);
    asker_.answers.push_back(out);
    EXPECT_EQ(store->chooseFolder(), out);
    EXPECT_EQ(asker_.asked.back(), PanelPurpose::defaultFolder);
    EXPECT_EQ(store->resolve(), DestinationResolution::resolved(ExportDestination::folder(out)));
    // The texts that name the chosen folder name it as the views show it.
    const QString shown = DestinationStore::abbreviatedPath(out);
    EXPECT_EQ(store->statusText(), "Saving into " + shown);
    EXPECT_EQ(store->sentenceTail(Choice::chosenFolder), "save into " + shown);

    // The next launch opens the bookmark; once the folder is gone it is missing.
    auto relaunched = makeStore();
    EXPECT_EQ(relaunched->resolve(), DestinationResolution::resolved(ExportDestination::folder(out)));
    EXPECT_EQ(pathOf(relaunched->folderScope()), out);
    fs::remove(out);
    EXPECT_EQ(makeStore()->resolve(), DestinationResolution::unavailable(DestinationUnavailable::folderMissing));
    EXPECT_EQ(makeStore()->statusText(), "The folder you chose isn't there");

    // A cancelled panel changes nothing.
    asker_.answers.push_back(std::nullopt);
    EXPECT_EQ(store->chooseFolder(), std::nullopt);
    EXPECT_EQ(store->chosenFolder(), out);
}

TEST_F(Destinations, ReplacePermissionsCoverTheFolderAndEverythingBelowIt) {
    const fs::path pictures = folder_.path() / "Pictures";
    const fs::path trip = pictures / "2024" / "Trip";
    fs::create_directories(trip);
    fs::create_directories(folder_.path() / "Pic");
    auto store = makeStore();

    // A folder beside the needed one is no permission for it, and is not kept.
    EXPECT_EQ(store->openKeptReplaceFolder(pictures), nullptr);
    EXPECT_EQ(store->grantReplaceFolder(pictures, folder_.path() / "Pic"), nullptr);
    EXPECT_FALSE(defaults_.contains(DestinationStore::replaceFolderBookmarksKey));

    EXPECT_EQ(pathOf(store->grantReplaceFolder(pictures, pictures)), pictures);
    EXPECT_EQ(replaceBookmarks().keys(), QStringList{QString::fromStdString(pictures.string())});

    // Granted once, the folder and a subfolder are opened from the kept permission.
    EXPECT_EQ(pathOf(store->openKeptReplaceFolder(pictures)), pictures);
    EXPECT_EQ(pathOf(store->openKeptReplaceFolder(trip)), pictures);
    EXPECT_EQ(store->openKeptReplaceFolder(folder_.path() / "Pic"), nullptr);
    EXPECT_TRUE(asker_.asked.empty());
}

TEST_F(Destinations, StoredPermissionsThatAreNotAllBookmarksAreIgnoredWhole) {
    const fs::path pictures = folder_.path() / "Pictures";
    fs::create_directory(pictures);
    QJsonObject damaged;
    damaged.insert(QString::fromStdString(pictures.string()), 12);
    defaults_.setData(DestinationStore::replaceFolderBookmarksKey, QJsonDocument(damaged).toJson());
    auto store = makeStore();
    EXPECT_EQ(store->openKeptReplaceFolder(pictures), nullptr);
    EXPECT_EQ(pathOf(store->grantReplaceFolder(pictures, pictures)), pictures);
    const QJsonObject written = replaceBookmarks();
    ASSERT_EQ(written.size(), 1);
    EXPECT_TRUE(written.begin().value().isString());
}

TEST_F(Destinations, AMovedPermittedFolderIsKeptUnderItsNewPath) {
    FollowingBookmarks following;
    DestinationStore store(defaults_, following, asker_);
    const fs::path before = folder_.path() / "Pictures";
    const fs::path after = folder_.path() / "Moved";
    fs::create_directory(before);
    ASSERT_EQ(pathOf(store.grantReplaceFolder(before, before)), before);
    // The run let go of the access it was given, which ends it.
    EXPECT_EQ(following.stops, 1);

    fs::rename(before, after);
    following.folders[1] = after;
    EXPECT_EQ(pathOf(store.openKeptReplaceFolder(after)), after);
    EXPECT_EQ(replaceBookmarks().keys(), QStringList{QString::fromStdString(after.string())});

    // A stale destination bookmark is made again at launch.
    fs::create_directory(before);
    following.folders[2] = before;
    following.stale.insert(2);
    defaults_.setData("destinationBookmark", "2");
    {
        DestinationStore relaunched(defaults_, following, asker_);
        EXPECT_EQ(relaunched.chosenFolder(), before);
        relaunched.chooseFolder();
    }
    // Dropping the scope ends the access.
    EXPECT_EQ(following.stops, 3);
}

TEST(DestinationTexts, PathsAreShownAbbreviatedUnderHome) {
    EXPECT_EQ(DestinationStore::abbreviatedPath("/Users/x", std::string("/Users/x")), "~");
    EXPECT_EQ(DestinationStore::abbreviatedPath("/Users/x/", std::string("/Users/x")), "~");
    EXPECT_EQ(DestinationStore::abbreviatedPath("/Users/x/Desktop", std::string("/Users/x")), "~/Desktop");
    EXPECT_EQ(DestinationStore::abbreviatedPath("/Users/xy", std::string("/Users/x")), "/Users/xy");
    EXPECT_EQ(DestinationStore::abbreviatedPath("/", std::string("/Users/x")), "/");
    EXPECT_EQ(DestinationStore::abbreviatedPath("/a/b", std::nullopt), "/a/b");
}

TEST(SettingsFile, PreferencesAndTheDefaultSpecificationSurviveARelaunchOverARealSettingsFile) {
    TemporaryFolder folder;
    const QString file = QString::fromStdString((folder.path() / "Pictavo.conf").string());
    const fs::path out = folder.path() / "out";
    fs::create_directory(out);
    OutputSpec webp = SettingsStore::builtInDefaultSpec();
    webp.format = OutputFormat::webp();
    PathBookmarks bookmarks;
    ScriptedAsker asker;
    {
        SettingsUserDefaults defaults(file);
        SettingsStore(defaults).setDefaultSpec(webp);
        DestinationStore store(defaults, bookmarks, asker);
        store.setDefaultChoice(Choice::replaceOriginal);
        store.setHasConfirmedReplace(true);
        asker.answers.push_back(out);
        store.chooseFolder();
        store.grantReplaceFolder(out, out);
    }
    SettingsUserDefaults defaults(file);
    EXPECT_EQ(defaults.boolean("didRetirePNGAsTheDefaultFormat"), true);
    SettingsStore settings(defaults);
    EXPECT_EQ(settings.defaultSpec(), webp);
    EXPECT_EQ(settings.spec(), webp);
    DestinationStore store(defaults, bookmarks, asker);
    EXPECT_EQ(store.defaultChoice(), Choice::replaceOriginal);
    EXPECT_TRUE(store.hasConfirmedReplace());
    EXPECT_EQ(store.chosenFolder(), out);
    EXPECT_EQ(pathOf(store.openKeptReplaceFolder(out)), out);
    // Paths are values, never keys: no group was made of a folder's name.
    QSettings raw(file, QSettings::IniFormat);
    EXPECT_TRUE(raw.childGroups().isEmpty());
}

} // namespace
