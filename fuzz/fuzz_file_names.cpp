#include "platform/files/PathCutting.h"
#include "platform/files/SafeFileName.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

// Names typed into the file-name pattern and messages written by libraries (which carry
// file names from anywhere) go through these two; neither may read out of bounds, and a
// safe name must stay one component within the size the file system takes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    const std::string cut = platform::cuttingPaths(text);
    if (text.find('/') == std::string::npos && cut != text) std::abort();

    if (const auto name = platform::oneFileName(text)) {
        if (name->empty() || *name == "." || *name == ".." || name->size() > platform::maximumFileNameBytes ||
            name->find('/') != std::string::npos || name->find('\0') != std::string::npos) {
            std::abort();
        }
    } else if (!text.empty() && text != "." && text != "..") {
        std::abort();
    }
    return 0;
}
