#include "app/shell/ExportProgress.h"

#include "app/design/DSFonts.h"
#include "app/design/DSPalette.h"
#include "app/design/DSTheme.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace pictavo {

namespace {

constexpr int toldSteps = 10;

} // namespace

ExportProgressBar::ExportProgressBar(QWidget* parent) : QProgressBar(parent) {
    setRange(0, toldSteps);
    setValue(0);
    setTextVisible(false);
    setAccessibleName(QStringLiteral("Export progress"));
}

void ExportProgressBar::setProgress(double fraction, const QString& count) {
    const bool stepped = static_cast<int>(std::floor(fraction * toldSteps)) != value();
    fraction_ = fraction;
    count_ = count;
    update();
    if (stepped || accessibleDescription().isEmpty()) tell();
}

void ExportProgressBar::tell() {
    setValue(static_cast<int>(std::floor(fraction_ * toldSteps)));
    if (accessibleDescription() != count_) setAccessibleDescription(count_);
}

void ExportProgressBar::focusInEvent(QFocusEvent* event) {
    // Read out with the focus that follows, as it is now.
    tell();
    QProgressBar::focusInEvent(event);
}

void ExportProgressBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track(0, (height() - 8) / 2.0, width(), 8);
    const auto capsule = [](const QRectF& rect) {
        QPainterPath path;
        path.addRoundedRect(rect, rect.height() / 2, rect.height() / 2);
        return path;
    };
    painter.fillPath(capsule(track), palette::DSFill2().current());
    if (fraction_ > 0) {
        // The filled part is never narrower than its own rounded ends.
        const QRectF done(track.left(), track.top(), std::max(track.height(), track.width() * std::min(fraction_, 1.0)),
                          track.height());
        painter.fillPath(capsule(done), palette::DSAccent().current());
    }
}

ExportProgressCount::ExportProgressCount(QWidget* parent) : QWidget(parent) {
    setFont(fonts::DSFontBodyMedium());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(&DSTheme::shared(), &DSTheme::changed, this, qOverload<>(&QWidget::update));
}

void ExportProgressCount::setText(const QString& text) {
    if (text == text_) return;
    const bool wider = fontMetrics().horizontalAdvance(text) != fontMetrics().horizontalAdvance(text_);
    text_ = text;
    if (wider) updateGeometry();
    update();
}

QSize ExportProgressCount::sizeHint() const {
    return {fontMetrics().horizontalAdvance(text_) + 1, fontMetrics().height()};
}

void ExportProgressCount::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette::secondary().current());
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, text_);
}

} // namespace pictavo
