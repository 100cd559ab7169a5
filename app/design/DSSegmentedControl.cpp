#include "app/design/DSSegmentedControl.h"

#include "platform/base/MainThread.h"
#include "app/design/DSFonts.h"
#include "app/design/DSPalette.h"
#include "app/design/DSSegmentAccessible.h"
#include "app/design/DSTheme.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

namespace pictavo {

using namespace palette;

namespace {

constexpr int controlHeight = 24;
constexpr double trackRadius = 6;
constexpr double segmentRadius = 5;
constexpr int segmentInset = 2;
constexpr int titlePadding = 10;

QColor now(const DSColour& colour) { return colour.resolve(DSTheme::shared().appearance()); }

} // namespace

DSSegmentedControl::DSSegmentedControl(const QString& label, QWidget* parent)
    : QWidget(parent), layout_(new QHBoxLayout(this)) {
    installSegmentAccessibility();
    layout_->setContentsMargins(segmentInset, segmentInset, segmentInset, segmentInset);
    layout_->setSpacing(0);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setLabel(label);
    connect(&DSTheme::shared(), &DSTheme::changed, this, [this] {
        update();
        for (DSSegmentButton* button : buttons_) button->update();
    });
}

void DSSegmentedControl::setSegments(const QStringList& titles) {
    platform::assertMainThread();
    while (buttons_.size() > std::size_t(titles.size())) {
        delete buttons_.back();
        buttons_.pop_back();
    }
    for (int index = 0; index < titles.size(); ++index) {
        if (std::size_t(index) < buttons_.size()) {
            if (buttons_[std::size_t(index)]->text() != titles[index]) buttons_[std::size_t(index)]->setText(titles[index]);
            continue;
        }
        auto* button = new DSSegmentButton(this);
        button->setCheckable(true);
        button->setText(titles[index]);
        button->setFont(fonts::DSFontBodyMedium());
        connect(button, &QAbstractButton::clicked, this, [this, index] { pick(index); });
        layout_->addWidget(button, 1);
        buttons_.push_back(button);
    }
    // A selection beyond the segments left shows nothing.
    if (selectedIndex_ >= count()) selectedIndex_ = -1;
    for (int index = 0; index < count(); ++index) buttons_[std::size_t(index)]->setChecked(index == selectedIndex_);
    updateGeometry();
    update();
}

QStringList DSSegmentedControl::segments() const {
    QStringList titles;
    for (const DSSegmentButton* button : buttons_) titles << button->text();
    return titles;
}

void DSSegmentedControl::setSelectedIndex(int index) {
    if (index < 0 || index >= count()) index = -1;
    if (index == selectedIndex_) return;
    selectedIndex_ = index;
    for (int position = 0; position < count(); ++position) {
        buttons_[std::size_t(position)]->setChecked(position == selectedIndex_);
    }
    update();
}

void DSSegmentedControl::setLabel(const QString& label) { setAccessibleName(label); }

DSSegmentButton* DSSegmentedControl::segment(int index) const {
    return index >= 0 && index < count() ? buttons_[std::size_t(index)] : nullptr;
}

void DSSegmentedControl::pick(int index) {
    setSelectedIndex(index);
    Q_EMIT segmentChosen(index);
}

QSize DSSegmentedControl::sizeHint() const {
    int widest = 0;
    for (const DSSegmentButton* button : buttons_) widest = std::max(widest, button->sizeHint().width());
    return {2 * segmentInset + widest * count(), controlHeight};
}

QSize DSSegmentedControl::minimumSizeHint() const { return {2 * segmentInset + 8 * count(), controlHeight}; }

void DSSegmentedControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath track;
    track.addRoundedRect(QRectF(rect()), trackRadius, trackRadius);
    painter.fillPath(track, now(DSFill()));
    // Dividers between neighbours that are both unselected.
    for (int index = 1; index < count(); ++index) {
        if (index == selectedIndex_ || index - 1 == selectedIndex_) continue;
        const int x = buttons_[std::size_t(index)]->geometry().left();
        painter.fillRect(QRectF(x - 0.5, height() * 0.25, 1, height() * 0.5), now(DSSeparator()));
    }
}

void DSSegmentButton::focusInEvent(QFocusEvent* event) {
    // A window coming back to the front gives the focus back as it was.
    if (event->reason() == Qt::MouseFocusReason) {
        focusedByPointer_ = true;
    } else if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason) {
        focusedByPointer_ = false;
    }
    QAbstractButton::focusInEvent(event);
}

void DSSegmentButton::mousePressEvent(QMouseEvent* event) {
    focusedByPointer_ = true;
    QAbstractButton::mousePressEvent(event);
}

QSize DSSegmentButton::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 2 * titlePadding, controlHeight - 2 * segmentInset};
}

QSize DSSegmentButton::minimumSizeHint() const { return {8, controlHeight - 2 * segmentInset}; }

void DSSegmentButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (isChecked()) {
        QPainterPath segment;
        segment.addRoundedRect(QRectF(rect()), segmentRadius, segmentRadius);
        painter.fillPath(segment, now(DSSegmentSelected()));
    }
    // The ring marks a focus that came from the keyboard; a click on a segment shows its
    // choice, not a ring. In the keyboard ring's black or white: the accent stands out from a
    // dark segment too little to be seen.
    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange) && !focusedByPointer_) {
        painter.setPen(QPen(now(DSKeyboardRing()), 2));
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), segmentRadius, segmentRadius);
    }
    painter.setFont(font());
    painter.setPen(now(isEnabled() ? primary() : tertiaryLabel()));
    const QFontMetrics metrics(font());
    painter.drawText(rect(), Qt::AlignCenter, metrics.elidedText(text(), Qt::ElideRight, width() - 4));
}

} // namespace pictavo
