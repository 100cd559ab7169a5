#include "app/design/DSAnnouncer.h"

#include <QAccessible>
#include <QApplication>
#include <QPointer>
#include <QWidget>

#include <deque>

namespace pictavo {

namespace {

// A piece of news as a screen reader meets it: a label of its subject's, focused for as long as
// it is read. It is left out of its subject's children, so that nothing finds it in the window's
// tree; Orca takes a label outside the tree for a live one, where it drops other roles.
class SpokenText : public QAccessibleInterface {
public:
    SpokenText(QWidget* subject, const QString& text) : subject_(subject), text_(text) {}

    bool isValid() const override { return !subject_.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override {
        const QAccessibleInterface* owner = parent();
        return owner ? owner->window() : nullptr;
    }
    QAccessibleInterface* parent() const override {
        return subject_ ? QAccessible::queryAccessibleInterface(subject_.data()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override { return t == QAccessible::Name ? text_ : QString(); }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        const QAccessibleInterface* owner = parent();
        return owner ? owner->rect() : QRect();
    }
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.focusable = true;
        state.focused = true;
        state.readOnly = true;
        return state;
    }

private:
    QPointer<QWidget> subject_;
    QString text_;
};

class AccessibleFocusAnnouncer : public DSAnnouncer {
public:
    void announce(QWidget* subject) override {
        if (!subject) return;
        QAccessibleEvent event(subject, QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
    }

    void returnToKeyboardFocus() override { announce(QApplication::focusWidget()); }

    void say(QWidget* subject, const QString& text) override {
        if (!subject || text.isEmpty() || !QAccessible::isActive()) return;
        // A new object each time: a screen reader reads nothing for a focus it already has.
        auto* spoken = new SpokenText(subject, text);
        said_.push_back(QAccessible::registerAccessibleInterface(spoken));
        QAccessibleEvent event(spoken, QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
        // The screen reader asks after the news once it comes to it, which may be a while
        // behind: the last few stay to answer.
        while (said_.size() > keptNews) {
            QAccessible::deleteAccessibleInterface(said_.front());
            said_.pop_front();
        }
    }

private:
    static constexpr std::size_t keptNews = 16;
    std::deque<QAccessible::Id> said_;
};

} // namespace

DSAnnouncer& DSAnnouncer::accessible() {
    static AccessibleFocusAnnouncer announcer;
    return announcer;
}

} // namespace pictavo
