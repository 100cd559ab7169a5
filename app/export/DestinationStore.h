#pragma once
#include "app/export/Bookmarks.h"
#include "app/export/DestinationChoice.h"
#include "app/export/DestinationResolution.h"
#include "app/export/ReplaceFolderAccess.h"
#include "app/desktop/FolderAsker.h"
#include "app/export/SecurityScope.h"
#include "app/settings/UserDefaults.h"

#include <QObject>
#include <QString>

#include <filesystem>
#include <optional>

namespace pictavo {

// Where exported files go, the folder chosen to save into, and the folder permissions that
// writing needs. One per application, on the main thread.
class DestinationStore : public QObject, public ReplaceFolderAccess {
    Q_OBJECT

public:
    using Choice = DestinationChoice;

    static constexpr const char* defaultChoiceKey = "defaultDestinationChoice";
    // Read only when the current key is absent; never written.
    static constexpr const char* legacyChoiceKey = "destinationChoice";
    static constexpr const char* confirmedReplaceKey = "hasConfirmedReplaceOriginal";
    static constexpr const char* destinationBookmarkKey = "destinationBookmark";
    // One JSON object from folder path to bookmark, so that paths never become keys.
    static constexpr const char* replaceFolderBookmarksKey = "replaceFolderBookmarks";

    DestinationStore(UserDefaults& defaults, Bookmarks& bookmarks, FolderAsker& asker, QObject* parent = nullptr);

    Choice choice() const { return choice_; }
    // Persists nothing.
    void setChoice(Choice choice);
    Choice defaultChoice() const { return defaultChoice_; }
    // Written at every call, also of an equal value.
    void setDefaultChoice(Choice choice);
    bool hasConfirmedReplace() const { return hasConfirmedReplace_; }
    // Written at every call, also of an equal value.
    void setHasConfirmedReplace(bool confirmed);

    // The chosen folder, when one is at hand.
    std::optional<std::filesystem::path> chosenFolder() const;
    // Access to the chosen folder, opened from its bookmark at creation; none once
    // another folder is chosen.
    SharedSecurityScope folderScope() const { return folderScope_; }
    // Why the chosen-folder destination cannot be used, when it is the choice.
    std::optional<DestinationUnavailable> unavailableReason() const;

    // The current choice made concrete; "ask each time" shows a panel and keeps nothing.
    DestinationResolution resolve();
    // Asks for the folder to save into and adopts it (and the chosen-folder choice).
    std::optional<std::filesystem::path> chooseFolder();
    void resetChoiceToDefault();
    void resetToDefaults();

    // Permissions to replace originals: the folders granted are kept as bookmarks, and a
    // kept folder covers every folder below it. An export run asks the user for a folder
    // only when no kept permission covers the one it needs.
    SharedSecurityScope openKeptReplaceFolder(const std::filesystem::path& folder) override;
    SharedSecurityScope grantReplaceFolder(const std::filesystem::path& folder,
                                           const std::filesystem::path& picked) override;
    // This application never runs in a sandbox, so writing needs no granted folders.
    static bool isSandboxed() { return false; }
    // Whether `inner` is `outer` or lies below it, compared by whole components with links
    // resolved ("/A/B" covers "/A/B/C", not "/A/BC").
    static bool folderContains(const std::filesystem::path& outer, const std::filesystem::path& inner);
    // The path with the home folder shown as "~".
    static QString abbreviatedPath(const std::filesystem::path& path);
    static QString abbreviatedPath(const std::filesystem::path& path, const std::optional<std::string>& home);

    QString statusText() const;
    QString phrase() const;
    QString subtitle(Choice choice) const;
    QString sentenceTail(Choice choice) const;

Q_SIGNALS:
    void choiceChanged();
    void defaultChoiceChanged();
    void chosenFolderChanged();
    void hasConfirmedReplaceChanged();

private:
    // Shows the panel of the purpose; none when it was cancelled.
    std::optional<std::filesystem::path> runOpenPanel(PanelPurpose purpose);
    SharedSecurityScope openDestinationBookmark(const std::optional<QByteArray>& data);
    // The access to a folder whose access has begun, ended when the last owner lets go.
    SharedSecurityScope scopeOf(const std::filesystem::path& folder);
    void adoptChosenFolder(const std::filesystem::path& folder, const std::optional<QByteArray>& bookmark);

    UserDefaults& defaults_;
    Bookmarks& bookmarks_;
    FolderAsker& asker_;
    Choice choice_ = Choice::besideOriginal;
    Choice defaultChoice_ = Choice::besideOriginal;
    // The chosen folder, or why there is none.
    std::optional<std::filesystem::path> folder_;
    DestinationUnavailable folderReason_ = DestinationUnavailable::noFolderChosen;
    SharedSecurityScope folderScope_;
    bool hasConfirmedReplace_ = false;
};

} // namespace pictavo
