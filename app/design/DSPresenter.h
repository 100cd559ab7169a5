#pragma once
#include "app/design/DSPanelAnchor.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace pictavo {

// What the menu and panel presenters share: the open flag their trigger's owner reads and writes,
// and the trigger's part in it. Opening is always the flag turning true while the trigger is
// enabled; every way of closing ends with the flag false: the owner clearing it, the user
// dismissing the panel, the trigger being disabled or hidden. The presenter is a child of its
// trigger and goes with it.
class DSPresenter : public QObject {
    Q_OBJECT

public:
    explicit DSPresenter(QWidget* trigger);

    QWidget* trigger() const { return trigger_; }
    bool isPresented() const { return isPresented_; }
    void setPresented(bool presented);

Q_SIGNALS:
    void presentedChanged(bool presented);

protected:
    // Opens the panel; does nothing while the trigger shows in no window.
    virtual void openPanel() = 0;
    // Closes the panel without the dismissal action.
    virtual void closePanel() = 0;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> trigger_;
    bool isPresented_ = false;
    DSPanelAnchor anchor_;
};

} // namespace pictavo
