#include "app/design/DSCapsuleButton.h"

#include "platform/base/MainThread.h"
#include "app/design/DSFocusRing.h"
#include "app/design/DSFonts.h"
#include "app/design/DSTheme.h"

#include <QEnterEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

#include <cmath>

namespace pictavo {

namespace {

constexpr double capsuleMinimumHeight = 32;
constexpr int transitionMilliseconds = 120;

bool isPrimary(const DSCapsuleButtonStyle& style) { return style.role == DSCapsuleButtonStyle::Role::primary; }

QColor blend(const QColor& from, const QColor& to, double progress) {
    // An absent layer is transparent, so it fades rather than jumping.
    const auto mix = [progress](float a, float b) { return a + (b - a) * float(progress); };
    return QColor::fromRgbF(mix(from.redF(), to.redF()), mix(from.greenF(), to.greenF()),
                            mix(from.blueF(), to.blueF()), mix(from.alphaF(), to.alphaF()));
}

QPainterPath capsule(const QRectF& rect) { return DSFocusRing::Shape::capsule().path(rect); }

} // namespace

DSCapsuleButton::DSCapsuleButton(DSCapsuleButtonStyle style, QWidget* parent)
    : QAbstractButton(parent), style_(style), transition_(new QVariantAnimation(this)) {
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);
    DSFocusRing::follow(this, DSFocusRing::Shape::capsule());
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    transition_->setDuration(transitionMilliseconds);
    transition_->setEasingCurve(QEasingCurve::OutCubic);
    transition_->setStartValue(0.0);
    transition_->setEndValue(1.0);
    connect(transition_, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
    connect(this, &QAbstractButton::pressed, this, &DSCapsuleButton::restyle);
    connect(this, &QAbstractButton::released, this, &DSCapsuleButton::restyle);
    connect(&DSTheme::shared(), &DSTheme::changed, this, [this] {
        restyle();
        updateGeometry();
    });
    restyle();
}

DSCapsuleButton::DSCapsuleButton(const QString& text, DSCapsuleButtonStyle style, QWidget* parent)
    : DSCapsuleButton(style, parent) {
    setText(text);
}

void DSCapsuleButton::setCapsuleStyle(DSCapsuleButtonStyle style) {
    if (style == style_) return;
    const bool openChanged = style.isOpen != style_.isOpen;
    const bool roleChanged = style.role != style_.role;
    style_ = style;
    if (openChanged) startTransition();
    restyle();
    if (roleChanged) updateGeometry();
}

void DSCapsuleButton::setOpen(bool open) {
    DSCapsuleButtonStyle style = style_;
    style.isOpen = open;
    setCapsuleStyle(style);
}

void DSCapsuleButton::setFilled(bool filled) {
    DSCapsuleButtonStyle style = style_;
    style.isFilled = filled;
    setCapsuleStyle(style);
}

void DSCapsuleButton::setLabel(QWidget* label) {
    delete label_;
    label_ = label;
    if (!layout_) {
        layout_ = new QHBoxLayout(this);
        layout_->setSpacing(0);
    }
    if (label) {
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        layout_->addWidget(label, 0, Qt::AlignCenter);
    }
    restyle();
    updateGeometry();
}

CapsuleStateKey DSCapsuleButton::stateKey() const {
    const DSTheme& theme = DSTheme::shared();
    CapsuleStateKey key;
    key.role = style_.role;
    key.isOpen = style_.isOpen;
    key.isFilled = style_.isFilled;
    key.isEnabled = isEnabled();
    key.isPressed = isDown();
    key.isHovering = isHovering_;
    key.reduceTransparency = theme.reduceTransparency();
    key.increasedContrast = theme.increasedContrast();
    return key;
}

DSCapsuleButton::Resolved DSCapsuleButton::resolvedColours() const {
    const CapsuleColours colours = capsuleColours(stateKey());
    const DSAppearance appearance = DSTheme::shared().appearance();
    const auto resolve = [appearance](const DSColour* colour) {
        return colour ? colour->resolve(appearance) : QColor(Qt::transparent);
    };
    return {resolve(colours.backing), resolve(colours.fill), resolve(colours.stroke), resolve(colours.foreground)};
}

double DSCapsuleButton::padding() const {
    return (isPrimary(style_) ? 20 : 15) * DSTheme::shared().typeScale();
}

void DSCapsuleButton::restyle() {
    const double scale = DSTheme::shared().typeScale();
    setFont(isPrimary(style_) ? fonts::systemFont(14 * scale, QFont::DemiBold)
                              : fonts::systemFont(13 * scale, QFont::Medium));
    const QColor foreground = resolvedColours().foreground;
    QPalette palette = this->palette();
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) {
        palette.setColor(role, foreground);
    }
    setPalette(palette);
    if (layout_) {
        const int margin = int(std::lround(padding()));
        layout_->setContentsMargins(margin, 0, margin, 0);
    }
    update();
}

QSize DSCapsuleButton::sizeHint() const {
    const double height = capsuleMinimumHeight * DSTheme::shared().typeScale();
    QSize content;
    if (label_) {
        content = label_->sizeHint();
    } else {
        const QFontMetricsF metrics(font());
        content = QSizeF(metrics.horizontalAdvance(text()), metrics.height()).toSize();
    }
    // The same whole margins the label's layout keeps, so a label is never squeezed by a pixel.
    const int width = content.width() + 2 * int(std::lround(padding()));
    return {width, std::max(int(std::ceil(height)), content.height())};
}

QSize DSCapsuleButton::minimumSizeHint() const { return sizeHint(); }

void DSCapsuleButton::setHovering(bool hovering) {
    platform::assertMainThread();
    if (hovering == isHovering_) return;
    isHovering_ = hovering;
    startTransition();
    restyle();
}

void DSCapsuleButton::startTransition() {
    transitionStart_ = lastDrawn_;
    transition_->stop();
    transition_->start();
}

void DSCapsuleButton::enterEvent(QEnterEvent* event) {
    setHovering(true);
    QAbstractButton::enterEvent(event);
}

void DSCapsuleButton::leaveEvent(QEvent* event) {
    setHovering(false);
    QAbstractButton::leaveEvent(event);
}

void DSCapsuleButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) restyle();
    QAbstractButton::changeEvent(event);
}

bool DSCapsuleButton::hitButton(const QPoint& position) const { return capsule(rect()).contains(position); }

void DSCapsuleButton::paintEvent(QPaintEvent*) {
    Resolved colours = resolvedColours();
    // Pressing is not animated: a press shows at once.
    if (transition_->state() == QAbstractAnimation::Running && !isDown()) {
        const double progress = transition_->currentValue().toDouble();
        colours = {blend(transitionStart_.backing, colours.backing, progress),
                   blend(transitionStart_.fill, colours.fill, progress),
                   blend(transitionStart_.stroke, colours.stroke, progress),
                   colours.foreground};
    }
    lastDrawn_ = colours;

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    for (const QColor& layer : {colours.backing, colours.fill}) {
        if (layer.alpha() > 0) painter.fillPath(capsule(bounds), layer);
    }
    if (colours.stroke.alpha() > 0) {
        // The border lies inside the capsule's edge.
        painter.setPen(QPen(colours.stroke, 1.0));
        painter.drawPath(capsule(bounds.adjusted(0.5, 0.5, -0.5, -0.5)));
    }
    if (!label_) {
        painter.setPen(colours.foreground);
        painter.setFont(font());
        painter.drawText(bounds, Qt::AlignCenter, text());
    }
}

} // namespace pictavo
