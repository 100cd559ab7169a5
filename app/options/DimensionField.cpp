#include "app/options/DimensionField.h"

#include "ImageEngine/Model/ResizeSpec.h"
#include "app/design/DSFocusRing.h"
#include "app/design/DSFonts.h"

#include <algorithm>

namespace pictavo {

namespace {

QString textOf(const std::optional<std::int64_t>& value) { return value ? QString::number(*value) : QString(); }

} // namespace

DimensionField::DimensionField(const QString& placeholder, Binding<std::optional<std::int64_t>> value, QWidget* parent)
    : QLineEdit(parent), value_(std::move(value)) {
    setPlaceholderText(placeholder);
    setAccessibleName(placeholder);
    setFont(fonts::DSFontBody());
    setFixedWidth(fieldWidth);
    // The style's own focus frame is a hairline hardly darker than the panel.
    DSFocusRing::follow(this, DSFocusRing::Shape::rounded(3));
    connect(this, &QLineEdit::textEdited, this, &DimensionField::edited);
    refresh();
    // The caret is placed where Tab, selecting the text, leaves it. Otherwise the first Tab into
    // the field moves it, and Qt tells screen readers of the caret before the focus: Orca then
    // takes the field for its focus without a word and ignores the focus, so the field went
    // unnamed.
    end(false);
}

void DimensionField::refresh() {
    const QString wanted = textOf(value_.get());
    if (text() != wanted) setText(wanted);
}

void DimensionField::edited(const QString& typed) {
    // The cursor stays after the same digits it followed.
    const int digitsBeforeCursor =
        int(std::count_if(typed.begin(), typed.begin() + cursorPosition(), [](QChar c) { return c.isDigit(); }));
    value_.set(ResizeSpec::typedDimension(typed.toStdString()));
    const QString shown = textOf(value_.get());
    if (shown != text()) {
        setText(shown);
        setCursorPosition(std::min(digitsBeforeCursor, int(shown.size())));
    }
}

} // namespace pictavo
