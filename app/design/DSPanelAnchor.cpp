#include "app/design/DSPanelAnchor.h"

#include "app/design/DSPanelHandover.h"

namespace pictavo {

DSPanelAnchor::DSPanelAnchor(QWidget* view, std::function<void()> onActivate) : id_(view), view_(view) {
    setActivation(std::move(onActivate));
}

DSPanelAnchor::~DSPanelAnchor() { DSPanelHandover::shared().unregisterAnchor(id_); }

void DSPanelAnchor::setActivation(std::function<void()> onActivate) {
    if (view_) DSPanelHandover::shared().registerAnchor(view_, std::move(onActivate));
}

} // namespace pictavo
