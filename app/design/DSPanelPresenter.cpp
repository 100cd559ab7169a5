#include "app/design/DSPanelPresenter.h"

namespace pictavo {

DSPanelPresenter::DSPanelPresenter(QWidget* trigger, int width, DSPanelController::ContentFactory makeContent)
    : DSPresenter(trigger), width_(width), makeContent_(std::move(makeContent)),
      controller_(new DSPanelController(trigger, this)) {}

DSPanelPresenter::~DSPanelPresenter() { controller_->close(); }

void DSPanelPresenter::openPanel() {
    const QPointer<DSPanelPresenter> self(this);
    controller_->show(makeContent_, width_, [self] {
        if (self) self->setPresented(false);
    });
}

void DSPanelPresenter::closePanel() { controller_->close(); }

} // namespace pictavo
