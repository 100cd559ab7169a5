#pragma once
#include <QProgressBar>
#include <QWidget>

namespace pictavo {

// The export's progress as the band shows it: an accent capsule growing over a grey one, 8
// points high, named "Export progress" with its count ("12 of 300") as its value. It grows
// with every card, but screen readers are told of it in tenths of the run, and as it takes the
// keyboard: told of every card, a run over hundreds of cards flooded them, and they dropped the
// news of how the run ended.
class ExportProgressBar : public QProgressBar {
    Q_OBJECT

public:
    explicit ExportProgressBar(QWidget* parent = nullptr);

    void setProgress(double fraction, const QString& count);
    double fraction() const { return fraction_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void tell();

    double fraction_ = 0;
    QString count_;
};

// The count beside the bar, drawn only: the bar gives it to screen readers, so it tells them
// nothing of its own at each card.
class ExportProgressCount : public QWidget {
    Q_OBJECT

public:
    explicit ExportProgressCount(QWidget* parent = nullptr);

    void setText(const QString& text);
    const QString& text() const { return text_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};

} // namespace pictavo
