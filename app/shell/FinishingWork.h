#pragma once
#include <QDeadlineTimer>

namespace pictavo {

// What the process waits for once its window has gone: the files being written, previews
// being made and conversions whose results are still wanted (a file dragged out of the
// window). Conversions asked to stop, such as estimates and an abandoned export's, are not
// waited for: an encoder cannot be stopped half way, and nothing would read their result.
// True when all that was wanted ended before `deadline`.
//
// Thread rule: main thread, after the window has gone.
bool finishWorkStillWanted(QDeadlineTimer deadline);

} // namespace pictavo
