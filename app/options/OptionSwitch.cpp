#include "app/options/OptionSwitch.h"

#include "app/design/DSFocusRing.h"
#include "app/design/DSFonts.h"
#include "app/design/DSPalette.h"
#include "app/design/DSTheme.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QSignalBlocker>

namespace pictavo {

namespace {

constexpr double trackWidth = 32;
constexpr double trackHeight = 18;
constexpr double knobInset = 2;

} // namespace

SwitchToggle::SwitchToggle(QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    DSFocusRing::follow(this, DSFocusRing::Shape::capsule());
    connect(&DSTheme::shared(), &DSTheme::changed, this, qOverload<>(&QWidget::update));
}

QSize SwitchToggle::sizeHint() const { return {int(trackWidth) + 2, int(trackHeight) + 2}; }

void SwitchToggle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track(1, (height() - trackHeight) / 2, trackWidth, trackHeight);
    QColor fill = isChecked() ? palette::DSAccent().current() : palette::DSFill().current();
    if (!isChecked()) {
        // The bare fill is faint on the panel; an off switch needs a visible track.
        fill.setAlphaF(std::min(1.0, fill.alphaF() * 2.2));
    }
    if (!isEnabled()) fill.setAlphaF(fill.alphaF() * 0.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(track, trackHeight / 2, trackHeight / 2);
    const double knob = trackHeight - 2 * knobInset;
    const double knobX = isChecked() ? track.right() - knobInset - knob : track.left() + knobInset;
    painter.setBrush(palette::white().current());
    painter.setPen(QPen(QColor(0, 0, 0, 40), 0.5));
    painter.drawEllipse(QRectF(knobX, track.top() + knobInset, knob, knob));
}

OptionSwitch::OptionSwitch(const QString& title, QWidget* parent)
    : QWidget(parent), title_(new QLabel(title, this)), toggle_(new SwitchToggle(this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    title_->setTextFormat(Qt::PlainText);
    title_->setFont(fonts::DSFontBody());
    row->addWidget(title_);
    row->addStretch(1);
    row->addWidget(toggle_, 0, Qt::AlignVCenter);
    toggle_->setAccessibleName(title);
    connect(toggle_, &QAbstractButton::clicked, this, &OptionSwitch::switched);
}

bool OptionSwitch::isOn() const { return toggle_->isChecked(); }

bool OptionSwitch::event(QEvent* event) {
    if (event->type() == QEvent::ToolTipChange) toggle_->setAccessibleDescription(toolTip());
    return QWidget::event(event);
}

void OptionSwitch::setOn(bool on) {
    const QSignalBlocker quiet(toggle_);
    toggle_->setChecked(on);
}

} // namespace pictavo
