#pragma once
#include "ImageEngine/Model/ResizeSpec.h"
#include "app/options/Binding.h"

#include <QWidget>

namespace pictavo {

class DimensionField;

// The pop-over of the size chip's "Custom…": the width and height of the box every image is
// fitted into, each side optional.
class CustomSizeEditor : public QWidget {
    Q_OBJECT

public:
    static constexpr int padding = 16;
    static constexpr int spacing = 8;

    explicit CustomSizeEditor(Binding<ResizeSpec> sizing, QWidget* parent = nullptr);

    // The pop-over width that holds both fields and the sign between them.
    static int fittingWidth();

    DimensionField* widthField() const { return width_; }
    DimensionField* heightField() const { return height_; }
    void refresh();

private:
    DimensionField* width_;
    DimensionField* height_;
};

} // namespace pictavo
