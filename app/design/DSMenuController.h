#pragma once
#include "platform/base/MainThread.h"
#include "app/design/DSAnnouncer.h"
#include "app/design/DSEventMonitor.h"
#include "app/design/DSMenuAnnouncement.h"
#include "app/design/DSMenuContent.h"
#include "app/design/DSMenuHighlight.h"
#include "app/design/DSMenuKeyboard.h"
#include "app/design/DSMenuWindow.h"
#include "app/design/DSPanelWindow.h"
#include "app/design/DSTypeSelect.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace pictavo {

// The pop-up menu behind one trigger: it opens the menu window beside the trigger, keeps the
// highlight and the scroll position, answers the keyboard while open, and reports the chosen
// row's tag. The menu is open exactly while its panel window holds a window.
template <typename T>
class DSMenuController {
public:
    explicit DSMenuController(QWidget* anchor, DSAnnouncer& announcer = DSAnnouncer::accessible())
        : anchor_(anchor), announcer_(announcer) {}
    ~DSMenuController() { close(); }
    DSMenuController(const DSMenuController&) = delete;
    DSMenuController& operator=(const DSMenuController&) = delete;

    bool isOpen() const { return panel_.panel() != nullptr; }
    DSMenuWindow* window() const { return qobject_cast<DSMenuWindow*>(panel_.panel()); }
    DSPanelWindow& panelWindow() { return panel_; }

    const DSMenuContent<T>& content() const { return content_; }
    const std::optional<T>& selection() const { return selection_; }
    const std::optional<T>& highlighted() const { return highlighted_; }
    const std::optional<DSMenuScrollRequest<T>>& scrollRequest() const { return scrollRequest_; }
    const DSTypeSelect& typeSelect() const { return typeSelect_; }
    bool hasKeyMonitor() const { return keyMonitor_.has_value(); }

    // Opens the menu beside the anchor, closing one still open without its dismissal action.
    // Nothing opens while the anchor is gone or shows in no window.
    void showPanel(DSMenuContent<T> content, std::optional<T> selection, std::function<void(const T&)> onChoose,
                   std::function<void()> onDismiss, int width) {
        platform::assertMainThread();
        if (!anchor_) return;
        close();
        content_ = std::move(content);
        selection_ = std::move(selection);
        onChoose_ = std::move(onChoose);
        const DSMenuHighlight<T> initial = DSMenuHighlight<T>::initial(content_, selection_);
        highlighted_ = initial.tag;
        scrollRequest_.reset();
        if (initial.scrollTarget) scrollRequest_ = DSMenuScrollRequest<T>{*initial.scrollTarget, 0};
        typeSelect_ = {};
        if (anchor_->isVisible()) {
            auto* window = new DSMenuWindow(anchor_, width);
            connectPanel(window);
            window->panel()->setGroups(panelGroups());
            const int height = window->fittingHeight();
            const std::weak_ptr<bool> alive = alive_;
            panel_.setOnDismiss([this, alive, onDismiss = std::move(onDismiss)] {
                if (alive.lock()) {
                    removeKeyMonitor();
                    handBackScreenReader();
                }
                if (onDismiss) onDismiss();
            });
            panel_.setAnchor(anchor_);
            panel_.setPanel(window);
            panel_.clearSide();
            panel_.place(window, anchor_, width, height);
            // A capped menu scrolls; it widens by the scroll bar and is placed again, since the
            // wider window may no longer fit beside the screen's edge where it was.
            if (const int fitting = window->widthAt(window->cardSize().height()); fitting != window->cardSize().width()) {
                window->setCardWidth(fitting);
                panel_.place(window, anchor_, fitting, height);
            }
            window->show();
            window->raise();
            scrollToRequest();
            panel_.installMonitors();
        }
        if (isOpen()) {
            installKeyMonitor();
            announce(highlighted_);
        }
    }

    // Closes without telling the owner; content, selection and the choice action stay. A screen
    // reader that followed the rows goes back to the trigger.
    void close() {
        if (isOpen() && closeWindow()) announcer_.returnToKeyboardFocus();
    }

    // Closes, then reports the tag (taken by value: closing clears the highlight it may come from).
    void choose(std::optional<T> tag) {
        const std::function<void(const T&)> onChoose = onChoose_;
        DSAnnouncer& announcer = announcer_;
        const bool spoke = isOpen() && closeWindow();
        if (tag && onChoose) onChoose(*tag);
        // Once chosen, so that the trigger is read out with its new value; the choice may have
        // ended this controller.
        if (spoke) announcer.returnToKeyboardFocus();
    }

    // The pointer's highlight: no scrolling, no announcement, and the type-select run goes on.
    void hover(std::optional<T> tag) {
        highlighted_ = tag;
        refresh();
    }

    void updateSelection(std::optional<T> selection) {
        if (!isOpen()) return;
        selection_ = std::move(selection);
        refresh();
    }

    // The highlighted tag stays even when no row carries it any more.
    void updateContent(DSMenuContent<T> content) {
        if (!isOpen()) return;
        content_ = std::move(content);
        refresh();
    }

    // Restyles the rows and leaves the scroll position alone: a menu the user scrolled must stay
    // where it is when the pointer highlights a row, or the row under the pointer would move
    // away before the click.
    void refresh() {
        DSMenuWindow* menu = window();
        if (!menu) return;
        menu->panel()->setGroups(panelGroups());
    }

    void installKeyMonitor() {
        const std::weak_ptr<bool> alive = alive_;
        keyMonitor_ = DSEventMonitor::shared().addKeyDownMonitor([this, alive](const DSKeyEvent& event) {
            if (!alive.lock() || !isOpen()) return false;
            platform::assertMainThread();
            const auto [parentWindow, menu] = panel_.windows();
            if (!event.window || (event.window != parentWindow && event.window != menu)) return false;
            return handleKey(event);
        });
    }

    void removeKeyMonitor() {
        if (keyMonitor_) DSEventMonitor::shared().removeMonitor(*keyMonitor_);
        keyMonitor_.reset();
    }

    // Whether the menu took the key.
    bool handleKey(const DSKeyEvent& event) {
        const DSMenuKeyOutcome<T> outcome = menuKeyOutcome(content_, highlighted_, typeSelect_, event);
        if (outcome.choose && highlighted_) {
            choose(highlighted_);
        } else if (outcome.highlight) {
            applyHighlight(*outcome.highlight);
        }
        return outcome.consumed;
    }

    void applyHighlight(const DSMenuHighlight<T>& highlight) {
        highlighted_ = highlight.tag;
        refresh();
        if (highlight.scrollTarget) {
            scrollRequest_ = DSMenuScrollRequest<T>::following(scrollRequest_, *highlight.scrollTarget);
            scrollToRequest();
        }
        announce(highlighted_);
    }

    // The screen reader follows the highlighted row as its focus, while the trigger keeps the
    // keyboard.
    void announce(const std::optional<T>& tag) {
        if (!tag || !window()) return;
        const std::optional<std::size_t> position = content_.position(*tag);
        if (!position) return;
        announcer_.announce(window()->panel()->rowView(*position));
        spoke_ = true;
    }

private:
    // Whether a row had been announced.
    bool closeWindow() {
        removeKeyMonitor();
        panel_.close();
        highlighted_.reset();
        scrollRequest_.reset();
        typeSelect_ = {};
        return std::exchange(spoke_, false);
    }

    // A screen reader that followed the rows goes back to the trigger, which kept the keyboard.
    void handBackScreenReader() {
        if (std::exchange(spoke_, false)) announcer_.returnToKeyboardFocus();
    }

    std::vector<DSMenuPanelGroup> panelGroups() const {
        std::vector<DSMenuPanelGroup> groups;
        const std::size_t count = content_.rowCount();
        std::size_t position = 0;
        for (const DSMenuGroup<T>& group : content_.groups) {
            DSMenuPanelGroup shown{group.heading, {}};
            for (const DSMenuRow<T>& row : group.rows) {
                const bool isSelected = selection_ == row.tag;
                shown.rows.push_back({row.title, row.subtitle, row.trailing, row.isDestructive, row.spokenLabel(),
                                      spokenDetail(isSelected, position++, count), isSelected,
                                      highlighted_ == row.tag});
            }
            groups.push_back(std::move(shown));
        }
        return groups;
    }

    void connectPanel(DSMenuWindow* window) {
        const std::weak_ptr<bool> alive = alive_;
        const QPointer<DSMenuWindow> shown(window);
        // A closed menu's window may still see the pointer leave before it goes.
        const auto current = [this, alive, shown] { return alive.lock() && shown && panel_.panel() == shown; };
        window->panel()->onChoose = [this, current](std::size_t position) {
            if (!current()) return;
            platform::assertMainThread();
            choose(content_.allRows()[position].tag);
        };
        window->panel()->onHighlight = [this, current](std::optional<std::size_t> position) {
            if (!current()) return;
            platform::assertMainThread();
            hover(position ? std::optional<T>(content_.allRows()[*position].tag) : std::nullopt);
        };
    }

    void scrollToRequest() {
        DSMenuWindow* menu = window();
        if (!menu || !scrollRequest_) return;
        if (const std::optional<std::size_t> position = content_.position(scrollRequest_->tag)) {
            menu->scrollToRow(*position, scrollRequest_->serial == 0);
        }
    }

    QPointer<QWidget> anchor_;
    DSAnnouncer& announcer_;
    DSPanelWindow panel_;
    std::optional<DSEventMonitor::Token> keyMonitor_;
    DSTypeSelect typeSelect_;
    DSMenuContent<T> content_;
    std::optional<T> selection_;
    std::optional<T> highlighted_;
    std::optional<DSMenuScrollRequest<T>> scrollRequest_;
    std::function<void(const T&)> onChoose_;
    bool spoke_ = false;
    // Callbacks handed to windows and monitors hold this weakly and do nothing once it is gone.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace pictavo
