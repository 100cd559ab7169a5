#pragma once
#include "app/preferences/Acknowledgement.h"

#include <vector>

namespace pictavo {

namespace Acknowledgements {

// Every library the running program contains, built once (safely from any thread). A
// library reached only through libvips is listed when it is loaded in this process; each
// version is the library's own answer at run time, or marked as the one built with when
// the library has no such call.
const std::vector<Acknowledgement>& all();

// The licence text shipped as ":/Licences/<name>.txt", else ":/<name>.txt"; empty when
// neither exists or the file is not valid UTF-8.
QString licenceText(const QString& name);

} // namespace Acknowledgements

} // namespace pictavo
