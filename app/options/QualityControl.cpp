#include "app/options/QualityControl.h"

#include "app/design/DSFonts.h"
#include "app/design/DSPickerAccessible.h"
#include "app/design/DSSegmentedControl.h"
#include "app/options/OptionCaption.h"
#include "platform/text/TextFormat.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace pictavo {

namespace {

constexpr int numberWidth = 26;

int indexOfTarget(std::int64_t bytes) {
    const auto* found = std::find(targetByteChoices.begin(), targetByteChoices.end(), bytes);
    return found == targetByteChoices.end() ? -1 : int(found - targetByteChoices.begin());
}

} // namespace

QualityControl::QualityControl(Binding<QualityMode> quality, QWidget* parent)
    : QWidget(parent), quality_(std::move(quality)), modes_(new DSSegmentedControl(QStringLiteral("Compression"), this)),
      sliderRow_(new QWidget(this)), slider_(new QSlider(Qt::Horizontal, sliderRow_)),
      number_(new QLabel(sliderRow_)), targets_(new QComboBox(this)),
      caption_(new OptionCaption(QStringLiteral("Keeps every pixel the format can keep. One with no lossless mode "
                                                "uses its best setting and still loses detail."),
                                 this)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(9);

    QStringList titles;
    for (const QualityShape shape : allQualityShapes) titles << title(shape);
    modes_->setSegments(titles);
    modes_->setToolTip(QStringLiteral("Keep every pixel, hold a quality, or hold a file size"));
    column->addWidget(modes_);

    auto* row = new QHBoxLayout(sliderRow_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    slider_->setRange(1, 100);
    slider_->setPageStep(10);
    slider_->setToolTip(QStringLiteral("Higher keeps more detail and makes a bigger file"));
    slider_->setAccessibleName(QStringLiteral("Quality"));
    number_->setFont(fonts::DSFontBodyMedium());
    number_->setFixedWidth(numberWidth);
    number_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(slider_, 1, Qt::AlignVCenter);
    row->addWidget(number_, 0, Qt::AlignVCenter);
    column->addWidget(sliderRow_);

    // Before the items: a screen reader's bridge meets the picker as they come, and keeps the
    // interface it met.
    showListOnlyWhileOpen(targets_);
    for (const std::int64_t bytes : targetByteChoices) targets_->addItem(QString::fromStdString(platform::byteCount(bytes)));
    targets_->setAccessibleName(QStringLiteral("Under"));
    targets_->setToolTip(QStringLiteral("The encoder is searched for the best quality that fits under this"));
    targets_->setFont(fonts::DSFontBody());
    targets_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    column->addWidget(targets_, 0, Qt::AlignLeft);
    column->addWidget(caption_);

    connect(modes_, &DSSegmentedControl::segmentChosen, this, [this](int index) {
        if (index < 0 || index >= int(allQualityShapes.size())) return;
        write(memory_.mode(allQualityShapes[std::size_t(index)]));
    });
    connect(slider_, &QSlider::valueChanged, this, [this](int value) { write(QualityMode::quality(value)); });
    connect(targets_, &QComboBox::activated, this, [this](int index) {
        if (index < 0 || index >= int(targetByteChoices.size())) return;
        write(QualityMode::targetBytes(targetByteChoices[std::size_t(index)]));
    });

    memory_.record(quality_.get());
    refresh();
}

void QualityControl::write(const QualityMode& mode) {
    memory_.record(mode);
    quality_.set(mode);
    refresh();
}

void QualityControl::refresh() {
    const QualityMode mode = quality_.get();
    const QualityShape shape = shapeOf(mode);
    modes_->setSelectedIndex(int(std::find(allQualityShapes.begin(), allQualityShapes.end(), shape) -
                                 allQualityShapes.begin()));
    sliderRow_->setVisible(shape == QualityShape::quality);
    targets_->setVisible(shape == QualityShape::targetBytes);
    caption_->setVisible(shape == QualityShape::lossless);
    if (shape == QualityShape::quality) {
        const QSignalBlocker quiet(slider_);
        slider_->setValue(int(std::clamp<std::int64_t>(mode.payload(), 1, 100)));
        number_->setText(QString::number(mode.payload()));
    } else if (shape == QualityShape::targetBytes) {
        targets_->setCurrentIndex(indexOfTarget(mode.payload()));
    }
}

} // namespace pictavo
