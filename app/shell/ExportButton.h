#pragma once
#include <QPushButton>

#include <cstdint>

namespace pictavo {

// A capsule-shaped push button, filled with the accent or outlined.
class CapsuleButton : public QPushButton {
    Q_OBJECT

public:
    explicit CapsuleButton(const QString& text, QWidget* parent = nullptr);
    void setFilled(bool filled);
    bool isFilled() const { return isFilled_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool isFilled_ = false;
    // The ring shows for focus that came from the keyboard only.
    bool showsFocusRing_ = false;
};

// The window's primary toolbar button: exports the whole batch, and says so when the
// originals are about to be replaced.
class ExportButton : public CapsuleButton {
    Q_OBJECT

public:
    explicit ExportButton(QWidget* parent = nullptr);

    // "Exporting…" during an export; "Replace 3 Images" when replacing; else "Export".
    static QString title(std::int64_t count, bool replacing, bool exporting);
    void refresh(std::int64_t count, bool replacing, bool exporting);
};

} // namespace pictavo
