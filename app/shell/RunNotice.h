#pragma once
#include <QTimer>
#include <QWidget>

namespace pictavo {

// Tells screen readers how an export went, or what an import or a clearing did to the batch,
// wherever their focus is. Qt has no call that has a
// screen reader speak; what one reads out unasked is a notification that shows, so this shows,
// as a notification named by the text, once per announcement. It draws nothing. A screen reader
// drops what comes amid the flood of events of a window taking the keyboard back (from the
// panel that asked for the run's folder), so it shows only once its window holds the keyboard
// and those events have gone by.
class RunNotice : public QWidget {
    Q_OBJECT

public:
    explicit RunNotice(QWidget* parent = nullptr);

    void announce(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showWhenSettled();

    QTimer settle_;
    bool waiting_ = false;
};

} // namespace pictavo
