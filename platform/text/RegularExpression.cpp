#include "platform/text/RegularExpression.h"

#include <unicode/regex.h>
#include <unicode/utext.h>

namespace platform {

struct RegularExpression::Compiled {
    std::unique_ptr<icu::RegexPattern> pattern;
};

namespace {

// ICU counts its work in steps of the match engine, roughly milliseconds each: a minute
// of matching is far beyond any document and well short of for ever.
constexpr std::int32_t workLimit = 60'000;

struct UTextCloser {
    void operator()(UText* text) const { utext_close(text); }
};

// Walks the matches of one pattern over one text, giving byte offsets into the text.
class Matching {
public:
    Matching(const icu::RegexPattern& pattern, std::string_view text) : text_(text) {
        UErrorCode status = U_ZERO_ERROR;
        utext_.reset(utext_openUTF8(nullptr, text.data(), static_cast<std::int64_t>(text.size()), &status));
        matcher_.reset(pattern.matcher(status));
        if (U_FAILURE(status) || !matcher_) {
            matcher_.reset();
            return;
        }
        matcher_->reset(utext_.get());
        matcher_->setTimeLimit(workLimit, status);
    }

    bool next() {
        if (!matcher_) return false;
        UErrorCode status = U_ZERO_ERROR;
        const bool found = matcher_->find(status);
        if (status == U_REGEX_TIME_OUT) throw RegularExpression::TooMuchWork();
        return found && U_SUCCESS(status);
    }

    RegularExpression::Groups groups() const {
        RegularExpression::Groups result;
        for (std::int32_t group = 0; group <= matcher_->groupCount(); ++group) {
            UErrorCode status = U_ZERO_ERROR;
            const auto start = matcher_->start64(group, status);
            const auto end = matcher_->end64(group, status);
            if (U_FAILURE(status) || start < 0 || end < start) result.push_back(std::nullopt);
            else result.push_back(text_.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)));
        }
        return result;
    }

private:
    std::string_view text_;
    std::unique_ptr<UText, UTextCloser> utext_;
    std::unique_ptr<icu::RegexMatcher> matcher_;
};

} // namespace

std::optional<RegularExpression> RegularExpression::compile(std::string_view pattern, bool dotMatchesLineSeparators) {
    UErrorCode status = U_ZERO_ERROR;
    UParseError where;
    const auto source = icu::UnicodeString::fromUTF8(icu::StringPiece(pattern.data(), static_cast<std::int32_t>(pattern.size())));
    auto compiled = std::make_shared<Compiled>();
    compiled->pattern.reset(icu::RegexPattern::compile(source, dotMatchesLineSeparators ? UREGEX_DOTALL : 0, where, status));
    if (U_FAILURE(status) || !compiled->pattern) return std::nullopt;
    return RegularExpression(std::move(compiled));
}

std::optional<RegularExpression::Groups> RegularExpression::firstMatch(std::string_view text) const {
    Matching matching(*compiled_->pattern, text);
    if (!matching.next()) return std::nullopt;
    return matching.groups();
}

std::vector<RegularExpression::Groups> RegularExpression::allMatches(std::string_view text) const {
    std::vector<Groups> result;
    Matching matching(*compiled_->pattern, text);
    while (matching.next()) result.push_back(matching.groups());
    return result;
}

std::string RegularExpression::replacingAll(std::string_view text, std::string_view replacement) const {
    std::string result;
    std::size_t kept = 0;
    Matching matching(*compiled_->pattern, text);
    while (matching.next()) {
        const auto whole = *matching.groups().front();
        const auto start = static_cast<std::size_t>(whole.data() - text.data());
        result.append(text.substr(kept, start - kept));
        result.append(replacement);
        kept = start + whole.size();
    }
    result.append(text.substr(kept));
    return result;
}

} // namespace platform
