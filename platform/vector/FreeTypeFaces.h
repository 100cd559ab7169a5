#pragma once

namespace platform {

// FreeType lets threads share one library only while its faces are opened and closed one at
// a time, and it keeps no lock of its own. Poppler's cairo renderer opens every embedded font
// of every document in one library for the whole process, and cairo closes those faces from
// whichever thread lets go of a font last, so two conversions (or a conversion and a preview)
// would edit the library's list of faces at once. This program's own FreeType face openers and
// closers take one lock for the whole process before handing the call to FreeType; they stand
// in for FreeType's own for every library of the process.

// True when the lock is in the path of the process's FreeType calls: the program exports its
// own openers and closers, so the dynamic linker binds every library's calls to them.
bool freeTypeFacesOpenOneAtATime();

} // namespace platform
