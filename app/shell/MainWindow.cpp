#include "app/shell/MainWindow.h"

#include "ImageEngine/Running/EncodeConcurrency.h"
#include "app/design/DSPalette.h"
#include "app/design/DSTheme.h"
#include "app/desktop/FrameFit.h"
#include "app/desktop/PanelPurpose.h"
#include "app/desktop/StartingSize.h"
#include "app/options/FormatChip.h"
#include "app/options/SizeChip.h"
#include "app/options/ToolbarChips.h"
#include "app/preferences/ApplicationUpdates.h"
#include "app/preferences/SettingsWindow.h"
#include "app/shell/AppIdentity.h"
#include "app/shell/BatchGrid.h"
#include "app/shell/DropZone.h"
#include "app/shell/ExportButton.h"
#include "app/shell/HeroBand.h"
#include "app/shell/ImageCard.h"
#include "app/shell/ImportNews.h"
#include "app/shell/OpenedFiles.h"
#include "app/shell/RunNotice.h"
#include "app/shell/ShellServices.h"
#include "app/shell/SupportPage.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QFile>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QStackedWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

namespace pictavo {

namespace fs = std::filesystem;

namespace {

QList<QUrl> localFiles(const QList<QUrl>& urls) {
    QList<QUrl> files;
    for (const QUrl& url : urls) {
        if (url.isLocalFile()) files.append(url);
    }
    return files;
}

// The toolbar sits flat on the window's own background, with a hairline under it.
class WindowToolBar : public QToolBar {
public:
    using QToolBar::QToolBar;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette::DSWindowBg().current());
        painter.setPen(QPen(palette::DSSeparator().current(), 1));
        painter.drawLine(QPointF(0, height() - 0.5), QPointF(width(), height() - 0.5));
    }
};

// What a run's summary says of where it wrote, fixed when the run starts.
QString phraseOf(const ExportDestination& destination) {
    switch (destination.kind()) {
    case ExportDestination::Kind::besideOriginal: return QStringLiteral("beside each original");
    case ExportDestination::Kind::folder:
        return QStringLiteral("into ") + DestinationStore::abbreviatedPath(destination.folderPath());
    case ExportDestination::Kind::replaceOriginal: return QStringLiteral("over each original");
    }
    return {};
}

} // namespace

MainWindow::MainWindow(SettingsStore& settings, DestinationStore& destinations, OpenedFiles& openedFiles,
                       ShellServices& services, const ConversionEngine& engine, WorkingFileSweep* workingFiles,
                       QWidget* parent)
    : QMainWindow(parent), settings_(settings), destinations_(destinations), openedFiles_(openedFiles),
      services_(services), engine_(engine), loader_(nullptr, engine.pixelMemory()) {
    store_ = std::make_unique<BatchStore>(converting_, writer_, engine_.decoders(), std::chrono::milliseconds(150),
                                          readSourceStamp, EncodeConcurrency::width(),
                                          platform::FileOperations::system(), workingFiles);
    setWindowTitle(QString::fromLatin1(identity::displayName));
    resize(startingSize(QSize(1120, 760), this));
    setMinimumSize(startingSize(QSize(720, 480), this));
    new FrameFit(*this);
    setAcceptDrops(true);
    setContextMenuPolicy(Qt::PreventContextMenu);

    pages_ = new QStackedWidget(this);
    dropZone_ = new DropZone(pages_);
    pages_->addWidget(dropZone_);
    auto* batchPage = new QWidget(pages_);
    auto* column = new QVBoxLayout(batchPage);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    band_ = new HeroBand(destinations_, batchPage);
    grid_ = new BatchGrid(*store_, loader_, converting_, selection_, services_, batchPage);
    column->addWidget(band_);
    column->addWidget(grid_, 1);
    pages_->addWidget(batchPage);
    setCentralWidget(pages_);
    batchNews_ = new RunNotice(this);
    pages_->setAutoFillBackground(true);
    restyle();
    connect(&DSTheme::shared(), &DSTheme::changed, this, &MainWindow::restyle);

    buildMenus();
    buildToolbar();

    refreshTimer_.setSingleShot(true);
    refreshTimer_.setInterval(0);
    connect(&refreshTimer_, &QTimer::timeout, this, &MainWindow::refresh);
    for (auto signal : {&BatchStore::itemsInserted, &BatchStore::itemsRemoved}) {
        connect(store_.get(), signal, this, &MainWindow::scheduleRefresh);
    }
    connect(store_.get(), &BatchStore::itemChanged, this, &MainWindow::scheduleRefresh);
    connect(store_.get(), &BatchStore::itemsReset, this, &MainWindow::scheduleRefresh);
    connect(store_.get(), &BatchStore::exportSummaryChanged, this, &MainWindow::scheduleRefresh);
    connect(store_.get(), &BatchStore::totalEstimatedBytesAtRunStartChanged, this, &MainWindow::scheduleRefresh);
    // A run that needs a folder waits for it; the panel opens without holding up the window.
    connect(store_.get(), &BatchStore::folderRequestChanged, this, [this] {
        if (const std::optional<FolderRequest> request = store_->folderRequest()) {
            folderRequests_.show(*request, [store = store_.get()](const QUuid& id, std::optional<fs::path> folder) {
                store->answerFolderRequest(id, std::move(folder));
            });
        } else {
            folderRequests_.withdraw();
        }
    });
    connect(store_.get(), &BatchStore::isExportingChanged, this, [this](bool exporting) {
        if (exporting) {
            // Before the controls are disabled: Qt tells screen readers of the focus a disabled
            // control loses as though it were a focus of its own.
            refreshContent();
            holdKeyboardThroughRun();
            refreshControls();
            return;
        }
        // The keyboard is back on its control before the band tells how the run went, which
        // a screen reader would otherwise cut short to read that control.
        refreshControls();
        returnKeyboardAfterRun();
        leadsToFailedCard_ = firstFailedCard().has_value();
        refresh();
        exportDidEnd();
    });
    connect(&selection_, &WindowSelection::changed, this, &MainWindow::refresh);
    // What Remove acts on follows the keyboard from card to card. The menu bar takes the
    // keyboard to open the Edit menu and gives it back before the chosen row acts: the row
    // names what the keyboard was on before.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && now->window() == this && !qobject_cast<QMenuBar*>(now)) keyboardInWindow_ = now;
        if (now && grid_->isAncestorOf(now)) leadsToFailedCard_ = false;
        refreshActions();
    });
    connect(&destinations_, &DestinationStore::choiceChanged, this, &MainWindow::refresh);
    connect(&destinations_, &DestinationStore::chosenFolderChanged, this, &MainWindow::refresh);
    connect(&settings_, &SettingsStore::specChanged, this, &MainWindow::syncSpec);
    connect(&openedFiles_, &OpenedFiles::pendingChanged, this, &MainWindow::admitOpenedFiles);
    connect(dropZone_, &DropZone::chooseRequested, this, &MainWindow::chooseImages);
    // The band's link names the selection ("Remove 2") and takes it, wherever the keyboard is:
    // a click leaves the keyboard where it was.
    connect(band_, &HeroBand::removeSelectedRequested, this, [this] {
        const QSet<QUuid> selected = selection_.value().ids;
        grid_->removeCards(selected);
    });
    connect(band_, &HeroBand::deselectRequested, this, [this] {
        CardSelection::Selection selection = selection_.value();
        CardSelection::clearIds(selection);
        selection_.set(selection);
    });
    connect(band_, &HeroBand::clearAllRequested, this, [this] {
        store_->clearAll();
        selection_.set({});
        batchNews_->announce(QStringLiteral("Every image was taken out of the batch."));
    });
    connect(band_, &HeroBand::revealRequested, this, &MainWindow::revealExported);
    // Thumbnails of cards whose files can no longer make them again are kept from eviction.
    const auto keepThumbnails = [this] { loader_.keep(store_->thumbnailSources()); };
    connect(store_.get(), &BatchStore::itemChanged, this, keepThumbnails);
    connect(store_.get(), &BatchStore::itemsRemoved, this, keepThumbnails);
    connect(store_.get(), &BatchStore::itemsReset, this, keepThumbnails);

    syncSpec();
    refresh();
    // Files handed over before the window existed are taken once it shows.
    QTimer::singleShot(0, this, &MainWindow::admitOpenedFiles);
}

MainWindow::~MainWindow() {
    // The focus leaving the cards as they go finds no grid to ask.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
    // The grid's cards go before the store they show.
    delete pages_;
    pages_ = nullptr;
    store_.reset();
}

void MainWindow::restyle() {
    QPalette background = pages_->palette();
    background.setColor(QPalette::Window, palette::DSWindowBg().current());
    pages_->setPalette(background);
    // Cards, pills and symbols resolve their colours when they are drawn.
    update();
}

void MainWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    openAction_ = file->addAction(QStringLiteral("Open\u2026"), this, &MainWindow::chooseImages);
    openAction_->setShortcut(QKeySequence::Open);
    addFolderAction_ = file->addAction(QStringLiteral("Add Folder\u2026"), this, &MainWindow::chooseFolderOfImages);
    addFolderAction_->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+O")));
    file->addSeparator();
    exportAction_ = file->addAction(QStringLiteral("Export"), this, &MainWindow::requestExport);
    exportAction_->setShortcut(QKeySequence(QStringLiteral("Ctrl+E")));
    file->addSeparator();
    quitAction_ = file->addAction(QStringLiteral("Quit"), this, &QWidget::close);
    quitAction_->setShortcut(QKeySequence::Quit);
    quitAction_->setShortcutContext(Qt::ApplicationShortcut);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    selectAllAction_ = edit->addAction(QStringLiteral("Select All"), this, [this] {
        CardSelection::Selection selection = selection_.value();
        CardSelection::selectAll(selection, store_->itemIds());
        selection_.set(selection);
        grid_->sayHowManySelected();
    });
    selectAllAction_->setShortcut(QKeySequence::SelectAll);
    // Only while the grid has the focus: a text field keeps its own Ctrl+A.
    selectAllAction_->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    grid_->addAction(selectAllAction_);
    removeAction_ = edit->addAction(QStringLiteral("Remove"), this, &MainWindow::removeSelectedCards);
    removeAction_->setShortcuts({QKeySequence::Delete, QKeySequence(QStringLiteral("Ctrl+Backspace"))});
    edit->addSeparator();
    revealAction_ = edit->addAction(QStringLiteral("Show in File Manager"), this, &MainWindow::revealExported);
    revealAction_->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+R")));
    edit->addSeparator();
    edit->addAction(QStringLiteral("Settings\u2026"), QKeySequence(QStringLiteral("Ctrl+,")), this,
                    [this] { SettingsWindow::open(settings_, destinations_, applicationUpdates(), engine_); });

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    const std::optional<QUrl> supportPage = SupportPage::current();
    supportAction_ = help->addAction(QString::fromLatin1(identity::displayName) + QStringLiteral(" Support"), this,
                                     [this, supportPage] {
                                         if (supportPage) services_.openWebPage(*supportPage);
                                     });
    supportAction_->setShortcut(QKeySequence::HelpContents);
    supportAction_->setEnabled(supportPage.has_value());
    aboutAction_ = help->addAction(QStringLiteral("About ") + QString::fromLatin1(identity::displayName), this,
                                   [this] { services_.showAbout(this); });
    QAction* checkForUpdates = help->addAction(QStringLiteral("Check for Updates\u2026"), this,
                                               [] { applicationUpdates().controller().checkForUpdates(); });
    checkForUpdates->setEnabled(applicationUpdates().canCheckForUpdates());
    connect(&applicationUpdates(), &UpdateController::canCheckForUpdatesChanged, checkForUpdates, &QAction::setEnabled);
}

void MainWindow::buildToolbar() {
    auto* toolbar = new WindowToolBar(QStringLiteral("Toolbar"), this);
    addToolBar(toolbar);
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->setContentsMargins(8, 4, 8, 4);
    chips_ = new ToolbarChips(
        settings_, engine_,
        [this] {
            std::optional<FilenameSubject> card;
            if (!store_->items().empty())
                card = FilenameSubject::ofCard(engine_, store_->items().front(), settings_.spec());
            return card ? *card : FilenameSubject::example(engine_, settings_.spec());
        },
        toolbar);
    toolbar->addWidget(chips_);
    auto* spacer = new QWidget(toolbar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolbar->addWidget(spacer);
    exportButton_ = new ExportButton(toolbar);
    toolbar->addWidget(exportButton_);
    connect(exportButton_, &QAbstractButton::clicked, this, &MainWindow::requestExport);
}

BatchCommands MainWindow::commands() const {
    return BatchCommands::of(static_cast<std::int64_t>(store_->items().size()),
                             store_->isExporting() || isPreparingExport_, cardsToRemove().size(),
                             static_cast<std::int64_t>(store_->exportedURLs().size()));
}

QSet<QUuid> MainWindow::cardsToRemove() const {
    return cardsRemovedFrom(selection_.value().ids, grid_->cardHolding(keyboardInWindow_));
}

BandSummary MainWindow::summary() const {
    ExportPhase phase;
    if (store_->isExporting()) {
        phase.value = ExportPhase::Running{store_->finishedCount(), store_->totalEstimatedBytesAtRunStart()};
    } else if (const auto& summary = store_->exportSummary()) {
        phase.value = ExportPhase::Finished{summary->saved, summary->failed};
    }
    return BandSummary::make(static_cast<std::int64_t>(store_->items().size()), selection_.value().ids.size(),
                             store_->sourceBytes(), store_->estimatedBytes(), phase, finishedRunPhrase());
}

QString MainWindow::finishedRunPhrase() const {
    const std::optional<ExportSummary>& summary = store_->exportSummary();
    if (!summary || !summary->fallbackFolder || summary->savedIntoFallback == 0) return runPhrase_;
    const QString fallback = QStringLiteral("into ") + DestinationStore::abbreviatedPath(*summary->fallbackFolder);
    if (summary->savedIntoFallback == summary->saved) return fallback;
    return runPhrase_ + QStringLiteral(" or ") + fallback;
}

bool MainWindow::showsDropZone() const { return pages_->currentWidget() == dropZone_; }

void MainWindow::scheduleRefresh() { refreshTimer_.start(); }

void MainWindow::refresh() {
    refreshContent();
    refreshControls();
}

void MainWindow::refreshContent() {
    refreshTimer_.stop();
    const bool empty = store_->items().empty();
    if (empty && !wasEmpty_) resetForEmptyBatch();
    wasEmpty_ = empty;
    pages_->setCurrentIndex(empty ? 0 : 1);
    dropZone_->setNotice(notice_);
    band_->setSummary(summary(), !store_->exportedURLs().empty(), notice_);
}

void MainWindow::refreshControls() {
    chips_->setEnabled(!store_->isExporting());
    exportButton_->refresh(static_cast<std::int64_t>(store_->items().size()),
                           destinations_.choice() == DestinationStore::Choice::replaceOriginal,
                           store_->isExporting());
    refreshActions();
}

void MainWindow::refreshActions() {
    const BatchCommands now = commands();
    openAction_->setEnabled(now.canOpen);
    addFolderAction_->setEnabled(now.canOpen);
    exportAction_->setEnabled(now.canExport);
    removeAction_->setEnabled(now.canRemoveSelected);
    removeAction_->setText(removeTitle(grid_->namesOf(cardsToRemove())));
    revealAction_->setEnabled(now.canRevealExported);
    selectAllAction_->setEnabled(!store_->items().empty());
}

QStringList MainWindow::imageNameFilters() const {
    std::set<QString> patterns;
    for (const platform::ContentType& type : engine_.decoders().readableTypes()) {
        for (const std::string& extension : type.filenameExtensions()) {
            patterns.insert(QStringLiteral("*.") + QString::fromStdString(extension));
        }
    }
    QStringList list(patterns.begin(), patterns.end());
    return {QStringLiteral("Images (") + list.join(QLatin1Char(' ')) + QLatin1Char(')')};
}

void MainWindow::chooseImages() {
    if (!commands().canOpen) return;
    const QList<QUrl> urls = services_.chooseImages(this, imageNameFilters());
    if (!urls.isEmpty()) importFiles(urls);
}

void MainWindow::chooseFolderOfImages() {
    if (!commands().canOpen) return;
    const QList<QUrl> urls = services_.chooseFolderOfImages(this);
    if (!urls.isEmpty()) importFiles(urls);
}

QWidget* MainWindow::keyboardHome() const {
    if (store_->isExporting() && band_->progressStop()->isVisibleTo(this)) return band_->progressStop();
    if (showsDropZone()) return dropZone_->chooseButton();
    return grid_->tabStop();
}

void MainWindow::holdKeyboardThroughRun() {
    QWidget* focus = focusWidget();
    const bool lost = !focus || chips_->isAncestorOf(focus) || focus == exportButton_ || !focus->isVisibleTo(this);
    if (!lost || !band_->progressStop()->isVisibleTo(this)) return;
    keyboardBeforeRun_ = focus;
    band_->progressStop()->setFocus(Qt::OtherFocusReason);
}

void MainWindow::returnKeyboardAfterRun() {
    const QPointer<QWidget> before = std::exchange(keyboardBeforeRun_, nullptr);
    const QWidget* now = focusWidget();
    if (!before || (now && now != band_->progressStop())) return;
    if (before->isEnabled() && before->isVisibleTo(this)) before->setFocus(Qt::OtherFocusReason);
}

std::optional<QUuid> MainWindow::firstFailedCard() const {
    if (!store_->exportSummary() || store_->exportSummary()->failed == 0) return std::nullopt;
    for (const BatchItem& item : store_->items()) {
        if (item.isFailed()) return item.id;
    }
    return std::nullopt;
}

bool MainWindow::acceptDrop(const QList<QUrl>& urls) {
    if (store_->isExporting()) return false;
    const bool accepted = store_->accepts(urls);
    importFiles(urls);
    return accepted;
}

void MainWindow::importFiles(const QList<QUrl>& urls) {
    store_->add(urls, [window = QPointer<MainWindow>(this)](BatchStore::AddResult result) {
        if (!window) return;
        if (result.added == 0 && result.skipped >= 1) {
            window->notice_ = nothingReadable;
        } else {
            window->notice_.reset();
        }
        window->refresh();
        if (const QString news = importNews(result); !news.isEmpty()) window->batchNews_->announce(news);
        Q_EMIT window->importFinished();
    });
}

void MainWindow::requestExport() {
    if (!commands().canExport) return;
    if (destinations_.choice() == DestinationStore::Choice::replaceOriginal && !destinations_.hasConfirmedReplace()) {
        if (!services_.confirmReplace(this)) return;
        destinations_.setHasConfirmedReplace(true);
    }
    runExport();
}

void MainWindow::runExport() {
    if (store_->isExporting() || isPreparingExport_ || store_->items().empty()) return;
    // A second request while the folder is being asked for asks nothing more.
    isPreparingExport_ = true;
    refreshActions();
    const DestinationResolution resolution = destinations_.resolve();
    isPreparingExport_ = false;
    refreshActions();
    if (const std::optional<DestinationUnavailable> reason = resolution.reason()) {
        if (services_.offerToChooseFolder(this, *reason)) {
            QTimer::singleShot(0, this, &MainWindow::chooseFolderAndExport);
        }
        return;
    }
    // A cancelled folder panel is no run at all: nothing saved is reported.
    const std::optional<ExportDestination> destination = resolution.destination();
    if (!destination || store_->isExporting()) return;
    runPhrase_ = phraseOf(*destination);
    const SharedSecurityScope scope =
        destinations_.choice() == DestinationStore::Choice::chosenFolder ? destinations_.folderScope() : nullptr;
    store_->exportBatch(converting_, resolution, scope);
}

void MainWindow::chooseFolderAndExport() {
    if (destinations_.chooseFolder()) runExport();
}

void MainWindow::removeSelectedCards() {
    if (!commands().canRemoveSelected) return;
    grid_->removeCards(cardsToRemove());
}

void MainWindow::revealExported() {
    const std::vector<fs::path> files = store_->exportedURLs();
    if (!files.empty()) services_.reveal(files);
}

void MainWindow::admitOpenedFiles() {
    if (store_->isExporting()) return;
    const QList<QUrl> urls = openedFiles_.pending();
    openedFiles_.setPending({});
    if (!urls.isEmpty()) importFiles(urls);
}

void MainWindow::syncSpec() {
    if (!store_->isExporting()) store_->setSpec(settings_.spec());
}

void MainWindow::resetForEmptyBatch() {
    settings_.setSpec(settings_.defaultSpec());
    destinations_.resetChoiceToDefault();
    notice_.reset();
    selection_.set({});
}

void MainWindow::exportDidEnd() {
    store_->setSpec(settings_.spec());
    admitOpenedFiles();
}

void MainWindow::setTargeted(bool targeted) { dropZone_->setTargeted(targeted && !store_->isExporting()); }

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    // A card dragged back onto its own window is not a new file.
    if (store_->isExporting() || event->source() != nullptr || localFiles(event->mimeData()->urls()).isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    setTargeted(true);
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (store_->isExporting() || event->source() != nullptr) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void MainWindow::dragLeaveEvent(QDragLeaveEvent*) { setTargeted(false); }

void MainWindow::dropEvent(QDropEvent* event) {
    setTargeted(false);
    const QList<QUrl> urls = localFiles(event->mimeData()->urls());
    if (event->source() != nullptr || urls.isEmpty() || !acceptDrop(urls)) {
        event->ignore();
        return;
    }
    // Always a copy: the source must never move or delete the originals.
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

QList<QWidget*> MainWindow::tabStops() const {
    QList<QWidget*> stops{chips_->formatChip(), chips_->sizeChip(), chips_->optionsChip(), exportButton_,
                          dropZone_->chooseButton()};
    stops += band_->tabStops();
    if (QWidget* card = grid_->tabStop()) stops.append(card);
    stops += grid_->innerTabStops();
    return stops;
}

bool MainWindow::focusNextPrevChild(bool next) {
    // Qt's own order is the order widgets were made in, which puts cards made after the window
    // behind the toolbar and leaves the toolbar out of the cycle from a card.
    const QList<QWidget*> stops = tabStops();
    const QWidget* focus = focusWidget();
    qsizetype at = -1;
    for (qsizetype i = 0; i < stops.size(); ++i) {
        if (focus && (stops[i] == focus || stops[i]->isAncestorOf(focus))) at = i;
    }
    if (at < 0) return QMainWindow::focusNextPrevChild(next);
    // After a run with failures, the band's summary and links lead on to the first card that
    // failed, once: from then on the grid's stop is the card the user last chose.
    const std::optional<QUuid> failed = leadsToFailedCard_ ? firstFailedCard() : std::nullopt;
    ImageCard* failedCard = failed ? grid_->card(*failed) : nullptr;
    const qsizetype count = stops.size();
    for (qsizetype step = 1; step <= count; ++step) {
        QWidget* stop = stops[((at + (next ? step : -step)) % count + count) % count];
        if (!stop->isVisible() || !stop->isEnabled() || !(stop->focusPolicy() & Qt::TabFocus)) continue;
        if (next && stop == grid_->tabStop() && failedCard) {
            CardSelection::Selection selection = selection_.value();
            selection.focus = *failed;
            selection_.set(selection);
            failedCard->setFocus(Qt::TabFocusReason);
            return true;
        }
        stop->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return true;
    }
    return false;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Each file is written whole, and a replacement under way is finished before the window
    // goes, so quitting never leaves an original half replaced; cards not written yet simply
    // stay as they are. The answer is
    // judged when it comes: a run that ended meanwhile holds nothing back.
    if (store_->isExporting() && !services_.confirmQuitDuringExport(this, *store_) && store_->isExporting()) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace pictavo
