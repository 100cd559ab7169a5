#include "app/export/DestinationStore.h"

#include "platform/base/MainThread.h"
#include "platform/files/FileStatus.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <pwd.h>
#include <unistd.h>

namespace pictavo {

namespace fs = std::filesystem;

namespace {

QString key(const char* name) { return QString::fromLatin1(name); }

// Absolute and cleaned, without a trailing "/", links left as they are: the form in which
// folders are keys of the stored permissions.
QString standardizedPath(const fs::path& path) {
    fs::path clean = path.lexically_normal();
    std::string form = clean.string();
    while (form.size() > 1 && form.back() == '/') form.pop_back();
    return QFile::decodeName(form.c_str());
}

const std::optional<std::string>& homeDirectory() {
    static const std::optional<std::string> home = []() -> std::optional<std::string> {
        const passwd* entry = ::getpwuid(::getuid());
        if (!entry || !entry->pw_dir) return std::nullopt;
        return std::string(entry->pw_dir);
    }();
    return home;
}

// The stored permissions; any value that is not bookmark data empties them all.
QJsonObject readReplaceBookmarks(const UserDefaults& defaults) {
    const auto stored = defaults.data(key(DestinationStore::replaceFolderBookmarksKey));
    if (!stored) return {};
    const QJsonDocument document = QJsonDocument::fromJson(*stored);
    if (!document.isObject()) return {};
    const QJsonObject object = document.object();
    for (auto entry = object.begin(); entry != object.end(); ++entry) {
        if (!entry.value().isString()) return {};
        const auto decoded = QByteArray::fromBase64Encoding(entry.value().toString().toLatin1(),
                                                            QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded) return {};
    }
    return object;
}

QByteArray bookmarkData(const QJsonValue& value) {
    return QByteArray::fromBase64(value.toString().toLatin1());
}

void writeReplaceBookmarks(UserDefaults& defaults, const QJsonObject& object) {
    defaults.setData(key(DestinationStore::replaceFolderBookmarksKey), QJsonDocument(object).toJson(QJsonDocument::Compact));
}

} // namespace

DestinationStore::DestinationStore(UserDefaults& defaults, Bookmarks& bookmarks, FolderAsker& asker, QObject* parent)
    : QObject(parent), defaults_(defaults), bookmarks_(bookmarks), asker_(asker) {
    platform::assertMainThread();
    auto raw = defaults_.string(key(defaultChoiceKey));
    if (!raw) raw = defaults_.string(key(legacyChoiceKey));
    const Choice stored = raw ? destinationChoiceFromRawValue(*raw).value_or(Choice::besideOriginal) : Choice::besideOriginal;
    choice_ = stored;
    defaultChoice_ = stored;
    hasConfirmedReplace_ = defaults_.boolean(key(confirmedReplaceKey)).value_or(false);

    const auto bookmark = defaults_.data(key(destinationBookmarkKey));
    folderScope_ = openDestinationBookmark(bookmark);
    if (folderScope_) {
        folder_ = folderScope_->path();
    } else {
        folderReason_ = bookmark ? DestinationUnavailable::folderMissing : DestinationUnavailable::noFolderChosen;
    }
}

SharedSecurityScope DestinationStore::openDestinationBookmark(const std::optional<QByteArray>& data) {
    if (!data) return nullptr;
    const auto resolved = bookmarks_.resolve(*data);
    if (!resolved || !bookmarks_.startAccessing(resolved->path)) return nullptr;
    SharedSecurityScope scope = scopeOf(resolved->path);
    if (resolved->isStale) {
        if (const auto fresh = bookmarks_.make(resolved->path)) defaults_.setData(key(destinationBookmarkKey), *fresh);
    }
    return scope;
}

SharedSecurityScope DestinationStore::scopeOf(const fs::path& folder) {
    Bookmarks* bookmarks = &bookmarks_;
    return std::make_shared<SecurityScope>(folder,
                                           [bookmarks](const fs::path& path) { bookmarks->stopAccessing(path); });
}

void DestinationStore::setChoice(Choice choice) {
    platform::assertMainThread();
    if (choice == choice_) return;
    choice_ = choice;
    Q_EMIT choiceChanged();
}

void DestinationStore::setDefaultChoice(Choice choice) {
    platform::assertMainThread();
    defaults_.setString(key(defaultChoiceKey), rawValue(choice));
    if (choice == defaultChoice_) return;
    defaultChoice_ = choice;
    Q_EMIT defaultChoiceChanged();
}

void DestinationStore::setHasConfirmedReplace(bool confirmed) {
    platform::assertMainThread();
    defaults_.setBoolean(key(confirmedReplaceKey), confirmed);
    if (confirmed == hasConfirmedReplace_) return;
    hasConfirmedReplace_ = confirmed;
    Q_EMIT hasConfirmedReplaceChanged();
}

std::optional<fs::path> DestinationStore::chosenFolder() const { return folder_; }

std::optional<DestinationUnavailable> DestinationStore::unavailableReason() const {
    if (choice_ == Choice::chosenFolder && !folder_) return folderReason_;
    return std::nullopt;
}

DestinationResolution DestinationStore::resolve() {
    platform::assertMainThread();
    switch (choice_) {
    case Choice::besideOriginal: return DestinationResolution::resolved(ExportDestination::besideOriginal());
    case Choice::chosenFolder:
        if (folder_) return DestinationResolution::resolved(ExportDestination::folder(*folder_));
        return DestinationResolution::unavailable(folderReason_);
    case Choice::askEachTime:
        if (const auto folder = runOpenPanel(PanelPurpose::thisExport)) {
            return DestinationResolution::resolved(ExportDestination::folder(*folder));
        }
        return DestinationResolution::cancelled();
    case Choice::replaceOriginal: return DestinationResolution::resolved(ExportDestination::replaceOriginal());
    }
    return DestinationResolution::cancelled();
}

std::optional<fs::path> DestinationStore::chooseFolder() {
    platform::assertMainThread();
    const auto folder = runOpenPanel(PanelPurpose::defaultFolder);
    if (!folder) return std::nullopt;
    adoptChosenFolder(*folder, bookmarks_.make(*folder));
    return folder;
}

void DestinationStore::adoptChosenFolder(const fs::path& folder, const std::optional<QByteArray>& bookmark) {
    if (bookmark) {
        defaults_.setData(key(destinationBookmarkKey), *bookmark);
    } else {
        defaults_.remove(key(destinationBookmarkKey));
    }
    // Ends the access to the folder chosen before.
    folderScope_.reset();
    if (folder_ != folder) {
        folder_ = folder;
        Q_EMIT chosenFolderChanged();
    }
    setChoice(Choice::chosenFolder);
}

void DestinationStore::resetChoiceToDefault() { setChoice(defaultChoice_); }

void DestinationStore::resetToDefaults() {
    setDefaultChoice(Choice::besideOriginal);
    setChoice(Choice::besideOriginal);
}

SharedSecurityScope DestinationStore::openKeptReplaceFolder(const fs::path& folder) {
    platform::assertMainThread();
    QJsonObject stored = readReplaceBookmarks(defaults_);
    for (auto entry = stored.begin(); entry != stored.end(); ++entry) {
        const auto resolved = bookmarks_.resolve(bookmarkData(entry.value()));
        if (!resolved || !folderContains(resolved->path, folder) || !bookmarks_.startAccessing(resolved->path)) continue;
        const QString resolvedKey = standardizedPath(resolved->path);
        if (resolved->isStale || resolvedKey != entry.key()) {
            // The folder moved, or its bookmark wants making again: keep it under its new path.
            if (const auto fresh = bookmarks_.make(resolved->path)) {
                stored.erase(entry);
                stored.insert(resolvedKey, QString::fromLatin1(fresh->toBase64()));
                writeReplaceBookmarks(defaults_, stored);
            }
        }
        return scopeOf(resolved->path);
    }
    return nullptr;
}

SharedSecurityScope DestinationStore::grantReplaceFolder(const fs::path& folder, const fs::path& picked) {
    platform::assertMainThread();
    if (!folderContains(picked, folder)) return nullptr;
    bookmarks_.startAccessing(picked);
    if (const auto bookmark = bookmarks_.make(picked)) {
        QJsonObject stored = readReplaceBookmarks(defaults_);
        stored.insert(standardizedPath(picked), QString::fromLatin1(bookmark->toBase64()));
        writeReplaceBookmarks(defaults_, stored);
    }
    return scopeOf(picked);
}

std::optional<fs::path> DestinationStore::runOpenPanel(PanelPurpose purpose) {
    platform::assertMainThread();
    return asker_.ask(purpose);
}

bool DestinationStore::folderContains(const fs::path& outer, const fs::path& inner) {
    const fs::path outerKey = platform::fileKey(outer);
    const fs::path innerKey = platform::fileKey(inner);
    auto innerPart = innerKey.begin();
    for (const auto& part : outerKey) {
        if (innerPart == innerKey.end() || *innerPart != part) return false;
        ++innerPart;
    }
    return true;
}

QString DestinationStore::abbreviatedPath(const fs::path& path) { return abbreviatedPath(path, homeDirectory()); }

QString DestinationStore::abbreviatedPath(const fs::path& path, const std::optional<std::string>& home) {
    std::string form = path.string();
    while (form.size() >= 2 && form.back() == '/') form.pop_back();
    if (!home || home->empty()) return QFile::decodeName(form.c_str());
    if (form == *home) return QStringLiteral("~");
    if (form.size() > home->size() && form.compare(0, home->size(), *home) == 0 && form[home->size()] == '/') {
        return QStringLiteral("~") + QFile::decodeName(form.substr(home->size()).c_str());
    }
    return QFile::decodeName(form.c_str());
}

QString DestinationStore::statusText() const {
    if (const auto reason = unavailableReason()) return title(*reason);
    switch (choice_) {
    case Choice::askEachTime: return QStringLiteral("Asking each time");
    case Choice::replaceOriginal: return QStringLiteral("Replacing each original");
    case Choice::besideOriginal:
    case Choice::chosenFolder: break;
    }
    return QStringLiteral("Saving ") + phrase();
}

QString DestinationStore::phrase() const {
    if (choice_ == Choice::chosenFolder && folder_) return QStringLiteral("into ") + abbreviatedPath(*folder_);
    switch (choice_) {
    case Choice::besideOriginal: return QStringLiteral("beside each original");
    case Choice::chosenFolder: return QStringLiteral("into a folder you choose");
    case Choice::askEachTime: return QStringLiteral("into the folder you chose");
    case Choice::replaceOriginal: return QStringLiteral("over each original");
    }
    return {};
}

QString DestinationStore::subtitle(Choice choice) const {
    switch (choice) {
    case Choice::besideOriginal: return QStringLiteral("Each file keeps its own folder");
    case Choice::chosenFolder:
        return folder_ ? abbreviatedPath(*folder_) : QStringLiteral("Choose a folder to save into");
    case Choice::askEachTime: return QStringLiteral("Choose a folder when you press Export");
    case Choice::replaceOriginal: return QStringLiteral("Originals go to the Trash, so this can be undone");
    }
    return {};
}

QString DestinationStore::sentenceTail(Choice choice) const {
    switch (choice) {
    case Choice::besideOriginal: return QStringLiteral("save beside each original");
    case Choice::chosenFolder:
        return folder_ ? QStringLiteral("save into ") + abbreviatedPath(*folder_)
                       : QStringLiteral("save into the folder you chose");
    case Choice::askEachTime: return QStringLiteral("ask each time");
    case Choice::replaceOriginal: return QStringLiteral("replace the originals");
    }
    return {};
}

} // namespace pictavo
