#pragma once

namespace pictavo {

// `final` encodes the bytes that will be written; `preview` only measures (estimates and
// the probes of the target-size search), and an encoder may spend less work on it.
enum class EncodeEffort { final, preview };

} // namespace pictavo
