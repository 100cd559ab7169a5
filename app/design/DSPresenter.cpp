#include "app/design/DSPresenter.h"

#include "platform/base/MainThread.h"

#include <QEvent>

namespace pictavo {

DSPresenter::DSPresenter(QWidget* trigger)
    : QObject(trigger), trigger_(trigger), anchor_(trigger, [self = QPointer<DSPresenter>(this)] {
          // A press handed over from another open panel.
          if (self && self->trigger_ && self->trigger_->isEnabled()) self->setPresented(true);
      }) {
    trigger->installEventFilter(this);
}

void DSPresenter::setPresented(bool presented) {
    platform::assertMainThread();
    if (presented == isPresented_) return;
    isPresented_ = presented;
    const QPointer<DSPresenter> self(this);
    Q_EMIT presentedChanged(presented);
    if (!self || isPresented_ != presented) return;
    if (!presented) {
        closePanel();
    } else if (!trigger_ || !trigger_->isEnabled()) {
        setPresented(false);
    } else {
        openPanel();
    }
}

bool DSPresenter::eventFilter(QObject* watched, QEvent* event) {
    if (watched == trigger_) {
        if (event->type() == QEvent::EnabledChange && !trigger_->isEnabled()) {
            setPresented(false);
        } else if (event->type() == QEvent::Hide) {
            closePanel();
            setPresented(false);
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace pictavo
