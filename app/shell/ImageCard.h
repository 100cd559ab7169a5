#pragma once
#include "ImageEngine/Model/Adjustments.h"
#include "app/batch/BatchItem.h"
#include "app/batch/ThumbnailLoader.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <functional>
#include <optional>
#include <utility>
#include <tuple>

class QComboBox;
class QMimeData;
class QToolButton;

namespace pictavo {

// One card of the grid: the thumbnail over a checkerboard, the file's name, a page picker for
// files of several pages, the status line with its badge, and the selection and focus rings.
// It draws and forwards; the grid decides what clicks, keys and removals do.
class ImageCard : public QWidget {
    Q_OBJECT

public:
    static constexpr int thumbnailSide = 256;

    explicit ImageCard(const BatchItem& item, QWidget* parent = nullptr);

    const BatchItem& item() const { return item_; }
    void setItem(const BatchItem& item);
    void setSelected(bool selected);
    void setFocusedCard(bool focused);
    bool isFocusedCard() const { return isFocused_; }
    // The grid's focused card looks focused only while the window's keyboard focus is on it or
    // on its page picker: with the focus on a chip or a link, the grid merely remembers it.
    bool showsFocus() const;
    void setLocked(bool locked);
    bool isSelected() const { return isSelected_; }
    bool isRemoveButtonShown() const;
    // The page picker of a file of several pages; null for one page.
    QComboBox* pagePicker() const { return pagePicker_; }
    // Asks the loader for the preview of the file the card stands for when the key (file,
    // page, turn, stamp) changed; the old preview stays until the new one arrives.
    void loadThumbnail(ThumbnailLoader& loader, const Adjustments& adjustments);
    const QImage& thumbnail() const { return thumbnail_; }
    // Lets go of the preview of a card far out of view, so that the memory the window holds
    // stays that of the cards near the view and of the loader's bounded cache.
    void releaseThumbnail();
    // Makes the drag's data when a drag starts; null starts no drag.
    void setDragData(std::function<QMimeData*()> dragData) { dragData_ = std::move(dragData); }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

    // Redraws the spinner of a card being estimated or saved, and nothing else of it.
    void updateBusyIndicator();

    // The status line's text as drawn, for the accessibility value and for tests.
    QString statusText() const;
    // What a screen reader reads after the card's name: "selected" while it is, then its
    // item's description as it is now.
    QString spokenDescription() const;
    // The name and the above, as news said with the card reads it.
    QString spokenText() const;

Q_SIGNALS:
    void clicked(Qt::KeyboardModifiers modifiers);
    void removeRequested();
    // Only asked while the card has failed and has a report to copy.
    void copyDetailsRequested();
    void pageChosen(std::int64_t page);
    void contextMenuRequested(const QPoint& globalPosition, bool fromKeyboard);
    void focusTaken();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QRectF thumbnailBox() const;
    int lowerAreaHeight(int width) const;
    int statusHeight(int width) const;
    void refreshChildren();
    // Gives the card its description as it is now, told to screen readers, while the card has
    // the keyboard; true when it changed.
    bool tellDescription();
    void makeRemoveButton();
    void paintStatus(QPainter& painter, const QRectF& row);
    // The checkerboard with the thumbnail over it at the box's size, rounded at the card's top
    // corners, made again only when the size, the thumbnail or the appearance changed. Only
    // for a card with a thumbnail.
    QPixmap picture(const QSize& size);

    BatchItem item_;
    bool isSelected_ = false;
    bool isFocused_ = false;
    bool isLocked_ = false;
    bool isHovering_ = false;
    QImage thumbnail_;
    QString requestedKey_;
    QToolButton* removeButton_ = nullptr;
    QComboBox* pagePicker_ = nullptr;
    std::function<QMimeData*()> dragData_;
    std::optional<QPoint> pressPosition_;
    bool dragged_ = false;
    // Where the status line and the badge were last drawn, for their help texts.
    QRectF statusBox_;
    QRectF badgeBox_;
    QRectF spinnerBox_;
    QPixmap picture_;
    std::tuple<QSize, double, qint64, QRgb, QRgb> pictureKey_;
    // The last height asked for and its width: the grid asks every card at every layout, and
    // measuring the texts again for a thousand cards held the window at each slice of a drop.
    mutable std::optional<std::pair<int, int>> measuredHeight_;
};

} // namespace pictavo
