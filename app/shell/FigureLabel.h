#pragma once
#include <QString>
#include <QWidget>

#include <optional>

namespace pictavo {

// The band's big byte texts on one baseline: the source size, then an arrow and the output
// size. A text too wide shrinks down to 60 percent before it is cut.
class FigureLabel : public QWidget {
    Q_OBJECT

public:
    static constexpr int fullSize = 34;

    explicit FigureLabel(QWidget* parent = nullptr);
    void setTexts(const QString& source, const std::optional<QString>& output);
    QString text() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double naturalWidth(int pixelSize) const;

    QString source_;
    std::optional<QString> output_;
};

} // namespace pictavo
