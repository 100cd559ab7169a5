#include "app/options/OptionsPanel.h"

#include "app/design/DSPalette.h"
#include "app/design/DSReadingOrder.h"
#include "app/design/DSSegmentedControl.h"
#include "app/design/DSSegments.h"
#include "app/design/DSTheme.h"
#include "app/options/FilenamePatternField.h"
#include "app/options/OptionCaption.h"
#include "app/options/OptionLink.h"
#include "app/options/OptionSection.h"
#include "app/options/OptionSwitch.h"
#include "app/options/OptionsVisibility.h"
#include "app/options/OrientationControl.h"
#include "app/options/QualityControl.h"

#include <QPainter>
#include <QVBoxLayout>

namespace pictavo {

namespace {

const DSSegments<MatteColour>& matteSegments() {
    static const DSSegments<MatteColour> segments{{QStringLiteral("White"), MatteColour::white()},
                                                  {QStringLiteral("Black"), MatteColour::black()}};
    return segments;
}

// A hairline across the panel in the separator colour.
class Divider : public QWidget {
public:
    explicit Divider(QWidget* parent) : QWidget(parent) {
        setFixedHeight(1);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        connect(&DSTheme::shared(), &DSTheme::changed, this, qOverload<>(&QWidget::update));
    }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), palette::DSSeparator().current()); }
};

} // namespace

OptionsPanel::OptionsPanel(Inputs inputs, QWidget* parent)
    : QWidget(parent), inputs_(std::move(inputs)) {
    setWindowTitle(QStringLiteral("Options"));
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(18);
    const OutputSpec spec = inputs_.spec.get();

    compression_ = new OptionSection(QStringLiteral("Compression"), this);
    stack->addWidget(compression_);

    auto* metadata = new OptionSection(QStringLiteral("Metadata"), this);
    keepMetadata_ = new OptionSwitch(QStringLiteral("Keep EXIF and GPS"), metadata);
    keepMetadata_->setToolTip(QStringLiteral("Off removes camera, location and timestamps"));
    metadata->addContent(keepMetadata_);
    metadata->addContent(new OptionCaption(keepMetadataCaption, metadata));
    stack->addWidget(metadata);
    connect(keepMetadata_, &OptionSwitch::switched, this, [this](bool on) {
        write([on](OutputSpec& spec) { spec.metadata = on ? MetadataPolicy::keepAll : MetadataPolicy::strip; });
    });

    auto* colour = new OptionSection(QStringLiteral("Colour"), this);
    convertToSRGB_ = new OptionSwitch(QStringLiteral("Convert to sRGB"), colour);
    convertToSRGB_->setToolTip(QStringLiteral("Stops Display P3 photos coming out oversaturated"));
    greyscale_ = new OptionSwitch(QStringLiteral("Greyscale"), colour);
    greyscale_->setToolTip(QStringLiteral("Drains the colour, keeping the brightness"));
    colour->addContent(convertToSRGB_);
    colour->addContent(greyscale_);
    stack->addWidget(colour);
    connect(convertToSRGB_, &OptionSwitch::switched, this, [this](bool on) {
        write([on](OutputSpec& spec) { spec.colour = on ? ColourPolicy::convertToSRGB : ColourPolicy::preserve; });
    });
    connect(greyscale_, &OptionSwitch::switched, this,
            [this](bool on) { write([on](OutputSpec& spec) { spec.adjustments.greyscale = on; }); });

    auto* orientation = new OptionSection(QStringLiteral("Orientation"), this);
    orientation_ = new OrientationControl(
        inputs_.spec.member(&OutputSpec::adjustments).member(&Adjustments::reorientation), orientation);
    orientation->addContent(orientation_);
    stack->addWidget(orientation);

    background_ = new OptionSection(QStringLiteral("Background"), this);
    matte_ = new DSSegmentedControl(QStringLiteral("Background"), background_);
    matte_->setSegments(matteSegments().titles());
    matte_->setToolTip(QStringLiteral("What shows through where the image is transparent"));
    background_->addContent(matte_);
    stack->addWidget(background_);
    connect(matte_, &DSSegmentedControl::segmentChosen, this, [this](int index) {
        if (const std::optional<MatteColour> chosen = matteSegments().tagAt(index)) {
            write([&chosen](OutputSpec& spec) { spec.matte = *chosen; });
        }
    });

    auto* naming = new OptionSection(QStringLiteral("Naming"), this);
    pattern_ = new FilenamePatternField(inputs_.spec.member(&OutputSpec::namePattern), inputs_.namePreview(), naming);
    naming->addContent(pattern_);
    stack->addWidget(naming);

    divider_ = new Divider(this);
    stack->addWidget(divider_);
    footer_ = new QWidget(this);
    auto* footerStack = new QVBoxLayout(footer_);
    footerStack->setContentsMargins(0, 0, 0, 0);
    footerStack->setSpacing(9);
    saveAsDefault_ = new OptionLink(QStringLiteral("Save as default"), footer_);
    footerStack->addWidget(saveAsDefault_, 0, Qt::AlignLeft);
    footerStack->addWidget(new OptionCaption(QStringLiteral("New batches start with these options."), footer_));
    stack->addWidget(footer_);
    connect(saveAsDefault_, &QAbstractButton::clicked, this, [this] {
        if (inputs_.saveAsDefault) inputs_.saveAsDefault();
        refresh();
    });

    refresh();
}

QSize OptionsPanel::minimumSizeHint() const {
    // The captions wrap, so the height the panel needs follows from the width it is given
    // (heightForWidth). Their narrowest, tallest form would otherwise set a minimum height
    // that a pop-over of fixed width never needs, and scroll it for nothing.
    return {QWidget::minimumSizeHint().width(), 0};
}

void OptionsPanel::write(const std::function<void(OutputSpec&)>& change) {
    OutputSpec spec = inputs_.spec.get();
    change(spec);
    inputs_.spec.set(spec);
    refresh();
}

void OptionsPanel::showCompression(bool shown) {
    compression_->setVisible(shown);
    // A control that comes back is a new one, remembering 80 and 500 kB again.
    if (shown && !quality_) {
        quality_ = new QualityControl(inputs_.spec.member(&OutputSpec::quality), compression_);
        compression_->addContent(quality_);
        // Made after the sections below it, it would come last on Tab; the pop-over puts
        // the first ones in order.
        followReadingOrder(this);
    } else if (!shown && quality_) {
        delete quality_;
    }
}

void OptionsPanel::refresh() {
    const OutputSpec spec = inputs_.spec.get();
    showCompression(OptionsVisibility::showsCompression(spec.format));
    if (quality_) quality_->refresh();
    keepMetadata_->setOn(spec.metadata == MetadataPolicy::keepAll);
    convertToSRGB_->setOn(spec.colour == ColourPolicy::convertToSRGB);
    greyscale_->setOn(spec.adjustments.greyscale);
    orientation_->refresh();
    background_->setVisible(OptionsVisibility::showsBackground(spec.format));
    matte_->setSelectedIndex(matteSegments().indexOf(spec.matte));
    pattern_->setSubject(inputs_.namePreview());
    pattern_->refresh();
    const bool footerShown = inputs_.canSaveAsDefault && inputs_.canSaveAsDefault();
    divider_->setVisible(footerShown);
    footer_->setVisible(footerShown);
}

} // namespace pictavo
