#pragma once
#include "app/design/DSColour.h"

#include <QAbstractButton>

#include <optional>

namespace pictavo {

// A button drawn as coloured text, with an optional symbol before the text and one after it:
// the band's links ("Remove 3", "Clear all", "Reveal") and its destination button. The colour
// is a palette colour, resolved at every paint.
class LinkButton : public QAbstractButton {
    Q_OBJECT

public:
    LinkButton(const QString& text, const DSColour& colour, const QFont& font, QWidget* parent = nullptr);

    void setColour(const DSColour& colour);
    void setLeadingSymbol(std::optional<QString> symbol);
    void setTrailingSymbol(std::optional<QString> symbol, double side, QFont::Weight weight);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Symbol {
        QString name;
        double side;
        double weight;
    };
    // The gap between the text and a symbol.
    static constexpr double gap = 6;

    double symbolWidth(const std::optional<Symbol>& symbol) const;

    const DSColour* colour_;
    std::optional<Symbol> leading_;
    std::optional<Symbol> trailing_;
};

} // namespace pictavo
