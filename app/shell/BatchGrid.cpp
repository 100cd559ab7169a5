#include "app/shell/BatchGrid.h"

#include "app/batch/DragFileMimeData.h"
#include "app/batch/ExportedImage.h"
#include "app/design/DSAnnouncer.h"
#include "app/design/DSPalette.h"
#include "app/design/DSTheme.h"
#include "app/shell/BatchCommands.h"
#include "app/shell/GridGeometry.h"
#include "app/shell/ImageCard.h"
#include "app/shell/RunNotice.h"
#include "app/shell/ShellServices.h"
#include "app/shell/WindowSelection.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace pictavo {

namespace {

QUrl urlOf(const std::filesystem::path& path) { return QUrl::fromLocalFile(QFile::decodeName(path.c_str())); }

QString cssColour(const QColor& colour) {
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(colour.red())
        .arg(colour.green())
        .arg(colour.blue())
        .arg(colour.alphaF(), 0, 'f', 3);
}

// A slim rounded handle in a label colour, with no arrows and no groove: the grid scrolls
// under it, as the cards' own surfaces are the only boxes in the window.
QString scrollBarLook() {
    return QStringLiteral("QScrollBar:vertical { background: transparent; width: 14px; margin: 2px 3px 2px 3px; }"
                          "QScrollBar::handle:vertical { background: %1; border-radius: 4px; min-height: 36px; }"
                          "QScrollBar::handle:vertical:hover, QScrollBar::handle:vertical:pressed { background: %2; }"
                          "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0px; }"
                          "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }")
        .arg(cssColour(palette::tertiaryLabel().current()), cssColour(palette::secondary().current()));
}

// While a menu opened from the keyboard is open, reads its highlighted row again after each
// change of the active window. The main window is told active again only after the menu has
// shown its first row, and a screen reader then reads the window and its focused card, and
// stays there, while the keys still go to the menu.
class MenuRowKeeper : public QObject {
public:
    MenuRowKeeper(QWidget* window, QMenu& menu) : QObject(&menu), menu_(menu) {
        window->installEventFilter(this);
        // The window system's activation, which reaches the screen reader whether or not the
        // widgets hear of it while the menu holds the keys.
        connect(qApp, &QGuiApplication::focusWindowChanged, this, [this] { announceRowLater(); });
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::WindowActivate || event->type() == QEvent::ActivationChange) announceRowLater();
        return false;
    }

private:
    // After the activation has reached the screen reader.
    void announceRowLater() {
        if (menu_.isVisible()) QTimer::singleShot(0, &menu_, [menu = &menu_] { announceRow(*menu); });
    }

    static void announceRow(QMenu& menu) {
        QAction* row = menu.activeAction();
        if (!row || !menu.isVisible()) return;
        QAccessibleEvent focus(&menu, QAccessible::Focus);
        focus.setChild(static_cast<int>(menu.actions().indexOf(row)));
        QAccessible::updateAccessibility(&focus);
    }

    QMenu& menu_;
};

} // namespace

// The grid's content: lays the cards out, and takes the keys and clicks no card takes.
class BatchGrid::Canvas : public QWidget {
public:
    explicit Canvas(BatchGrid* grid) : QWidget(grid), grid_(grid) {}

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (!grid_->handleKey(event->key(), event->modifiers())) QWidget::keyPressEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) {
            CardSelection::Selection selection = grid_->selection_.value();
            CardSelection::clearIds(selection);
            grid_->selection_.set(selection);
        }
    }

private:
    BatchGrid* grid_;
};

BatchGrid::BatchGrid(BatchStore& store, ThumbnailLoader& loader, const Converting& engine,
                     WindowSelection& selection, ShellServices& services, QWidget* parent)
    : DSFocusScrollArea(parent), store_(store), loader_(loader), engine_(engine), selection_(selection),
      services_(services) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWidgetResizable(false);
    viewport()->setAutoFillBackground(false);
    canvas_ = new Canvas(this);
    canvas_->setAutoFillBackground(false);
    // The canvas grows below the cards already shown as a drop is admitted: only what the
    // growth exposes is painted, never again every card in view.
    canvas_->setAttribute(Qt::WA_StaticContents);
    setWidget(canvas_);
    menuNews_ = new RunNotice(this);
    verticalScrollBar()->setStyleSheet(scrollBarLook());
    connect(&DSTheme::shared(), &DSTheme::changed, this,
            [this] { verticalScrollBar()->setStyleSheet(scrollBarLook()); });

    relayoutTimer_.setSingleShot(true);
    relayoutTimer_.setInterval(0);
    connect(&relayoutTimer_, &QTimer::timeout, this, &BatchGrid::relayout);
    spinnerTimer_.setInterval(50);
    connect(&spinnerTimer_, &QTimer::timeout, this, &BatchGrid::animateBusyCards);

    // Cards that stay through an insertion or a removal show the same item: telling them
    // again would repaint every card in view for each slice of a large drop.
    connect(&store_, &BatchStore::itemsInserted, this, [this] { syncCards(KeptCards::unchanged); });
    connect(&store_, &BatchStore::itemsRemoved, this, [this] { syncCards(KeptCards::unchanged); });
    connect(&store_, &BatchStore::itemsReset, this, [this] { syncCards(); });
    connect(&store_, &BatchStore::itemChanged, this, &BatchGrid::updateCard);
    connect(&store_, &BatchStore::specChanged, this, &BatchGrid::updateCardsNearView);
    connect(&store_, &BatchStore::isExportingChanged, this, [this](bool exporting) {
        for (ImageCard* card : std::as_const(cards_)) card->setLocked(exporting);
    });
    connect(&selection_, &WindowSelection::changed, this, &BatchGrid::applySelection);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &BatchGrid::updateCardsNearView);
    syncCards();
}

void BatchGrid::wire(ImageCard* card) {
    const QUuid id = card->item().id;
    connect(card, &ImageCard::clicked, this, [this, id](Qt::KeyboardModifiers modifiers) { clickCard(id, modifiers); });
    connect(card, &ImageCard::removeRequested, this, [this, id] { removeCards({id}); });
    connect(card, &ImageCard::copyDetailsRequested, this, [this, id] { copyDetails(id); });
    connect(card, &ImageCard::pageChosen, this, [this, id](std::int64_t page) { store_.setPage(page, id); });
    connect(card, &ImageCard::contextMenuRequested, this, [this, id](const QPoint& position, bool fromKeyboard) {
        showContextMenu(id, position, fromKeyboard);
    });
    connect(card, &ImageCard::focusTaken, this, [this, id] {
        focusedCard_ = id;
        for (ImageCard* each : std::as_const(cards_)) each->setFocusedCard(each->item().id == id);
        CardSelection::Selection selection = selection_.value();
        selection.focus = id;
        selection_.set(selection);
    });
    card->setDragData([this, id] { return dragData(id); });
}

QMimeData* BatchGrid::dragData(const QUuid& id) const {
    const ImageCard* card = cards_.value(id);
    if (!card) return nullptr;
    const BatchItem& item = card->item();
    if (const auto* exported = std::get_if<BatchItem::Exported>(&item.state)) {
        if (!std::filesystem::exists(exported->url)) return nullptr;
        auto* data = new QMimeData;
        data->setUrls({urlOf(exported->url)});
        return data;
    }
    if (item.sourceIsGone) return nullptr;
    const ExportedImage image(item.url, store_.spec(), engine_, item.page);
    return new DragFileMimeData(image.writeDragFile());
}

void BatchGrid::syncCards(KeptCards keptCards) {
    QList<QUuid> order;
    order.reserve(static_cast<qsizetype>(store_.items().size()));
    QHash<QUuid, ImageCard*> kept;
    bool made = false;
    for (const BatchItem& item : store_.items()) {
        order.append(item.id);
        ImageCard* card = cards_.take(item.id);
        if (!card) {
            // Hidden, even when made while the grid is (it would show with the grid), until the
            // view reaches it (updateCardsNearView): Qt asks the display server where the
            // pointer is for every child shown in a window the pointer is in, a round trip each,
            // which for a drop of a thousand files held the window for a tenth of a second.
            card = new ImageCard(item, canvas_);
            card->hide();
            card->setLocked(store_.isExporting());
            wire(card);
            made = true;
        } else if (keptCards == KeptCards::mayHaveChanged) {
            card->setItem(item);
        }
        kept.insert(item.id, card);
    }
    std::swap(cards_, kept);
    // A focused card that goes hands the keyboard focus straight to the card that takes its
    // place, so that none is lost and nothing unnamed holds it meanwhile.
    QSet<QUuid> removed;
    for (ImageCard* gone : std::as_const(kept)) removed.insert(gone->item().id);
    for (ImageCard* gone : std::as_const(kept)) {
        if (gone->hasFocus() || (gone->pagePicker() && gone->pagePicker()->hasFocus())) {
            const std::optional<QUuid> next = BatchSelection<QUuid>::focusAfterRemoval(gone->item().id, removed, order_);
            if (next) focusCard(*next);
        }
        gone->hide();
        gone->deleteLater();
    }
    order_ = std::move(order);
    if (focusedCard_ && !cards_.contains(*focusedCard_)) focusedCard_.reset();
    applySelection();
    // New cards are placed before any is shown: where they were made they would all be
    // drawn, piled up in view, once.
    if (made) {
        relayout();
    } else {
        scheduleRelayout();
    }
}

void BatchGrid::updateCard(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= store_.items().size()) return;
    const BatchItem& item = store_.items()[static_cast<std::size_t>(row)];
    ImageCard* card = cards_.value(item.id);
    if (!card) return syncCards();
    const int before = card->heightForWidth(card->width());
    card->setItem(item);
    // Another page or a new stamp of the file is another picture.
    if (card->geometry().intersects(nearView())) card->loadThumbnail(loader_, store_.spec().adjustments);
    if (card->heightForWidth(card->width()) != before) scheduleRelayout();
    if (!spinnerTimer_.isActive()) spinnerTimer_.start();
}

void BatchGrid::scheduleRelayout() { relayoutTimer_.start(); }

void BatchGrid::relayout() {
    const double available = viewport()->width() - 2 * GridGeometry::padding;
    columns_ = GridGeometry::columnsFor(available);
    const double cardWidth = std::max(1.0, GridGeometry::cardWidth(available, columns_));
    double y = GridGeometry::padding;
    for (qsizetype first = 0; first < order_.size(); first += columns_) {
        int rowHeight = 0;
        const qsizetype end = std::min<qsizetype>(first + columns_, order_.size());
        for (qsizetype i = first; i < end; ++i) {
            rowHeight = std::max(rowHeight, cards_.value(order_[i])->heightForWidth(static_cast<int>(cardWidth)));
        }
        for (qsizetype i = first; i < end; ++i) {
            const double x = GridGeometry::padding + static_cast<double>(i - first) * (cardWidth + GridGeometry::spacing);
            ImageCard* card = cards_.value(order_[i]);
            const int height = card->heightForWidth(static_cast<int>(cardWidth));
            card->setGeometry(static_cast<int>(std::round(x)), static_cast<int>(y), static_cast<int>(cardWidth), height);
        }
        y += rowHeight + GridGeometry::spacing;
    }
    const double contentHeight = order_.isEmpty() ? 2 * GridGeometry::padding
                                                  : y - GridGeometry::spacing + GridGeometry::padding;
    canvas_->resize(viewport()->width(), static_cast<int>(std::ceil(contentHeight)));
    updateCardsNearView();
    Q_EMIT cardsLaidOut();
}

QRect BatchGrid::inView() const {
    return QRect(0, verticalScrollBar()->value(), canvas_->width(), viewport()->height());
}

QRect BatchGrid::nearView() const {
    const int top = verticalScrollBar()->value();
    const int screen = viewport()->height();
    return QRect(0, top - screen, canvas_->width(), screen * 3);
}

void BatchGrid::updateCardsNearView() {
    const QRect shown = inView();
    const QRect wanted = nearView();
    const Adjustments adjustments = store_.spec().adjustments;
    bool busy = false;
    for (ImageCard* card : std::as_const(cards_)) {
        if (card->isHidden() && card->geometry().intersects(shown)) card->show();
        if (card->geometry().intersects(wanted)) {
            card->loadThumbnail(loader_, adjustments);
        } else {
            card->releaseThumbnail();
        }
        const auto& state = card->item().state;
        busy = busy || std::holds_alternative<BatchItem::Estimating>(state) ||
               std::holds_alternative<BatchItem::Exporting>(state);
    }
    if (busy && !spinnerTimer_.isActive()) spinnerTimer_.start();
}

void BatchGrid::animateBusyCards() {
    const QRect shown = inView();
    bool busy = false;
    for (ImageCard* card : std::as_const(cards_)) {
        const auto& state = card->item().state;
        if (!std::holds_alternative<BatchItem::Estimating>(state) && !std::holds_alternative<BatchItem::Exporting>(state)) {
            continue;
        }
        busy = true;
        if (card->geometry().intersects(shown)) card->updateBusyIndicator();
    }
    if (!busy) spinnerTimer_.stop();
}

void BatchGrid::applySelection() {
    const CardSelection::Selection& selection = selection_.value();
    for (ImageCard* card : std::as_const(cards_)) card->setSelected(selection.ids.contains(card->item().id));
    // A focus moved elsewhere (by a removal from the menu) takes the keyboard focus along.
    if (selection.focus != focusedCard_) {
        if (selection.focus && cards_.contains(*selection.focus)) {
            focusCard(*selection.focus);
        } else if (!selection.focus) {
            focusedCard_.reset();
            for (ImageCard* card : std::as_const(cards_)) card->setFocusedCard(false);
        }
    }
}

void BatchGrid::focusCard(const QUuid& id) {
    ImageCard* card = cards_.value(id);
    if (!card) return;
    focusedCard_ = id;
    for (ImageCard* each : std::as_const(cards_)) each->setFocusedCard(each == card);
    if (!isVisible()) return;
    // A hidden card would take the focus only once shown.
    if (card->isHidden()) card->show();
    card->setFocus(Qt::OtherFocusReason);
}

void BatchGrid::clickCard(const QUuid& id, Qt::KeyboardModifiers modifiers) {
    focusCard(id);
    CardSelection::Selection selection = selection_.value();
    CardSelection::click(selection, id, CardSelection::clickMode(modifiers), order_);
    selection_.set(selection);
}

bool BatchGrid::handleKey(int key, Qt::KeyboardModifiers modifiers) {
    CardSelection::Selection selection = selection_.value();
    if (key == Qt::Key_Escape) {
        if (selection.ids.isEmpty()) return true;
        CardSelection::clearIds(selection);
        selection_.set(selection);
        sayHowManySelected();
        return true;
    }
    // The context menu's other key, where the platform gives only the Menu key its menu.
    if (key == Qt::Key_F10 && modifiers == Qt::ShiftModifier) {
        if (ImageCard* card = focusedCard_ ? cards_.value(*focusedCard_) : nullptr) {
            showContextMenu(*focusedCard_, card->mapToGlobal(card->rect().center()), true);
        }
        return true;
    }
    if (key == Qt::Key_Space) {
        toggleFocusedCard();
        return true;
    }
    std::optional<CardSelection::Arrow> arrow;
    if (key == Qt::Key_Left) arrow = CardSelection::Arrow::left;
    if (key == Qt::Key_Right) arrow = CardSelection::Arrow::right;
    if (key == Qt::Key_Up) arrow = CardSelection::Arrow::up;
    if (key == Qt::Key_Down) arrow = CardSelection::Arrow::down;
    if (!arrow || !focusedCard_) return false;
    const std::optional<qsizetype> target =
        CardSelection::arrowTarget(order_.size(), order_.indexOf(*focusedCard_), columns_, *arrow);
    // Not handled, but not passed on either: the scroll area would move the view instead.
    if (!target) return true;
    const QUuid id = order_[*target];
    ensureWidgetVisible(cards_.value(id), 0, 0);
    focusCard(id);
    CardSelection::moveTo(selection, id, modifiers.testFlag(Qt::ShiftModifier));
    selection_.set(selection);
    // Said with the card that took the focus, as one piece: a screen reader reads only the
    // latest of two focus events it has not yet come to, and would leave out the card.
    ImageCard* card = cards_.value(id);
    if (modifiers.testFlag(Qt::ShiftModifier) && card && card->hasFocus()) {
        DSAnnouncer::accessible().say(card, card->spokenText() + QStringLiteral(", ") + howManySelected());
    }
    return true;
}

void BatchGrid::toggleFocusedCard() {
    ImageCard* card = focusedCard_ ? cards_.value(*focusedCard_) : nullptr;
    if (!card) return;
    CardSelection::Selection selection = selection_.value();
    CardSelection::toggle(selection, *focusedCard_);
    selection_.set(selection);
    // A screen reader leaves a change of a button's selected state unsaid.
    const QString state = card->isSelected() ? QStringLiteral(", selected, ") : QStringLiteral(", deselected, ");
    DSAnnouncer::accessible().say(card, card->accessibleName() + state + howManySelected());
}

void BatchGrid::sayHowManySelected() {
    ImageCard* card = focusedCard_ ? cards_.value(*focusedCard_) : nullptr;
    DSAnnouncer::accessible().say(card ? static_cast<QWidget*>(card) : this, howManySelected());
}

QString BatchGrid::howManySelected() const {
    const qsizetype count = selection_.value().ids.size();
    return count == 0 ? QStringLiteral("nothing selected") : QStringLiteral("%1 selected").arg(count);
}

QStringList BatchGrid::namesOf(const QSet<QUuid>& ids) const {
    QStringList names;
    for (const QUuid& id : order_) {
        // The menu's title is asked as the focus moves, which it also does while cards go.
        const ImageCard* card = ids.contains(id) ? cards_.value(id) : nullptr;
        if (card) names.append(card->item().displayName);
    }
    return names;
}

QString BatchGrid::takeOut(const QSet<QUuid>& ids) {
    const QStringList names = namesOf(ids);
    CardSelection::Selection selection = selection_.value();
    const std::size_t before = store_.items().size();
    BatchSelection<QUuid>::removeSelected(ids, store_, selection);
    selection_.set(selection);
    if (selection.focus) focusCard(*selection.focus);
    if (store_.items().size() == before || names.isEmpty()) return {};
    return names.size() == 1 ? names.front() + QStringLiteral(" removed from the batch")
                             : QStringLiteral("%1 images removed from the batch").arg(names.size());
}

void BatchGrid::removeCards(const QSet<QUuid>& ids) {
    const QString went = takeOut(ids);
    if (went.isEmpty()) return;
    // The focus lands on a card a screen reader reads as any other; what went is said with it,
    // in one piece, as a reader reads only the latest of two focus events it has not come to.
    QStringList said{went};
    QWidget* keyboard = QApplication::focusWidget();
    if (QAccessibleInterface* now = keyboard ? QAccessible::queryAccessibleInterface(keyboard) : nullptr) {
        for (const QAccessible::Text text : {QAccessible::Name, QAccessible::Description}) {
            if (!now->text(text).isEmpty()) said.append(now->text(text));
        }
    }
    DSAnnouncer::accessible().say(keyboard ? keyboard : this, said.join(QStringLiteral(", ")));
}

std::optional<QUuid> BatchGrid::cardHolding(const QWidget* keyboard) const {
    const ImageCard* card = focusedCard_ ? cards_.value(*focusedCard_) : nullptr;
    if (!card || !keyboard || (keyboard != card && !card->isAncestorOf(keyboard))) return std::nullopt;
    return focusedCard_;
}

void BatchGrid::copyDetails(const QUuid& id) {
    ImageCard* card = cards_.value(id);
    if (!card || !card->item().isFailed() || !card->item().detailsOfTheFailure) return;
    services_.copyText(*card->item().detailsOfTheFailure);
    // Copying changes nothing in the window; it is shown and told beside the card, once the
    // menu it was chosen from has handed the keyboard back to the card.
    QTimer::singleShot(0, card, [card] {
        const QString copied = QStringLiteral("Details copied");
        QToolTip::showText(card->mapToGlobal(card->rect().center()), copied, card);
        DSAnnouncer::accessible().say(card, copied);
    });
}

void BatchGrid::showContextMenu(const QUuid& id, const QPoint& globalPosition, bool fromKeyboard) {
    ImageCard* card = cards_.value(id);
    if (!card) return;
    const BatchItem item = card->item();
    QMenu menu(this);
    if (const auto* exported = std::get_if<BatchItem::Exported>(&item.state)) {
        const std::filesystem::path file = exported->url;
        menu.addAction(QStringLiteral("Show in File Manager"), this, [this, file] { services_.reveal({file}); });
    }
    if (item.isFailed() && item.detailsOfTheFailure) {
        menu.addAction(QStringLiteral("Copy Details"), this, [this, id] { copyDetails(id); });
    }
    const QSet<QUuid> removed = cardsRemovedFrom(selection_.value().ids, id);
    QString went;
    QAction* remove = menu.addAction(removeTitle(namesOf(removed)), this, [this, removed, &went] { went = takeOut(removed); });
    remove->setEnabled(!store_.isExporting());
    if (fromKeyboard) {
        const QList<QAction*> actions = menu.actions();
        const auto first = std::find_if(actions.begin(), actions.end(), [](QAction* action) { return action->isEnabled(); });
        // Once shown: a menu not yet shown tells no screen reader of its highlight.
        if (first != actions.end()) QTimer::singleShot(0, &menu, [&menu, action = *first] { menu.setActiveAction(action); });
        new MenuRowKeeper(window(), menu);
    }
    menu.exec(globalPosition);
    // The card kept the keyboard all along, so nothing else tells a screen reader it is back there.
    if (fromKeyboard) DSAnnouncer::accessible().returnToKeyboardFocus();
    // A screen reader heeds nothing the window says while the closing menu holds its attention,
    // and then reads the window and its focused card: what went is told after that.
    if (!went.isEmpty()) menuNews_->announce(went + QLatin1Char('.'));
}

void BatchGrid::resizeEvent(QResizeEvent* event) {
    DSFocusScrollArea::resizeEvent(event);
    relayout();
}

void BatchGrid::showEvent(QShowEvent* event) {
    DSFocusScrollArea::showEvent(event);
    relayout();
    if (!focusedCard_ && !order_.isEmpty()) {
        const QUuid first = order_.front();
        // Looked up again when the wait ends: the card may have gone meanwhile.
        QTimer::singleShot(50, this, [this, first] {
            if (!focusedCard_ && cards_.contains(first)) focusCard(first);
        });
    }
}

ImageCard* BatchGrid::tabStop() const {
    if (focusedCard_ && cards_.contains(*focusedCard_)) return cards_.value(*focusedCard_);
    return order_.isEmpty() ? nullptr : cards_.value(order_.front());
}

QList<QWidget*> BatchGrid::innerTabStops() const {
    const ImageCard* card = focusedCard_ ? cards_.value(*focusedCard_) : nullptr;
    if (card && card->pagePicker()) return {card->pagePicker()};
    return {};
}

} // namespace pictavo
