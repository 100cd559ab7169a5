#pragma once
#include "app/batch/BatchStore.h"
#include "app/batch/Converting.h"
#include "app/batch/ThumbnailLoader.h"
#include "app/design/DSFocusScrollArea.h"
#include "app/shell/CardSelection.h"

#include <QHash>
#include <QList>
#include <QTimer>
#include <QUuid>

#include <optional>

class QMimeData;

namespace pictavo {

class ImageCard;
class RunNotice;
class ShellServices;
class WindowSelection;

// The scrolling grid of cards, one per item of the batch in its order. It owns the keyboard
// focus among the cards and answers clicks, arrows, Space and Escape with the selection rules;
// removal, the context menu and dragging out go through the stores and the shell services. The
// grid itself never takes the focus: only its cards and what they hold do.
class BatchGrid : public DSFocusScrollArea {
    Q_OBJECT

public:
    BatchGrid(BatchStore& store, ThumbnailLoader& loader, const Converting& engine, WindowSelection& selection,
              ShellServices& services, QWidget* parent = nullptr);

    int columns() const { return columns_; }
    std::optional<QUuid> focusedCard() const { return focusedCard_; }
    // The focused card when `keyboard` is it or what it holds.
    std::optional<QUuid> cardHolding(const QWidget* keyboard) const;
    // The cards' names, in the grid's order.
    QStringList namesOf(const QSet<QUuid>& ids) const;
    ImageCard* card(const QUuid& id) const { return cards_.value(id); }
    QList<QUuid> order() const { return order_; }

    // Removes the cards (the selection's when `ids` holds them), then puts the keyboard focus
    // on the card that took the focus's place and has a screen reader say what went with it.
    void removeCards(const QSet<QUuid>& ids);
    // What dragging the card out carries: its exported file; for a card not exported, a file
    // converted with the batch's specification into the private drags folder, made as the drag
    // starts. Null, and no drag, when the card or its file is gone.
    QMimeData* dragData(const QUuid& id) const;
    // Arrow keys, Space, Escape and Shift+F10, as the focused card receives them; false when
    // not handled.
    bool handleKey(int key, Qt::KeyboardModifiers modifiers);
    // Has a screen reader say how many cards are selected ("29 selected"), after a key changed
    // the selection without moving the focus onto what it changed.
    void sayHowManySelected();
    // The grid is one stop of the window's Tab order: its focused card, else its first; none
    // without cards.
    ImageCard* tabStop() const;
    // What the focused card holds that Tab reaches after it (its page picker), in order.
    QList<QWidget*> innerTabStops() const;

Q_SIGNALS:
    void cardsLaidOut();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    class Canvas;

    // Cards made for new items and dropped for gone ones; kept cards are told their item
    // again only when `kept` says it may have changed.
    enum class KeptCards { unchanged, mayHaveChanged };
    void syncCards(KeptCards kept = KeptCards::mayHaveChanged);
    void updateCard(int row);
    void relayout();
    void scheduleRelayout();
    // Cards the view reaches are shown, cards near it hold their previews, and those far from
    // it let theirs go.
    void updateCardsNearView();
    // What the viewport shows of the canvas.
    QRect inView() const;
    // What is shown and one screen above and below.
    QRect nearView() const;
    // Removes the cards and puts the keyboard focus on the card that took the focus's place;
    // gives what went, as a screen reader hears it, or nothing when nothing went.
    QString takeOut(const QSet<QUuid>& ids);
    void applySelection();
    void focusCard(const QUuid& id);
    // "29 selected", or "nothing selected".
    QString howManySelected() const;
    // Space on the focused card: it joins or leaves the selection, which is said with the card.
    void toggleFocusedCard();
    void clickCard(const QUuid& id, Qt::KeyboardModifiers modifiers);
    // From the keyboard, the menu opens with its first item highlighted, as menus opened from
    // the keyboard do.
    void showContextMenu(const QUuid& id, const QPoint& globalPosition, bool fromKeyboard);
    // Puts a failed card's report on the clipboard, from its context menu or its accessible action.
    void copyDetails(const QUuid& id);
    void animateBusyCards();
    void wire(ImageCard* card);

    BatchStore& store_;
    ThumbnailLoader& loader_;
    const Converting& engine_;
    WindowSelection& selection_;
    ShellServices& services_;
    Canvas* canvas_ = nullptr;
    // What a card's menu removed, told once the window has the keyboard back from the menu.
    RunNotice* menuNews_ = nullptr;
    QHash<QUuid, ImageCard*> cards_;
    QList<QUuid> order_;
    int columns_ = 1;
    std::optional<QUuid> focusedCard_;
    QTimer relayoutTimer_;
    QTimer spinnerTimer_;
};

} // namespace pictavo
