#pragma once

namespace pictavo {

// Makes screen readers meet every image card as one button, marked selected while it is in
// the grid's selection, with the card's own commands as named actions: "Remove", and "Copy
// Details" while the card has failed and has a report to copy. Installing more than once is
// harmless; the card does it when the first card is made.
void installImageCardAccessibility();

} // namespace pictavo
