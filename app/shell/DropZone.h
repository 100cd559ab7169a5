#pragma once
#include <QString>
#include <QWidget>

#include <optional>

class QPushButton;

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
    QPushButton* chooseButton() const { return chooseButton_; }
    bool showsNotice() const;

Q_SIGNALS:
    void chooseRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool isTargeted_ = false;
    QPushButton* chooseButton_ = nullptr;
    StatusPillWidget* notice_ = nullptr;
};

} // namespace pictavo
