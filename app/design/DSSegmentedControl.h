#pragma once
#include <QAbstractButton>
#include <QStringList>
#include <QWidget>

#include <vector>

class QHBoxLayout;

namespace pictavo {

class DSSegmentButton;

// A choice among a few options shown side by side in segments of equal width. It keeps no
// selection of its own beyond what it shows: its owner sets the selected index from its value and
// writes the value back when `segmentChosen` reports a pick.
//
//     const DSSegments<QualityKind> segments{{"Lossless", lossless}, {"Quality", quality}, {"File size", size}};
//     control->setSegments(segments.titles());
//     control->setSelectedIndex(segments.indexOf(current));
//     connect(control, &DSSegmentedControl::segmentChosen, [=](int index) { if (auto tag = segments.tagAt(index)) ... });
class DSSegmentedControl : public QWidget {
    Q_OBJECT

public:
    // `label` is read out by assistive technology, not drawn.
    explicit DSSegmentedControl(const QString& label, QWidget* parent = nullptr);

    // Keeps the segments whose titles are unchanged, relabels the others and adds or removes
    // segments at the end.
    void setSegments(const QStringList& titles);
    QStringList segments() const;
    int count() const { return int(buttons_.size()); }
    // -1 shows no segment selected.
    void setSelectedIndex(int index);
    int selectedIndex() const { return selectedIndex_; }
    void setLabel(const QString& label);
    DSSegmentButton* segment(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // The user picked a segment; the control already shows it selected.
    void segmentChosen(int index);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void pick(int index);

    QHBoxLayout* layout_;
    std::vector<DSSegmentButton*> buttons_;
    int selectedIndex_ = -1;
};

// One segment: its title, drawn filled when selected.
class DSSegmentButton : public QAbstractButton {
    Q_OBJECT

public:
    using QAbstractButton::QAbstractButton;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void nextCheckState() override {}
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // The focus came, or was last touched, by the pointer: no ring, though the window has seen
    // the keyboard move the focus before.
    bool focusedByPointer_ = false;
};

} // namespace pictavo
