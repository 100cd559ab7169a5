#include "app/options/TurnAction.h"

namespace pictavo {

Reorientation apply(TurnAction action, const Reorientation& to) {
    switch (action) {
    case TurnAction::left: return to.rotatedLeft();
    case TurnAction::right: return to.rotatedRight();
    case TurnAction::flipHorizontally: return to.flippedHorizontally();
    case TurnAction::flipVertically: return to.flippedVertically();
    }
    return to;
}

} // namespace pictavo
