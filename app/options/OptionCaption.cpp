#include "app/options/OptionCaption.h"

#include "app/design/DSFonts.h"
#include "app/design/DSPalette.h"

namespace pictavo {

OptionCaption::OptionCaption(const QString& text, QWidget* parent)
    : ColouredLabel(text, palette::secondary(), fonts::DSFontCaption(), parent) {
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

} // namespace pictavo
