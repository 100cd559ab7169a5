#pragma once
#include <cstddef>
#include <functional>
#include <optional>

namespace pictavo {

// The tag of a menu whose last row saves the current choice as the default: a value of the
// menu's own type, or that row.
template <typename T>
class MenuChoice {
public:
    static MenuChoice value(T value) { return MenuChoice(std::move(value)); }
    static MenuChoice saveAsDefault() { return MenuChoice(std::nullopt); }

    bool isSaveAsDefault() const { return !value_; }
    // None for the save-as-default row.
    const std::optional<T>& chosenValue() const { return value_; }

    bool operator==(const MenuChoice&) const = default;

private:
    explicit MenuChoice(std::optional<T> value) : value_(std::move(value)) {}

    std::optional<T> value_;
};

} // namespace pictavo

template <typename T>
struct std::hash<pictavo::MenuChoice<T>> {
    std::size_t operator()(const pictavo::MenuChoice<T>& choice) const {
        // The case number first: 0 for a value, then the value's own hash; 1 for saving.
        if (choice.isSaveAsDefault()) return std::hash<int>()(1);
        const std::size_t seed = std::hash<int>()(0);
        return seed ^ (std::hash<T>()(*choice.chosenValue()) + 0x9e3779b9 + (seed << 6) + (seed >> 2));
    }
};
