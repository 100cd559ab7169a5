#include "app/options/SizeChoice.h"

#include <cmath>
#include <variant>

namespace pictavo {

namespace {

QString side(const std::optional<std::int64_t>& pixels) {
    return pixels ? QString::number(*pixels) : QStringLiteral("auto");
}

QString box(const std::optional<std::int64_t>& width, const std::optional<std::int64_t>& height) {
    return side(width) + QStringLiteral(" \u00D7 ") + side(height);
}

// A factor as the presets write theirs: at most two decimals, none when it is whole.
QString shortNumber(double value) {
    QString text = QString::number(std::round(value * 100) / 100, 'f', 2);
    while (text.endsWith(QLatin1Char('0'))) text.chop(1);
    if (text.endsWith(QLatin1Char('.'))) text.chop(1);
    return text;
}

QString presetLabel(SizeChoice::Case value) {
    switch (value) {
    case SizeChoice::original: return QStringLiteral("Original size");
    case SizeChoice::half: return QStringLiteral("50%");
    case SizeChoice::quarter: return QStringLiteral("25%");
    case SizeChoice::scale2: return QStringLiteral("@2x");
    case SizeChoice::scale3: return QStringLiteral("@3x");
    case SizeChoice::scale4: return QStringLiteral("@4x");
    case SizeChoice::longest2048: return QStringLiteral("Longest edge 2048");
    case SizeChoice::longest1024: return QStringLiteral("Longest edge 1024");
    case SizeChoice::custom: break;
    }
    return {};
}

// The label of a sizing no preset stands for. A box reads as its two sides. A percentage, scale
// or longest edge that only a stored specification can hold reads as what it does, in the
// presets' style: calling it "auto × auto" would claim the original size while every image is
// resized.
QString customLabel(const ResizeSpec& sizing) {
    const ResizeSpec::Case& value = sizing.value();
    if (const auto* fit = std::get_if<ResizeSpec::Fit>(&value)) return box(fit->maxWidth, fit->maxHeight);
    if (const auto* percentage = std::get_if<ResizeSpec::Percentage>(&value)) {
        return shortNumber(percentage->factor * 100) + QLatin1Char('%');
    }
    if (const auto* scale = std::get_if<ResizeSpec::Scale>(&value)) {
        return QLatin1Char('@') + shortNumber(scale->factor) + QLatin1Char('x');
    }
    if (const auto* edge = std::get_if<ResizeSpec::LongestEdge>(&value)) {
        return QStringLiteral("Longest edge ") + QString::number(edge->pixels);
    }
    return box(std::nullopt, std::nullopt);
}

bool isBoxOrOriginal(const ResizeSpec& sizing) {
    return std::holds_alternative<ResizeSpec::Fit>(sizing.value()) || sizing == ResizeSpec::original();
}

} // namespace

SizeChoice::SizeChoice(const ResizeSpec& sizing) : value_(custom) {
    if (sizing == ResizeSpec::original()) {
        value_ = original;
        return;
    }
    for (const SizeChoice preset : allCases()) {
        if (preset == SizeChoice(original) || preset == SizeChoice(custom)) continue;
        if (preset.resize() == sizing) {
            value_ = preset.value_;
            return;
        }
    }
}

const std::array<SizeChoice, 9>& SizeChoice::allCases() {
    static const std::array<SizeChoice, 9> cases{original, half,   quarter,     scale2,     scale3,
                                                 scale4,   longest2048, longest1024, custom};
    return cases;
}

const std::vector<SizeChoice::Group>& SizeChoice::groups() {
    static const std::vector<Group> list{
        {QStringLiteral("Size"), {original}},
        {QStringLiteral("Percentage"), {half, quarter}},
        {QStringLiteral("Scale"), {scale2, scale3, scale4}},
        {QStringLiteral("Longest edge"), {longest2048, longest1024}},
        {std::nullopt, {custom}},
    };
    return list;
}

ResizeSpec SizeChoice::resize() const {
    switch (value_) {
    case original: return ResizeSpec::original();
    case half: return ResizeSpec::percentage(0.5);
    case quarter: return ResizeSpec::percentage(0.25);
    case scale2: return ResizeSpec::scale(2.0);
    case scale3: return ResizeSpec::scale(3.0);
    case scale4: return ResizeSpec::scale(4.0);
    case longest2048: return ResizeSpec::longestEdge(2048);
    case longest1024: return ResizeSpec::longestEdge(1024);
    case custom: return ResizeSpec::original();
    }
    return ResizeSpec::original();
}

QString SizeChoice::menuTitle() const {
    return value_ == custom ? QStringLiteral("Custom\u2026") : presetLabel(value_);
}

SizeChoice::Resolution SizeChoice::resolve(std::optional<SizeChoice> choice, const ResizeSpec& sizing) {
    std::optional<SizeChoice> kept;
    if (choice) {
        const bool holds = *choice == SizeChoice(custom) ? isBoxOrOriginal(sizing) : choice->resize() == sizing;
        if (holds) kept = choice;
    }
    const SizeChoice shown = kept ? *kept : SizeChoice(sizing);
    const QString label = shown == SizeChoice(custom) ? customLabel(sizing) : presetLabel(shown.value_);
    return {kept, shown, label};
}

Binding<SizeChoice> SizeChoice::selectionBinding(Binding<std::optional<SizeChoice>> choice, Binding<ResizeSpec> sizing) {
    return {[choice, sizing] { return resolve(choice.get(), sizing.get()).shown; },
            [choice, sizing](const SizeChoice& preset) {
                choice.set(preset);
                sizing.set(preset.resize());
            }};
}

} // namespace pictavo
