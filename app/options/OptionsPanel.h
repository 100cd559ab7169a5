#pragma once
#include "ImageEngine/Model/OutputSpec.h"
#include "app/options/Binding.h"
#include "app/options/FilenameSubject.h"
#include "app/options/QualityControl.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class QVBoxLayout;

namespace pictavo {

class DSSegmentedControl;
class FilenamePatternField;
class OptionCaption;
class OptionLink;
class OptionSection;
class OptionSwitch;
class OrientationControl;

// Every option of the batch that is neither its format nor its size: compression, metadata,
// colour, orientation, background and naming, each written to the specification at once, and a
// footer that makes them the default for new batches. Sections come and go with the format.
// Made when its pop-over opens; while open it is refreshed, never rebuilt, so the compression
// control keeps its remembered numbers and the pattern field its cursor.
class OptionsPanel : public QWidget {
    Q_OBJECT

public:
    struct Inputs {
        Binding<OutputSpec> spec;
        // Whether the footer shows: the options differ from the default ones.
        std::function<bool()> canSaveAsDefault;
        std::function<void()> saveAsDefault;
        // The filename preview's subject: the first image of the batch, or an example photo.
        std::function<FilenameSubject()> namePreview;
    };

    static inline const QString keepMetadataCaption =
        QStringLiteral("Off removes camera, location and timestamps. The colour profile is always kept.");

    explicit OptionsPanel(Inputs inputs, QWidget* parent = nullptr);

    void refresh();

    QSize minimumSizeHint() const override;

    // None while the format has no compression to choose.
    QualityControl* qualityControl() const { return quality_; }
    OptionSection* compressionSection() const { return compression_; }
    OptionSection* backgroundSection() const { return background_; }
    OptionSwitch* keepMetadataSwitch() const { return keepMetadata_; }
    OptionSwitch* convertToSRGBSwitch() const { return convertToSRGB_; }
    OptionSwitch* greyscaleSwitch() const { return greyscale_; }
    OrientationControl* orientationControl() const { return orientation_; }
    DSSegmentedControl* matteControl() const { return matte_; }
    FilenamePatternField* patternField() const { return pattern_; }
    QWidget* footer() const { return footer_; }
    OptionLink* saveAsDefaultButton() const { return saveAsDefault_; }

private:
    void showCompression(bool shown);
    void write(const std::function<void(OutputSpec&)>& change);

    Inputs inputs_;
    OptionSection* compression_;
    QPointer<QualityControl> quality_;
    OptionSwitch* keepMetadata_;
    OptionSwitch* convertToSRGB_;
    OptionSwitch* greyscale_;
    OrientationControl* orientation_;
    OptionSection* background_;
    DSSegmentedControl* matte_;
    FilenamePatternField* pattern_;
    QWidget* divider_;
    QWidget* footer_;
    OptionLink* saveAsDefault_;
};

} // namespace pictavo
