#pragma once
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A regular expression in ICU's syntax (look-behind, look-ahead, possessive and lazy
// quantifiers, Unicode \w and \s), matched over UTF-8 text. A compiled expression is
// immutable and shared freely between threads; each match makes its own matcher.
class RegularExpression {
public:
    // One match: group 0 first, then every group in order, each a view into the text, or
    // absent when the group took no part in the match.
    using Groups = std::vector<std::optional<std::string_view>>;

    // Thrown when one match works longer than any sane document needs (a pattern that
    // backtracks over hostile text), so that no input holds a thread for ever.
    class TooMuchWork : public std::runtime_error {
    public:
        TooMuchWork() : std::runtime_error("a regular expression worked too long") {}
    };

    // Nothing when the pattern does not compile.
    static std::optional<RegularExpression> compile(std::string_view pattern, bool dotMatchesLineSeparators = false);

    // The text must outlive the views of the result.
    std::optional<Groups> firstMatch(std::string_view text) const;
    bool foundIn(std::string_view text) const { return firstMatch(text).has_value(); }
    std::vector<Groups> allMatches(std::string_view text) const;
    // Every match replaced by the literal replacement.
    std::string replacingAll(std::string_view text, std::string_view replacement) const;

private:
    struct Compiled;
    explicit RegularExpression(std::shared_ptr<const Compiled> compiled) : compiled_(std::move(compiled)) {}
    std::shared_ptr<const Compiled> compiled_;
};

} // namespace platform
