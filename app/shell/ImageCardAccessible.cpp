#include "app/shell/ImageCardAccessible.h"

#include "app/design/DSAccessibleFactory.h"
#include "app/shell/ImageCard.h"

#include <QAccessibleWidget>

namespace pictavo {

namespace {

const QString removeAction = QStringLiteral("Remove");
const QString copyDetailsAction = QStringLiteral("Copy Details");

class ImageCardAccessible : public QAccessibleWidget {
public:
    explicit ImageCardAccessible(ImageCard* card) : QAccessibleWidget(card, QAccessible::Button) {}

    // The card's value as it is now: only the card with the keyboard is told of each change.
    // A screen reader reads no selected state of a button, so the value begins with it.
    QString text(QAccessible::Text text) const override {
        if (text == QAccessible::Description) return card()->spokenDescription();
        return QAccessibleWidget::text(text);
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.selectable = true;
        state.selected = card()->isSelected();
        return state;
    }

    // Pressing comes first, as a click on the card: a screen reader that activates a button
    // by its first action selects the card and never removes it.
    QStringList actionNames() const override {
        QStringList names{pressAction()};
        names << QAccessibleWidget::actionNames() << removeAction;
        if (hasDetails()) names << copyDetailsAction;
        return names;
    }

    void doAction(const QString& name) override {
        if (name == pressAction()) {
            Q_EMIT card()->clicked(Qt::NoModifier);
        } else if (name == removeAction) {
            // During an export the grid's removal refuses, so this changes nothing then.
            Q_EMIT card()->removeRequested();
        } else if (name == copyDetailsAction) {
            if (hasDetails()) Q_EMIT card()->copyDetailsRequested();
        } else {
            QAccessibleWidget::doAction(name);
        }
    }

private:
    ImageCard* card() const { return static_cast<ImageCard*>(widget()); }
    bool hasDetails() const { return card()->item().isFailed() && card()->item().detailsOfTheFailure.has_value(); }
};

} // namespace

void installImageCardAccessibility() { installAccessibleFactory<ImageCard, ImageCardAccessible>(); }

} // namespace pictavo
