#pragma once
#include <QDeadlineTimer>

namespace pictavo {

// What the process waits for once its window has gone: the files being written and the
// conversions whose results are still wanted (a file dragged out of the window). Neither
// conversions asked to stop, such as estimates and an abandoned export's, nor previews are
// waited for: an encoder or a decoder cannot always be stopped half way, and nothing would
// read what they make. Previews not started yet are dropped. True when all that was wanted
// ended before `deadline`.
//
// Thread rule: main thread, after the window has gone.
bool finishWorkStillWanted(QDeadlineTimer deadline);

// Whether work that nobody waits for still runs, so that the process cannot be taken down
// around it.
bool unwantedWorkRuns();

} // namespace pictavo
