#pragma once
#include "ImageEngine/Model/Reorientation.h"
#include "app/options/Binding.h"
#include "app/options/TurnAction.h"

#include <QWidget>

#include <array>

class QLabel;
class QToolButton;

namespace pictavo {

class OptionLink;

// The turn and flip of every image: four buttons that each take one step, "Reset" back to the
// image as it came in, and a line saying what the current choice does.
class OrientationControl : public QWidget {
    Q_OBJECT

public:
    explicit OrientationControl(Binding<Reorientation> reorientation, QWidget* parent = nullptr);

    void refresh();

    QToolButton* button(TurnAction action) const { return buttons_[std::size_t(action)]; }
    OptionLink* resetButton() const { return reset_; }
    QLabel* description() const { return description_; }

private:
    void restyle();
    void tellFrom(QWidget* control);

    Binding<Reorientation> reorientation_;
    std::array<QToolButton*, 4> buttons_{};
    OptionLink* reset_;
    QLabel* description_;
};

} // namespace pictavo
