#pragma once
#include "ImageEngine/Pipeline/ConversionEngine.h"
#include "app/batch/BatchStore.h"
#include "app/desktop/FolderRequestDialog.h"
#include "app/desktop/KeyboardHandBack.h"
#include "app/batch/EngineConverting.h"
#include "app/batch/ThumbnailLoader.h"
#include "app/export/DestinationStore.h"
#include "app/export/SystemExportWriter.h"
#include "app/settings/SettingsStore.h"
#include "app/shell/BandSummary.h"
#include "app/shell/BatchCommands.h"
#include "app/shell/WindowSelection.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <optional>

class QAction;
class QStackedWidget;

namespace pictavo {

class BatchGrid;
class DropZone;
class ExportButton;
class HeroBand;
class OpenedFiles;
class RunNotice;
class ShellServices;
class ToolbarChips;

// The main window: one batch with its store and thumbnail cache, converted by the engine it is given; the summary band
// and card grid, or the drop zone while the batch is empty; the toolbar's export button and
// the menu commands. It receives dropped, chosen and opened files, asks before originals are
// replaced, and starts exports.
class MainWindow : public QMainWindow, public KeyboardHome {
    Q_OBJECT

public:
    static inline const QString nothingReadable = QStringLiteral("Nothing there could be read as an image.");

    // `workingFiles`, when given, sweeps what interrupted runs left in the user's folders.
    MainWindow(SettingsStore& settings, DestinationStore& destinations, OpenedFiles& openedFiles,
               ShellServices& services, const ConversionEngine& engine, WorkingFileSweep* workingFiles = nullptr,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    BatchStore& store() { return *store_; }
    ThumbnailLoader& loader() { return loader_; }
    WindowSelection& selection() { return selection_; }
    BatchCommands commands() const;
    const std::optional<QString>& notice() const { return notice_; }
    RunNotice* batchNews() const { return batchNews_; }
    // The band's summary as it is now.
    BandSummary summary() const;

    HeroBand* band() const { return band_; }
    DropZone* dropZone() const { return dropZone_; }
    BatchGrid* grid() const { return grid_; }
    ExportButton* exportButton() const { return exportButton_; }
    ToolbarChips* chips() const { return chips_; }
    bool showsDropZone() const;

    QAction* openAction() const { return openAction_; }
    QAction* addFolderAction() const { return addFolderAction_; }
    QAction* exportAction() const { return exportAction_; }
    QAction* quitAction() const { return quitAction_; }
    QAction* selectAllAction() const { return selectAllAction_; }
    QAction* removeAction() const { return removeAction_; }
    QAction* revealAction() const { return revealAction_; }
    QAction* supportAction() const { return supportAction_; }
    QAction* aboutAction() const { return aboutAction_; }

    // A drop of these URLs: refused during an export; otherwise the import runs whatever the
    // answer, which says whether any of them can be taken.
    bool acceptDrop(const QList<QUrl>& urls);
    void importFiles(const QList<QUrl>& urls);
    void chooseImages();
    void chooseFolderOfImages();
    // The export button and Ctrl+E: confirms a replacement once, resolves the destination and
    // starts the run.
    void requestExport();
    // Removes the cards Remove acts on (see cardsToRemove).
    void removeSelectedCards();
    void revealExported();
    // Where the keyboard goes when the control that had it is gone: the export's progress
    // during a run, else the grid's card, else the drop zone's button.
    QWidget* keyboardHome() const override;

Q_SIGNALS:
    // An import has been admitted (or found nothing).
    void importFinished();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void buildMenus();
    // The window's own background follows the appearance; its content draws in it.
    void restyle();
    void buildToolbar();
    void scheduleRefresh();
    void refresh();
    // The page, the notice and the band.
    void refreshContent();
    // What a run disables and enables again: the chips, the export button and the commands.
    void refreshControls();
    void refreshActions();
    void setTargeted(bool targeted);
    void runExport();
    void chooseFolderAndExport();
    void admitOpenedFiles();
    void syncSpec();
    void resetForEmptyBatch();
    void exportDidEnd();
    // Where the last run's files went: the run's own phrase, or the folder the user chose
    // when the originals' folders refused them.
    QString finishedRunPhrase() const;
    // A run disables the toolbar, or hides the band's link, that had the keyboard: the
    // keyboard waits on the run's progress, where it is heard and Tab leaves it, and goes back
    // when the run ends unless the user has moved it meanwhile.
    void holdKeyboardThroughRun();
    void returnKeyboardAfterRun();
    // What Delete and the menu's Remove act on: the selected cards, or the card the keyboard
    // is on when it has moved off the selection (Tab to a failed card, Space that deselected
    // it, Esc that emptied it).
    QSet<QUuid> cardsToRemove() const;
    // The first card the last run failed, if any.
    std::optional<QUuid> firstFailedCard() const;
    QStringList imageNameFilters() const;
    // Every control Tab may reach, in reading order, those that cannot take the focus now included.
    QList<QWidget*> tabStops() const;

    SettingsStore& settings_;
    DestinationStore& destinations_;
    OpenedFiles& openedFiles_;
    ShellServices& services_;
    const ConversionEngine& engine_;
    EngineConverting converting_{engine_};
    SystemExportWriter writer_;
    ThumbnailLoader loader_;
    // Goes before the engine it calls.
    std::unique_ptr<BatchStore> store_;
    FolderRequestDialog folderRequests_{this};
    WindowSelection selection_;
    std::optional<QString> notice_;
    // Where the last run wrote, as its summary says it; kept from when it started.
    QString runPhrase_;
    QPointer<QWidget> keyboardBeforeRun_;
    // Where the keyboard was in this window, leaving out the menu bar that holds it while a
    // menu opened from the keyboard is open.
    QPointer<QWidget> keyboardInWindow_;
    // A run that failed cards has ended and Tab has not yet taken the keyboard into the grid.
    bool leadsToFailedCard_ = false;
    bool isPreparingExport_ = false;
    bool wasEmpty_ = true;
    QTimer refreshTimer_;

    QStackedWidget* pages_ = nullptr;
    DropZone* dropZone_ = nullptr;
    HeroBand* band_ = nullptr;
    BatchGrid* grid_ = nullptr;
    // What an import or a clearing did to the batch, told wherever the keyboard is.
    RunNotice* batchNews_ = nullptr;
    ExportButton* exportButton_ = nullptr;
    ToolbarChips* chips_ = nullptr;
    QAction* openAction_ = nullptr;
    QAction* addFolderAction_ = nullptr;
    QAction* exportAction_ = nullptr;
    QAction* quitAction_ = nullptr;
    QAction* selectAllAction_ = nullptr;
    QAction* removeAction_ = nullptr;
    QAction* revealAction_ = nullptr;
    QAction* supportAction_ = nullptr;
    QAction* aboutAction_ = nullptr;
};

} // namespace pictavo
