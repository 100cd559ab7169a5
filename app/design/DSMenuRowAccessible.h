#pragma once

namespace pictavo {

// Makes screen readers meet every menu row as a menu item that can be pressed, marked selected
// while it carries the check mark (rather than as the check box a checkable button would be),
// and focused while it is highlighted. Installing more than once is harmless; the row view does
// it when the first row is made.
void installMenuRowAccessibility();

} // namespace pictavo
