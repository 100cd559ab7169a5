#pragma once
#include "app/design/DSColour.h"

#include <QLabel>

namespace pictavo {

// Plain text in one of the palette's colours, following the appearance as it changes. The text
// is never read as rich text: it may be what the user typed.
class ColouredLabel : public QLabel {
    Q_OBJECT

public:
    ColouredLabel(const QString& text, const DSColour& colour, const QFont& font, QWidget* parent = nullptr);

    const DSColour& colour() const { return *colour_; }
    void setColour(const DSColour& colour);

private:
    void restyle();

    const DSColour* colour_;
};

} // namespace pictavo
