#pragma once
#include <QPointer>
#include <QWidget>

#include <functional>

namespace pictavo {

// A trigger's place in the panel hand-over for as long as this object lives: a press on the
// trigger while another panel is open opens this trigger's panel through its activation.
class DSPanelAnchor {
public:
    DSPanelAnchor(QWidget* view, std::function<void()> onActivate);
    ~DSPanelAnchor();
    DSPanelAnchor(const DSPanelAnchor&) = delete;
    DSPanelAnchor& operator=(const DSPanelAnchor&) = delete;

    QWidget* view() const { return view_; }
    // Registers the trigger again with the new activation.
    void setActivation(std::function<void()> onActivate);

private:
    // The registry knows the trigger by its identity, which outlives the widget's destruction.
    const QObject* id_;
    QPointer<QWidget> view_;
};

} // namespace pictavo
