#pragma once
#include "app/preferences/Acknowledgement.h"

#include <QDialog>
#include <QMargins>
#include <QPointer>
#include <QRect>

#include <vector>

class QScreen;
class QTextBrowser;

namespace pictavo {

// Where a window of the usual size goes inside the screen's available area: as large as the
// usual size up to the area less the window manager's frame, no smaller than the minimum, and
// moved into the area around the centre it would take (its parent's).
QRect fittedGeometry(QSize usual, QSize minimum, QMargins frame, QPoint centre, const QRect& available);

// The About panel: the icon, the name, the version and the credits of every library the
// program contains.
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(std::vector<Acknowledgement> entries, QWidget* parent = nullptr);

    // Shows one, deleted when closed.
    static void open(QWidget* parent);

    QTextBrowser* credits() const { return credits_; }

    // Keeps the panel inside this area of its screen; the credits scroll in what is left.
    void fitInto(const QRect& available);

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    // Draws the credits in the current palette's colours.
    void fillCredits();
    void fitToScreen();

    std::vector<Acknowledgement> entries_;
    QTextBrowser* credits_;
    QPointer<QScreen> watchedScreen_;
    // The window manager's frame the last fit allowed for.
    QMargins fittedFrame_;
};

} // namespace pictavo
