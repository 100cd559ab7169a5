#pragma once
#include "app/design/DSMenuController.h"
#include "app/design/DSPresenter.h"

#include <QPointer>

#include <functional>
#include <optional>

namespace pictavo {

// A design-system pop-up menu on a trigger, open while `isPresented` is true. Choosing a row
// calls `onChoose` with its tag and closes the menu; every way the menu closes sets the flag
// back to false, so the trigger's owner never resets it. Made as a child of the trigger.
//
//     auto* menu = new DSMenuPresenter<Format>(chip, 220);
//     menu->setContent(content);
//     menu->setSelection(current);
//     menu->setOnChoose([](const Format& format) { ... });
//     connect(chip, &QAbstractButton::clicked, menu, [menu] { menu->setPresented(!menu->isPresented()); });
//     connect(menu, &DSPresenter::presentedChanged, chip, &DSCapsuleButton::setOpen);
template <typename T>
class DSMenuPresenter : public DSPresenter {
public:
    DSMenuPresenter(QWidget* trigger, int width, DSAnnouncer& announcer = DSAnnouncer::accessible())
        : DSPresenter(trigger), width_(width), controller_(trigger, announcer) {}
    ~DSMenuPresenter() override { controller_.close(); }

    const DSMenuContent<T>& content() const { return content_; }
    // An open menu shows the new content at once.
    void setContent(DSMenuContent<T> content) {
        if (content == content_) return;
        content_ = std::move(content);
        controller_.updateContent(content_);
    }
    const std::optional<T>& selection() const { return selection_; }
    // The row carrying the selection shows the check mark.
    void setSelection(std::optional<T> selection) {
        if (selection == selection_) return;
        selection_ = std::move(selection);
        controller_.updateSelection(selection_);
    }
    void setOnChoose(std::function<void(const T&)> onChoose) { onChoose_ = std::move(onChoose); }

    DSMenuController<T>& controller() { return controller_; }

protected:
    void openPanel() override {
        const QPointer<DSPresenter> self(this);
        controller_.showPanel(
            content_, selection_,
            [this, self](const T& tag) {
                if (!self) return;
                if (onChoose_) onChoose_(tag);
                if (self) setPresented(false);
            },
            [this, self] {
                if (self) setPresented(false);
            },
            width_);
    }
    void closePanel() override { controller_.close(); }

private:
    int width_;
    DSMenuContent<T> content_;
    std::optional<T> selection_;
    std::function<void(const T&)> onChoose_;
    DSMenuController<T> controller_;
};

} // namespace pictavo
