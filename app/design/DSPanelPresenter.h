#pragma once
#include "app/design/DSPanelController.h"
#include "app/design/DSPresenter.h"

namespace pictavo {

// A design-system pop-over panel on a trigger, open while `isPresented` is true; its content is
// made afresh by the factory each time it opens. Dismissal by Escape, a press elsewhere or the
// focus leaving sets the flag back to false. Made as a child of the trigger.
//
//     auto* options = new DSPanelPresenter(chip, 308, [this] { return new OptionsPanel(store); });
//     connect(chip, &QAbstractButton::clicked, options, [options] { options->setPresented(!options->isPresented()); });
//     connect(options, &DSPresenter::presentedChanged, chip, &DSCapsuleButton::setOpen);
class DSPanelPresenter : public DSPresenter {
    Q_OBJECT

public:
    DSPanelPresenter(QWidget* trigger, int width, DSPanelController::ContentFactory makeContent);
    ~DSPanelPresenter() override;

    DSPanelController& controller() { return *controller_; }

protected:
    void openPanel() override;
    void closePanel() override;

private:
    int width_;
    DSPanelController::ContentFactory makeContent_;
    DSPanelController* controller_;
};

} // namespace pictavo
