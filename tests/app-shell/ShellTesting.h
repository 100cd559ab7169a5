#pragma once
#include "app/desktop/FolderAsker.h"
#include "app/export/DestinationStore.h"
#include "app/export/PathBookmarks.h"
#include "app/settings/MemoryUserDefaults.h"
#include "app/settings/SettingsStore.h"
#include "app/shell/MainWindow.h"
#include "app/shell/OpenedFiles.h"
#include "app/shell/ShellServices.h"
#include "support/Eventually.h"
#include "support/FolderVariable.h"
#include "support/TemporaryFolder.h"

#include <QByteArray>

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

namespace shell_testing {

namespace fs = std::filesystem;

using support::eventually;

QList<QUrl> urlsOf(const std::vector<fs::path>& paths);

// Lets queued work (deferred opening, activations, deletions) run.
void settle();
// A click through the window system, as a person's arrives.
void click(QWidget* widget);

// A real photo-like image file written by Qt's own writer (PNG or JPEG by the extension).
fs::path writePhoto(const fs::path& path, int width = 64, int height = 48, int seed = 0);

// Answers every dialog as the test says and records what the window asked for.
class ScriptedServices : public pictavo::ShellServices {
public:
    QList<QUrl> imagesToChoose;
    bool replaceAnswer = false, chooseFolderAnswer = false, quitAnswer = false;
    int replaceQuestions = 0, folderOffers = 0, quitQuestions = 0;
    std::vector<std::vector<fs::path>> revealed;
    QList<QUrl> webPages;
    QStringList copied;

    QList<QUrl> chooseImages(QWidget*, const QStringList&) override { return imagesToChoose; }
    QList<QUrl> chooseFolderOfImages(QWidget*) override { return imagesToChoose; }
    bool confirmReplace(QWidget*) override { ++replaceQuestions; return replaceAnswer; }
    bool offerToChooseFolder(QWidget*, pictavo::DestinationUnavailable) override { ++folderOffers; return chooseFolderAnswer; }
    // Runs while the quit question is on screen, before it is answered.
    std::function<void()> whileAskingToQuit;
    bool confirmQuitDuringExport(QWidget*, pictavo::BatchStore&) override {
        ++quitQuestions;
        if (whileAskingToQuit) whileAskingToQuit();
        return quitAnswer;
    }
    void showAbout(QWidget*) override {}
    void reveal(const std::vector<fs::path>& files) override { revealed.push_back(files); }
    void openWebPage(const QUrl& url) override { webPages.append(url); }
    void copyText(const QString& text) override { copied.append(text); }
};

// Hands out the folders the test queued; none (a cancel) when the queue is empty.
class ScriptedFolderAsker : public pictavo::FolderAsker {
public:
    std::vector<std::optional<fs::path>> answers;
    int asked = 0;
    std::optional<fs::path> ask(pictavo::PanelPurpose) override {
        ++asked;
        if (answers.empty()) return std::nullopt;
        auto answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
};

// A main window over stores of its own, with photos and an output folder in a temporary
// folder, and the private temporary files and Trash inside it too.
class WindowScene {
public:
    WindowScene();

    fs::path photos() const { return root.path() / "photos"; }
    fs::path output() const { return root.path() / "out"; }
    std::vector<fs::path> addPhotos(int count, const std::string& extension = ".png");
    bool estimatesSettle();
    bool exportEnds();

    testing_support::TemporaryFolder root;
    support::FolderVariable runtime{"XDG_RUNTIME_DIR", root.path() / "runtime"};
    support::FolderVariable data{"XDG_DATA_HOME", root.path() / "data"};
    pictavo::MemoryUserDefaults defaults;
    pictavo::PathBookmarks bookmarks;
    ScriptedFolderAsker folderAsker;
    pictavo::SettingsStore settings{defaults};
    pictavo::DestinationStore destinations{defaults, bookmarks, folderAsker};
    pictavo::OpenedFiles openedFiles;
    ScriptedServices services;
    const pictavo::ConversionEngine engine{pictavo::DecoderRegistry::standard(), pictavo::EncoderRegistry::standard(),
                                           pictavo::SourceOptimiserRegistry::standard()};
    std::unique_ptr<pictavo::MainWindow> window;
};

} // namespace shell_testing
