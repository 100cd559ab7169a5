#pragma once
#include "ImageEngine/Model/Reorientation.h"

#include <array>

namespace pictavo {

// The four steps of the orientation buttons, applied to the turn and flip of every image.
enum class TurnAction { left, right, flipHorizontally, flipVertically };

inline constexpr std::array<TurnAction, 4> allTurnActions{TurnAction::left, TurnAction::right,
                                                          TurnAction::flipHorizontally, TurnAction::flipVertically};

// Turns count clockwise and a flip mirrors what the turns already did, so flipping a turned
// image top to bottom keeps it turned.
Reorientation apply(TurnAction action, const Reorientation& to);

} // namespace pictavo
