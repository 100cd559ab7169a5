#pragma once
#include "app/design/DSColour.h"

#include <QFont>
#include <QSizeF>
#include <QString>
#include <QWidget>

#include <optional>

class QPainter;

namespace pictavo {

// A small capsule with a short text and an optional symbol, tinted by an optional colour:
// a card's badge and the summary band's pills.
struct StatusPill {
    // Where it stands: on a card (whose lower area may be tinted), or in the band.
    struct Prominence {
        bool onCard = false;
        bool onTint = false;
        static Prominence card(bool onTint) { return {true, onTint}; }
        static Prominence band() { return {false, false}; }
        friend bool operator==(const Prominence&, const Prominence&) = default;
    };

    QString label;
    std::optional<QString> icon;
    // A palette colour, resolved when the pill is drawn; none draws the plain fill.
    const DSColour* colour = nullptr;
    Prominence prominence = Prominence::band();

    // The capsule's opacity over a colour: 0.12 light or 0.16 dark, 0.06 more on a tinted card.
    static double tintOpacity(bool dark, Prominence prominence);
    static QFont font();

    QSizeF size() const;
    void paint(QPainter& painter, const QPointF& topLeft) const;
};

// A pill as a widget of its own, for the band and the drop zone.
class StatusPillWidget : public QWidget {
    Q_OBJECT

public:
    explicit StatusPillWidget(QWidget* parent = nullptr);
    void setPill(const StatusPill& pill);
    const StatusPill& pill() const { return pill_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    StatusPill pill_;
};

} // namespace pictavo
