#pragma once
#include <QMessageBox>

class QSpacerItem;

namespace pictavo {

// A message box wide enough for the window manager to show its whole title. Qt sizes a message
// box to its text alone, and the title bar then has no room for the title, the application's
// name Qt adds to it and the window manager's buttons: "Replace the originals?" read
// "Replac… enwid".
class AlertBox : public QMessageBox {
    Q_OBJECT

public:
    explicit AlertBox(QWidget* parent = nullptr);

    // The title as the window manager gets it.
    QString titleBarText() const;
    // The width a title bar needs for the whole of that title, in a bold title font, beside the
    // window manager's buttons.
    int titleBarWidth() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void makeRoomForTitle();

    QSpacerItem* room_ = nullptr;
};

} // namespace pictavo
