#include "app/shell/RunNotice.h"

#include "app/design/DSAccessibleFactory.h"

#include <QAccessibleWidget>
#include <QEvent>

namespace pictavo {

namespace {

// Long enough for a screen reader to have taken the focus events before it.
constexpr int settleMilliseconds = 500;

class RunNoticeAccessible : public QAccessibleWidget {
public:
    explicit RunNoticeAccessible(QWidget* notice) : QAccessibleWidget(notice, QAccessible::Notification) {}
};

} // namespace

RunNotice::RunNotice(QWidget* parent) : QWidget(parent) {
    installAccessibleFactory<RunNotice, RunNoticeAccessible>();
    setFixedSize(0, 0);
    setFocusPolicy(Qt::NoFocus);
    // Shown by announcements alone, never along with its parent.
    hide();
    settle_.setSingleShot(true);
    settle_.setInterval(settleMilliseconds);
    connect(&settle_, &QTimer::timeout, this, [this] {
        if (!window()->isActiveWindow()) return;
        waiting_ = false;
        show();
    });
}

void RunNotice::announce(const QString& text) {
    hide();
    setAccessibleName(text);
    waiting_ = true;
    // Installing it again changes nothing.
    window()->installEventFilter(this);
    showWhenSettled();
}

bool RunNotice::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window() && event->type() == QEvent::WindowActivate && waiting_) showWhenSettled();
    return false;
}

void RunNotice::showWhenSettled() {
    if (window()->isActiveWindow()) settle_.start();
}

} // namespace pictavo
