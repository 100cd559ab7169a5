#pragma once
#include "ImageEngine/Model/QualityMode.h"
#include "app/options/Binding.h"
#include "app/options/QualityMemory.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QSlider;

namespace pictavo {

class DSSegmentedControl;
class OptionCaption;

// The compression of the batch: keep every pixel, hold a quality, or hold a file size. Below the
// choice, the quality slider, the file-size menu or a caption, by the mode. Switching away from
// a mode and back brings back the number last used while this control was on screen.
class QualityControl : public QWidget {
    Q_OBJECT

public:
    explicit QualityControl(Binding<QualityMode> quality, QWidget* parent = nullptr);

    // Shows the bound mode; it records nothing.
    void refresh();

    const QualityMemory& memory() const { return memory_; }
    DSSegmentedControl* modes() const { return modes_; }
    QSlider* slider() const { return slider_; }
    QLabel* number() const { return number_; }
    QComboBox* targets() const { return targets_; }
    OptionCaption* losslessCaption() const { return caption_; }

private:
    void write(const QualityMode& mode);

    Binding<QualityMode> quality_;
    QualityMemory memory_;
    DSSegmentedControl* modes_;
    QWidget* sliderRow_;
    QSlider* slider_;
    QLabel* number_;
    QComboBox* targets_;
    OptionCaption* caption_;
};

} // namespace pictavo
