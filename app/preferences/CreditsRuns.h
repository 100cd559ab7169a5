#pragma once
#include "app/preferences/Acknowledgement.h"

#include <QString>

#include <vector>

namespace pictavo {

// One stretch of the About panel's credits with its one font and one colour; the colours
// are roles, so the text is drawn anew in light and dark.
struct CreditsRun {
    enum class Style { body, heading, finePrint };
    enum class Colour { label, secondaryLabel };
    QString text;
    Style style;
    Colour colour;

    friend bool operator==(const CreditsRun&, const CreditsRun&) = default;
};

// The blurb, then per library its heading, its role and licence summary, and its licence text.
std::vector<CreditsRun> creditsRuns(const std::vector<Acknowledgement>& entries);

} // namespace pictavo
