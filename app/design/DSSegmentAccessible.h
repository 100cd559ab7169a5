#pragma once

namespace pictavo {

// Makes screen readers meet every segment of a segmented control as the radio button it is, one
// choice of several, checked while selected, rather than as the check box a checkable button
// would be; its description is the control's label and help text, which the segment's own title
// leaves out ("Lossless" of "Compression"). Installing more than once is harmless; the control
// does it when the first one is made.
void installSegmentAccessibility();

} // namespace pictavo
