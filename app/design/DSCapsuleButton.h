#pragma once
#include "app/design/DSCapsuleButtonStyle.h"
#include "app/design/DSCapsuleColours.h"

#include <QAbstractButton>
#include <QPointer>

class QHBoxLayout;
class QVariantAnimation;

namespace pictavo {

// A button drawn as a capsule whose colours follow its role, its open and filled flags, the
// pointer, pressing, enabling and the user's accessibility settings. Its label is its text, or
// a widget given with `setLabel`, which inherits the capsule's font and text colour.
class DSCapsuleButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit DSCapsuleButton(DSCapsuleButtonStyle style, QWidget* parent = nullptr);
    DSCapsuleButton(const QString& text, DSCapsuleButtonStyle style, QWidget* parent = nullptr);

    const DSCapsuleButtonStyle& capsuleStyle() const { return style_; }
    void setCapsuleStyle(DSCapsuleButtonStyle style);
    void setOpen(bool open);
    void setFilled(bool filled);

    // Takes the widget; it receives no mouse events of its own.
    void setLabel(QWidget* label);
    QWidget* label() const { return label_; }

    bool isHovering() const { return isHovering_; }
    // The inputs of the colour choice as they are now.
    CapsuleStateKey stateKey() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool hitButton(const QPoint& position) const override;

private:
    struct Resolved {
        QColor backing, fill, stroke, foreground;
    };

    Resolved resolvedColours() const;
    void setHovering(bool hovering);
    // Colours blend from the last drawn ones when hovering or opening changes.
    void startTransition();
    void restyle();
    double padding() const;

    DSCapsuleButtonStyle style_;
    bool isHovering_ = false;
    QPointer<QWidget> label_;
    QHBoxLayout* layout_ = nullptr;
    QVariantAnimation* transition_ = nullptr;
    Resolved transitionStart_;
    Resolved lastDrawn_;
};

} // namespace pictavo
