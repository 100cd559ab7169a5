#include "app/options/TokenLegend.h"

#include "app/design/DSFonts.h"
#include "app/design/DSPalette.h"
#include "app/design/DSTheme.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace pictavo {

TokenLegend::TokenLegend(const QStringList& tokens, QWidget* parent) : QWidget(parent), tokens_(tokens) {
    setFont(fonts::DSFontSmall());
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setAccessibleName(QStringLiteral("Tokens: ") + tokens.join(QStringLiteral(", ")));
    connect(&DSTheme::shared(), &DSTheme::changed, this, qOverload<>(&QWidget::update));
}

std::vector<QSizeF> TokenLegend::chipSizes() const {
    const QFontMetricsF metrics(font());
    std::vector<QSizeF> sizes;
    for (const QString& token : tokens_) {
        sizes.emplace_back(std::ceil(metrics.horizontalAdvance(token)) + 2 * horizontalInset,
                           std::ceil(metrics.height()) + 2 * verticalInset);
    }
    return sizes;
}

std::vector<QRectF> TokenLegend::chipFrames() const { return flow().placeSubviews(chipSizes(), QRectF(rect())); }

int TokenLegend::heightForWidth(int width) const {
    return int(std::ceil(flow().sizeThatFits(chipSizes(), width).height()));
}

QSize TokenLegend::sizeHint() const { return flow().sizeThatFits(chipSizes(), std::nullopt).toSize(); }

QSize TokenLegend::minimumSizeHint() const {
    // Each chip on a line of its own is the narrowest it can be.
    double widest = 0;
    for (const QSizeF& size : chipSizes()) widest = std::max(widest, size.width());
    return {int(std::ceil(widest)), heightForWidth(int(std::ceil(widest)))};
}

void TokenLegend::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(font());
    const std::vector<QRectF> frames = chipFrames();
    const QColor fill = palette::DSFill2().current();
    const QColor text = palette::secondary().current();
    for (std::size_t index = 0; index < frames.size(); ++index) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRoundedRect(frames[index], cornerRadius, cornerRadius);
        painter.setPen(text);
        painter.drawText(frames[index], Qt::AlignCenter, tokens_[int(index)]);
    }
}

} // namespace pictavo
