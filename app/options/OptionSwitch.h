#pragma once
#include <QAbstractButton>
#include <QWidget>

class QLabel;

namespace pictavo {

// The on/off knob of a switch row, drawn as a switch in the accent colour when on.
class SwitchToggle : public QAbstractButton {
    Q_OBJECT

public:
    explicit SwitchToggle(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A titled switch on one row: the title on the left, the switch at the right edge. The
// tooltip covers the whole row; the switch is what assistive technology reads, by the title.
class OptionSwitch : public QWidget {
    Q_OBJECT

public:
    explicit OptionSwitch(const QString& title, QWidget* parent = nullptr);

    QLabel* titleLabel() const { return title_; }
    SwitchToggle* toggle() const { return toggle_; }
    bool isOn() const;
    // Shows the state without reporting it.
    void setOn(bool on);

Q_SIGNALS:
    // The user flipped the switch.
    void switched(bool on);

protected:
    // The row's help text is what the switch does: a screen reader hears it with the switch.
    bool event(QEvent* event) override;

private:
    QLabel* title_;
    SwitchToggle* toggle_;
};

} // namespace pictavo
