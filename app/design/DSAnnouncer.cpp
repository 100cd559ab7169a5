#include "app/design/DSAnnouncer.h"

#include <QAccessible>
#include <QApplication>
#include <QPointer>
#include <QWidget>

#include <deque>
#include <utility>

namespace pictavo {

namespace {

// A piece of news as a screen reader meets it: a label focused for as long as it is read, in a
// status bar of its own under its subject. The two are left out of the subject's children, so
// that nothing finds them in the window's tree. A screen reader reads a label in a status bar as
// its text alone, where it would read any other label as "… label", and passes over a status
// bar that holds nothing but the one label saying the same.
class NewsBar;

class SpokenText : public QAccessibleInterface {
public:
    SpokenText(const NewsBar* bar, const QString& text) : bar_(bar), text_(text) {}

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override { return t == QAccessible::Name ? text_ : QString(); }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.focusable = true;
        state.focused = true;
        state.readOnly = true;
        return state;
    }

private:
    const NewsBar* bar_;
    QString text_;
};

class NewsBar : public QAccessibleInterface {
public:
    NewsBar(QWidget* subject, const QString& text) : subject_(subject), text_(text) {}

    // Made apart: Qt's registry owns and deletes each of the two.
    void hold(SpokenText* spoken) { spoken_ = spoken; }

    bool isValid() const override { return !subject_.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override {
        const QAccessibleInterface* owner = parent();
        return owner ? owner->window() : nullptr;
    }
    QAccessibleInterface* parent() const override {
        return subject_ ? QAccessible::queryAccessibleInterface(subject_.data()) : nullptr;
    }
    QAccessibleInterface* child(int index) const override;
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 1; }
    int indexOfChild(const QAccessibleInterface* child) const override;
    QString text(QAccessible::Text t) const override { return t == QAccessible::Name ? text_ : QString(); }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        const QAccessibleInterface* owner = parent();
        return owner ? owner->rect() : QRect();
    }
    QAccessible::Role role() const override { return QAccessible::StatusBar; }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.readOnly = true;
        return state;
    }

private:
    QPointer<QWidget> subject_;
    QString text_;
    SpokenText* spoken_ = nullptr;
};

bool SpokenText::isValid() const { return bar_->isValid(); }
QWindow* SpokenText::window() const { return bar_->window(); }
QAccessibleInterface* SpokenText::parent() const { return const_cast<NewsBar*>(bar_); }
QRect SpokenText::rect() const { return bar_->rect(); }

QAccessibleInterface* NewsBar::child(int index) const { return index == 0 ? spoken_ : nullptr; }
int NewsBar::indexOfChild(const QAccessibleInterface* child) const {
    return child && child == spoken_ ? 0 : -1;
}

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
        // New objects each time: a screen reader reads nothing for a focus it already has.
        auto* bar = new NewsBar(subject, text);
        auto* spoken = new SpokenText(bar, text);
        bar->hold(spoken);
        // The label goes first, so that nothing asks its bar after it.
        said_.push_back({QAccessible::registerAccessibleInterface(spoken), QAccessible::registerAccessibleInterface(bar)});
        QAccessibleEvent event(spoken, QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
        // The screen reader asks after the news once it comes to it, which may be a while
        // behind: the last few stay to answer.
        while (said_.size() > keptNews) {
            QAccessible::deleteAccessibleInterface(said_.front().first);
            QAccessible::deleteAccessibleInterface(said_.front().second);
            said_.pop_front();
        }
    }

private:
    static constexpr std::size_t keptNews = 16;
    std::deque<std::pair<QAccessible::Id, QAccessible::Id>> said_;
};

} // namespace

DSAnnouncer& DSAnnouncer::accessible() {
    static AccessibleFocusAnnouncer announcer;
    return announcer;
}

} // namespace pictavo
