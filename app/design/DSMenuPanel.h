#pragma once
#include <QAbstractButton>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QVBoxLayout;

namespace pictavo {

// A menu row as the panel draws it.
struct DSMenuPanelRow {
    QString title;
    std::optional<QString> subtitle;
    std::optional<QString> trailing;
    bool isDestructive = false;
    QString spokenLabel;
    // Said after the label: "selected" for the current value, and the row's place.
    QString spokenDetail;
    // Carries the check mark.
    bool isSelected = false;
    // Drawn with the keyboard or pointer highlight.
    bool isHighlighted = false;

    bool operator==(const DSMenuPanelRow&) const = default;
};

struct DSMenuPanelGroup {
    std::optional<QString> heading;
    std::vector<DSMenuPanelRow> rows;

    bool operator==(const DSMenuPanelGroup&) const = default;
};

class DSMenuRowView;

// The rows of an open pop-up menu, laid on the card its window draws: groups of rows under
// optional headings, separated by lines. It reports clicks and the pointer entering and leaving
// rows by row position; the controller decides what is selected and highlighted and hands the
// panel its new rows.
class DSMenuPanel : public QWidget {
    Q_OBJECT

public:
    explicit DSMenuPanel(QWidget* parent = nullptr);

    // Rebuilds the rows when their texts or grouping changed, and only restyles them otherwise.
    void setGroups(std::vector<DSMenuPanelGroup> groups);
    const std::vector<DSMenuPanelGroup>& groups() const { return groups_; }
    // The row at a position of all rows, in order.
    DSMenuRowView* rowView(std::size_t position) const;
    std::size_t rowCount() const { return rows_.size(); }

    std::function<void(std::size_t)> onChoose;
    // The position of the row entered, or none when the pointer left a row.
    std::function<void(std::optional<std::size_t>)> onHighlight;

private:
    void rebuild();
    static bool sameShape(const std::vector<DSMenuPanelGroup>& a, const std::vector<DSMenuPanelGroup>& b);

    std::vector<DSMenuPanelGroup> groups_;
    QVBoxLayout* layout_;
    std::vector<DSMenuRowView*> rows_;
};

// One row: a plain button drawn with its check mark, texts and highlight.
class DSMenuRowView : public QAbstractButton {
    Q_OBJECT

public:
    DSMenuRowView(DSMenuPanelRow row, QWidget* parent = nullptr);

    const DSMenuPanelRow& row() const { return row_; }
    void setRow(DSMenuPanelRow row);

    std::function<void(bool)> onHover;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool hitButton(const QPoint& position) const override;
    // The check mark follows the selection the controller hands over, not clicks.
    void nextCheckState() override {}

private:
    DSMenuPanelRow row_;
};

} // namespace pictavo
