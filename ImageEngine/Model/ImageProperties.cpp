#include "ImageEngine/Model/ImageProperties.h"

namespace pictavo {

platform::Size ImageProperties::pixelSize() const {
    return {static_cast<double>(pixelWidth), static_cast<double>(pixelHeight)};
}

platform::Size ImageProperties::orientedPixelSize() const {
    const platform::Size size = pixelSize();
    const bool turnsAQuarter = orientation >= 5 && orientation <= 8;
    return turnsAQuarter ? platform::Size{size.height, size.width} : size;
}

} // namespace pictavo
