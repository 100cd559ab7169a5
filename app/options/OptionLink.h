#pragma once
#include <QAbstractButton>

namespace pictavo {

// A button drawn as bare text, like a link: secondary while it can be pressed, tertiary while
// it cannot.
class OptionLink : public QAbstractButton {
    Q_OBJECT

public:
    explicit OptionLink(const QString& text, QWidget* parent = nullptr);

    QColor currentColour() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace pictavo
