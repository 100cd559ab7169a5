#pragma once
#include "app/preferences/Acknowledgement.h"

#include <QDialog>

#include <vector>

class QTextBrowser;

namespace pictavo {

// The About panel: the icon, the name, the version and the credits of every library the
// program contains.
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(std::vector<Acknowledgement> entries, QWidget* parent = nullptr);

    // Shows one, deleted when closed.
    static void open(QWidget* parent);

    QTextBrowser* credits() const { return credits_; }

protected:
    void changeEvent(QEvent* event) override;

private:
    // Draws the credits in the current palette's colours.
    void fillCredits();

    std::vector<Acknowledgement> entries_;
    QTextBrowser* credits_;
};

} // namespace pictavo
