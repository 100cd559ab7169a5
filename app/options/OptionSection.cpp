#include "app/options/OptionSection.h"

#include "app/design/DSFonts.h"
#include "app/design/DSPalette.h"
#include "app/options/ColouredLabel.h"

#include <QVBoxLayout>

namespace pictavo {

namespace {

QFont titleFont() {
    QFont font = fonts::DSFontCaptionSemibold();
    font.setCapitalization(QFont::AllUppercase);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
    return font;
}

} // namespace

OptionSection::OptionSection(const QString& title, QWidget* parent)
    : QWidget(parent), title_(new ColouredLabel(title, palette::DSStructural(), titleFont(), this)),
      layout_(new QVBoxLayout(this)) {
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(spacing);
    layout_->addWidget(title_);
}

void OptionSection::addContent(QWidget* content) { layout_->addWidget(content); }

} // namespace pictavo
