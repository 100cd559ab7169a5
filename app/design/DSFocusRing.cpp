#include "app/design/DSFocusRing.h"

#include "app/design/DSPalette.h"
#include "app/design/DSTheme.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QEvent>
#include <QFocusFrame>
#include <QPainter>
#include <QPointer>
#include <QWidget>

#include <cmath>

namespace pictavo::DSFocusRing {

namespace {

constexpr const char* radiusProperty = "pictavoFocusRingRadius";

QPainterPath outline(const Shape& shape, const QRectF& bounds, double outset) {
    const QRectF rect = bounds.adjusted(-outset, -outset, outset, outset);
    const double radius = shape.cornerRadius < 0 ? std::min(rect.width(), rect.height()) / 2 : shape.cornerRadius + outset;
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

// Draws the ring of the one control of its window that holds the focus, following it as it
// or anything around it moves. A focus frame, so that screen readers pass it by.
class Overlay : public QFocusFrame {
public:
    explicit Overlay(QWidget* window) : QFocusFrame(window) {
        setObjectName(QStringLiteral("DSFocusRing"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        hide();
        connect(&DSTheme::shared(), &DSTheme::changed, this, qOverload<>(&QWidget::update));
    }

    static Overlay* of(QWidget* window, bool make) {
        auto* overlay = window->findChild<Overlay*>(QStringLiteral("DSFocusRing"), Qt::FindDirectChildrenOnly);
        if (!overlay && make) overlay = new Overlay(window);
        return overlay;
    }

    const QWidget* control() const { return control_; }

    void track(QWidget* control, Shape shape) {
        release();
        control_ = control;
        shape_ = shape;
        for (QWidget* each = control; each && !each->isWindow(); each = each->parentWidget()) {
            each->installEventFilter(this);
            watched_.append(each);
        }
        place();
    }

    void release() {
        for (const QPointer<QWidget>& each : std::as_const(watched_)) {
            if (each) each->removeEventFilter(this);
        }
        watched_.clear();
        control_ = nullptr;
        hide();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::ParentChange:
            if (watched->isWidgetType()) place();
            break;
        default:
            break;
        }
        return false;
    }

    void paintEvent(QPaintEvent*) override {
        if (!control_) return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor colour = DSTheme::shared().increasedContrast() ? palette::DSKeyboardRing().current()
                                                                    : palette::DSAccent().current();
        const QPainterPath band = outline(shape_, controlBounds_, reach).subtracted(outline(shape_, controlBounds_, gap));
        painter.fillPath(band, colour);
    }

private:
    void place() {
        QWidget* window = parentWidget();
        if (!control_ || !control_->isVisibleTo(window) || control_->window() != window) {
            hide();
            return;
        }
        const QRect bounds(control_->mapTo(window, QPoint(0, 0)), control_->size());
        const int margin = static_cast<int>(std::ceil(reach));
        QRect area = bounds.adjusted(-margin, -margin, margin, margin);
        // A scrolling view shows only part of what it holds: the ring is cut where the view
        // cuts the control.
        for (QWidget* each = control_->parentWidget(); each && each != window; each = each->parentWidget()) {
            const auto* scrolling = qobject_cast<const QAbstractScrollArea*>(each->parentWidget());
            if (scrolling && scrolling->viewport() == each) {
                area &= QRect(each->mapTo(window, QPoint(0, 0)), each->size());
            }
        }
        if (area.isEmpty()) {
            hide();
            return;
        }
        setGeometry(area);
        controlBounds_ = QRectF(bounds.translated(-area.topLeft()));
        raise();
        show();
        update();
    }

    QPointer<QWidget> control_;
    Shape shape_;
    QList<QPointer<QWidget>> watched_;
    QRectF controlBounds_;
};

// Moves the ring with the application's keyboard focus.
class Follower : public QObject {
public:
    Follower() : QObject(qApp) {
        connect(qApp, &QApplication::focusChanged, this, [](QWidget* old, QWidget* now) {
            if (old && old->window()) {
                if (Overlay* overlay = Overlay::of(old->window(), false); overlay && overlay->control() == old) {
                    overlay->release();
                }
            }
            if (!now) return;
            const QVariant radius = now->property(radiusProperty);
            if (!radius.isValid() || !now->window()) return;
            Overlay::of(now->window(), true)->track(now, Shape{radius.toDouble()});
        });
    }
};

} // namespace

QPainterPath Shape::path(const QRectF& bounds) const { return outline(*this, bounds, 0); }

void follow(QWidget* control, Shape shape) {
    static Follower* follower = new Follower;
    (void)follower;
    control->setProperty(radiusProperty, shape.cornerRadius);
}

QWidget* shownAround(const QWidget* control) {
    QWidget* window = control->window();
    Overlay* overlay = window ? Overlay::of(window, false) : nullptr;
    return overlay && overlay->control() == control && overlay->isVisible() ? overlay : nullptr;
}

} // namespace pictavo::DSFocusRing
