#pragma once
#include <QString>
#include <QWidget>

#include <optional>

class QAbstractButton;
class QLabel;

namespace pictavo {

class StatusPillWidget;

// What the empty window shows: an invitation to drop images or choose them, the kinds of file
// it takes, and the notice when nothing of a drop could be read. Lights up while files hover.
class DropZone : public QWidget {
    Q_OBJECT

public:
    explicit DropZone(QWidget* parent = nullptr);

    void setTargeted(bool targeted);
    bool isTargeted() const { return isTargeted_; }
    void setNotice(const std::optional<QString>& notice);
    QAbstractButton* chooseButton() const { return chooseButton_; }
    bool showsNotice() const;

Q_SIGNALS:
    void chooseRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Colours and the icon's size follow the appearance and the user's text size.
    void restyle();

    bool isTargeted_ = false;
    QWidget* icon_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* formats_ = nullptr;
    QAbstractButton* chooseButton_ = nullptr;
    StatusPillWidget* notice_ = nullptr;
};

} // namespace pictavo
