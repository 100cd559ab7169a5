#include "app/settings/SpecSection.h"

namespace pictavo {

OutputSpec withSection(OutputSpec into, const OutputSpec& from, SpecSection section) {
    switch (section) {
    case SpecSection::format: into.format = from.format; break;
    case SpecSection::size: into.sizing = from.sizing; break;
    case SpecSection::options:
        into.quality = from.quality;
        into.metadata = from.metadata;
        into.colour = from.colour;
        into.matte = from.matte;
        into.namePattern = from.namePattern;
        break;
    }
    return into;
}

} // namespace pictavo
