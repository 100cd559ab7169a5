#include "app/options/OrientationControl.h"

#include "app/design/DSAnnouncer.h"
#include "app/design/DSFocusRing.h"
#include "app/design/DSFonts.h"
#include "app/design/DSPalette.h"
#include "app/design/DSTheme.h"
#include "app/options/ColouredLabel.h"
#include "app/options/OptionLink.h"
#include "app/options/OptionSymbols.h"

#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

namespace pictavo {

namespace {

constexpr int symbolSide = 18;

struct ButtonFace {
    const char* symbol;
    const char* toolTip;
    const char* accessibleName;
};

ButtonFace faceOf(TurnAction action) {
    switch (action) {
    case TurnAction::left: return {"rotate.left", "Turn every image a quarter turn anticlockwise", "Turn left"};
    case TurnAction::right: return {"rotate.right", "Turn every image a quarter turn clockwise", "Turn right"};
    case TurnAction::flipHorizontally:
        return {"flip.horizontal", "Mirror every image left to right", "Flip horizontally"};
    case TurnAction::flipVertically: return {"flip.vertical", "Mirror every image top to bottom", "Flip vertically"};
    }
    return {"", "", ""};
}

} // namespace

OrientationControl::OrientationControl(Binding<Reorientation> reorientation, QWidget* parent)
    : QWidget(parent), reorientation_(std::move(reorientation)),
      reset_(new OptionLink(QStringLiteral("Reset"), this)),
      description_(new ColouredLabel(QString(), palette::secondary(), fonts::DSFontBody(), this)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(9);
    auto* row = new QHBoxLayout();
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    for (const TurnAction action : allTurnActions) {
        const ButtonFace face = faceOf(action);
        auto* button = new QToolButton(this);
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        button->setIconSize(QSize(symbolSide, symbolSide));
        button->setToolTip(QString::fromLatin1(face.toolTip));
        button->setAccessibleName(QString::fromLatin1(face.accessibleName));
        button->setFocusPolicy(Qt::TabFocus);
        // The style's own focus frame is a hairline hardly darker than the panel.
        DSFocusRing::follow(button, DSFocusRing::Shape::rounded(3));
        connect(button, &QToolButton::clicked, this, [this, action, button] {
            reorientation_.set(apply(action, reorientation_.get()));
            refresh();
            tellFrom(button);
        });
        buttons_[std::size_t(action)] = button;
        row->addWidget(button, 0, Qt::AlignVCenter);
    }
    row->addStretch(1);
    reset_->setToolTip(QStringLiteral("Put every image back the way it came in"));
    connect(reset_, &QAbstractButton::clicked, this, [this] {
        // Reset turns itself off; the keyboard stays on the row it was pressed in, not on
        // whatever follows the row.
        const bool hadFocus = reset_->hasFocus();
        if (hadFocus) button(TurnAction::left)->setFocus(Qt::OtherFocusReason);
        reorientation_.set(Reorientation::none());
        refresh();
        if (hadFocus) tellFrom(button(TurnAction::left));
    });
    row->addWidget(reset_, 0, Qt::AlignVCenter);
    column->addLayout(row);
    column->addWidget(description_);
    restyle();
    connect(&DSTheme::shared(), &DSTheme::changed, this, &OrientationControl::restyle);
    refresh();
}

void OrientationControl::restyle() {
    for (const TurnAction action : allTurnActions) {
        button(action)->setIcon(optionSymbols::icon(QString::fromLatin1(faceOf(action).symbol), symbolSide,
                                                    palette::primary().current(),
                                                    palette::tertiaryLabel().current()));
    }
}

void OrientationControl::tellFrom(QWidget* control) {
    // The line under the buttons changed while the keyboard stayed on a button.
    if (control->hasFocus()) DSAnnouncer::accessible().say(control, description_->text());
}

void OrientationControl::refresh() {
    const Reorientation now = reorientation_.get();
    reset_->setEnabled(!now.isIdentity());
    description_->setText(QString::fromStdString(now.description()));
}

} // namespace pictavo
