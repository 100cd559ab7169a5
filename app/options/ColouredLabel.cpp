#include "app/options/ColouredLabel.h"

#include "app/design/DSTheme.h"

namespace pictavo {

ColouredLabel::ColouredLabel(const QString& text, const DSColour& colour, const QFont& font, QWidget* parent)
    : QLabel(parent), colour_(&colour) {
    setTextFormat(Qt::PlainText);
    setText(text);
    setFont(font);
    restyle();
    connect(&DSTheme::shared(), &DSTheme::changed, this, &ColouredLabel::restyle);
}

void ColouredLabel::setColour(const DSColour& colour) {
    colour_ = &colour;
    restyle();
}

void ColouredLabel::restyle() {
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, colour_->current());
    setPalette(colours);
}

} // namespace pictavo
