#pragma once

#include <QList>

class QWidget;

namespace pictavo {

// Chains the Tab order of every control inside `root` in the order its layouts place them: top
// to bottom and, within a row, leading to trailing. Qt's own order is the order the controls were
// made in, which puts a control made later (one that appears with a setting) after all the rest.
// Controls outside any layout keep their place. Hidden controls take their place too, so that
// they are in order when they appear; Tab passes them by while hidden.
// Tab goes round the window, through the window itself, so that the order may begin anywhere
// among the controls: a window that opens on its first control asks `readingOrder` for it.
void followReadingOrder(QWidget* root);

// The controls that take the focus by Tab inside `root`, in the order its layouts place them.
QList<QWidget*> readingOrder(QWidget* root);

} // namespace pictavo
