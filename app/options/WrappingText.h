#pragma once
#include "app/design/DSColour.h"

#include <QWidget>

namespace pictavo {

// Plain text in one of the palette's colours that wraps at word boundaries and, where a word
// is wider than the line, inside the word: a long file name never widens what holds it. Its
// height follows from the width it is given.
class WrappingText : public QWidget {
    Q_OBJECT

public:
    WrappingText(const DSColour& colour, const QFont& font, QWidget* parent = nullptr);

    const QString& text() const { return text_; }
    void setText(const QString& text);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const DSColour* colour_;
    QString text_;
};

} // namespace pictavo
