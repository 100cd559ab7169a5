#include "app/options/SizeMenu.h"

namespace pictavo::SizeMenu {

DSMenuContent<Tag> content(const QString& label, bool matchesDefault) {
    DSMenuContent<Tag> menu;
    for (const SizeChoice::Group& group : SizeChoice::groups()) {
        DSMenuGroup<Tag> rows{group.title, {}};
        for (const SizeChoice choice : group.choices) {
            rows.rows.push_back({Tag::value(choice), choice.menuTitle(), std::nullopt, std::nullopt, false});
        }
        menu.groups.push_back(std::move(rows));
    }
    if (!matchesDefault) {
        menu.groups.push_back({std::nullopt,
                               {{Tag::saveAsDefault(), QStringLiteral("Save as default"),
                                 QStringLiteral("New batches start at ") + label, std::nullopt, false}}});
    }
    return menu;
}

} // namespace pictavo::SizeMenu
