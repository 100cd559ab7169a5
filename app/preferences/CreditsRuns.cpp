#include "app/preferences/CreditsRuns.h"

namespace pictavo {

std::vector<CreditsRun> creditsRuns(const std::vector<Acknowledgement>& entries) {
    using Style = CreditsRun::Style;
    using Colour = CreditsRun::Colour;
    std::vector<CreditsRun> runs;
    runs.push_back({QStringLiteral("Pictavo by Fenwid converts, resizes and optimises images, and never uploads one "
                                   "anywhere.\n\nIt uses the following libraries, with thanks:\n\n"),
                    Style::body, Colour::label});
    for (const Acknowledgement& entry : entries) {
        runs.push_back({entry.name + QLatin1Char(' ') + entry.version + QLatin1Char('\n'), Style::heading, Colour::label});
        runs.push_back({entry.role + QLatin1Char('\n') + entry.licence + QStringLiteral("\n\n"), Style::body,
                        Colour::secondaryLabel});
        runs.push_back({entry.text + QStringLiteral("\n\n"), Style::finePrint, Colour::secondaryLabel});
    }
    return runs;
}

} // namespace pictavo
