#include "app/design/DSReadingOrder.h"

#include <QLayout>
#include <QList>
#include <QWidget>

namespace pictavo {

namespace {

void collect(const QLayout* layout, QList<QWidget*>& controls);

void collect(QWidget* widget, QList<QWidget*>& controls) {
    if (widget->isWindow()) return;
    if (widget->focusPolicy() & Qt::TabFocus) controls.append(widget);
    if (const QLayout* layout = widget->layout()) collect(layout, controls);
}

void collect(const QLayout* layout, QList<QWidget*>& controls) {
    for (int index = 0; index < layout->count(); ++index) {
        QLayoutItem* item = layout->itemAt(index);
        if (QWidget* widget = item->widget()) {
            collect(widget, controls);
        } else if (const QLayout* inner = item->layout()) {
            collect(inner, controls);
        }
    }
}

} // namespace

QList<QWidget*> readingOrder(QWidget* root) {
    QList<QWidget*> controls;
    if (const QLayout* layout = root->layout()) collect(layout, controls);
    return controls;
}

void followReadingOrder(QWidget* root) {
    const QList<QWidget*> controls = readingOrder(root);
    for (qsizetype index = 1; index < controls.size(); ++index) QWidget::setTabOrder(controls[index - 1], controls[index]);
}

} // namespace pictavo
