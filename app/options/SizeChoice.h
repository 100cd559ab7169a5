#pragma once
#include "ImageEngine/Model/ResizeSpec.h"
#include "app/options/Binding.h"

#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace pictavo {

// A named size the user picks from a menu, standing for one sizing; `custom` is a box the user
// types, which starts empty. The sizing is what the batch is converted with: a choice only
// names it, and tells an empty custom box from the original size.
class SizeChoice {
public:
    enum class Case { original, half, quarter, scale2, scale3, scale4, longest2048, longest1024, custom };
    using enum Case;

    struct Group;
    struct Resolution;

    constexpr SizeChoice(Case value) : value_(value) {}
    // `original` for the original size, else the first preset standing for the sizing, else
    // `custom`.
    explicit SizeChoice(const ResizeSpec& sizing);

    static const std::array<SizeChoice, 9>& allCases();
    // Size, Percentage, Scale, Longest edge, then the custom box under no heading.
    static const std::vector<Group>& groups();
    static Resolution resolve(std::optional<SizeChoice> choice, const ResizeSpec& sizing);
    // For a picker row: reads the shown preset; writing one remembers it first, then sets the
    // sizing it stands for.
    static Binding<SizeChoice> selectionBinding(Binding<std::optional<SizeChoice>> choice, Binding<ResizeSpec> sizing);

    Case value() const { return value_; }
    // `custom` stands for the original size: its box starts with both sides empty.
    ResizeSpec resize() const;
    QString menuTitle() const;

    bool operator==(const SizeChoice&) const = default;

private:
    Case value_;
};

// A menu group: its heading, if any, and its presets in order.
struct SizeChoice::Group {
    std::optional<QString> title;
    std::vector<SizeChoice> choices;
    bool operator==(const Group&) const = default;
};

// What a size chip shows for a remembered choice and the sizing it now has.
struct SizeChoice::Resolution {
    // The remembered choice while it still describes the sizing.
    std::optional<SizeChoice> kept;
    // The preset shown as selected.
    SizeChoice shown;
    QString label;
    bool operator==(const Resolution&) const = default;
};

} // namespace pictavo
