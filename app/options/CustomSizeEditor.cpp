#include "app/options/CustomSizeEditor.h"

#include "app/design/DSFonts.h"
#include "app/design/DSPalette.h"
#include "app/options/ColouredLabel.h"
#include "app/options/DimensionField.h"
#include "app/options/FitBox.h"

#include <QHBoxLayout>

#include <cmath>

namespace pictavo {

namespace {

const QString& timesSign() {
    static const QString sign = QStringLiteral("\u00D7");
    return sign;
}

Binding<std::optional<std::int64_t>> side(const Binding<ResizeSpec>& sizing, bool isWidth) {
    return {[sizing, isWidth] { return isWidth ? FitBox::width(sizing.get()) : FitBox::height(sizing.get()); },
            [sizing, isWidth](const std::optional<std::int64_t>& value) {
                sizing.set(isWidth ? FitBox::withWidth(sizing.get(), value) : FitBox::withHeight(sizing.get(), value));
            }};
}

} // namespace

CustomSizeEditor::CustomSizeEditor(Binding<ResizeSpec> sizing, QWidget* parent)
    : QWidget(parent), width_(new DimensionField(QStringLiteral("Width"), side(sizing, true), this)),
      height_(new DimensionField(QStringLiteral("Height"), side(sizing, false), this)) {
    setWindowTitle(QStringLiteral("Custom size"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(padding, padding, padding, padding);
    row->setSpacing(spacing);
    row->addWidget(width_, 0, Qt::AlignVCenter);
    row->addWidget(new ColouredLabel(timesSign(), palette::tertiaryLabel(), fonts::DSFontBody(), this), 0,
                   Qt::AlignVCenter);
    row->addWidget(height_, 0, Qt::AlignVCenter);
    setTabOrder(width_, height_);
}

int CustomSizeEditor::fittingWidth() {
    const double sign = QFontMetricsF(fonts::DSFontBody()).horizontalAdvance(timesSign());
    return 2 * padding + 2 * DimensionField::fieldWidth + 2 * spacing + int(std::ceil(sign));
}

void CustomSizeEditor::refresh() {
    width_->refresh();
    height_->refresh();
}

} // namespace pictavo
