#pragma once
#include <QWidget>

namespace pictavo {

// What a toolbar chip shows: its symbol, its value and, for a chip that opens a menu, a
// chevron. The value takes the font and colour of the chip around it; the symbols are drawn in
// the secondary colour (the primary one under increased contrast). Sizes grow with the user's
// text size, and the value always stays on one line at its full width.
class ChipLabel : public QWidget {
    Q_OBJECT

public:
    static constexpr double glyphSize = 14;
    static constexpr double chevronSize = 10;
    static constexpr double gap = 6;

    ChipLabel(const QString& glyph, const QString& value, bool chevron, QWidget* parent = nullptr);

    const QString& glyph() const { return glyph_; }
    const QString& value() const { return value_; }
    bool hasChevron() const { return chevron_; }
    void setValue(const QString& value);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double scaled(double points) const;

    QString glyph_;
    QString value_;
    bool chevron_;
};

} // namespace pictavo
