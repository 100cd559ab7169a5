#pragma once
#include <QCheckBox>

namespace pictavo {

// A check box whose box is outlined in a colour that stands out from the window behind it. The
// standard style outlines it in a shade of the window colour, which on a dark window is all but
// the window colour itself: an unchecked box did not show at all.
class OutlinedCheckBox : public QCheckBox {
    Q_OBJECT

public:
    explicit OutlinedCheckBox(const QString& text, QWidget* parent = nullptr);

    // The outline's colour over the current window colour, in the application's appearance.
    QColor outlineColour() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace pictavo
