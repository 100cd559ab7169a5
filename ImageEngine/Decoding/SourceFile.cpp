#include "ImageEngine/Decoding/SourceFile.h"

#include "platform/files/FileErrorText.h"
#include "platform/files/RegularFile.h"

namespace pictavo {

ConversionError unreadableKindOfFile() {
    return ConversionError::unsupportedInput("This computer can't read this kind of file.");
}

void refuseWhatIsNotAFile(const platform::FileError& error) {
    if (platform::isNotARegularFile(error)) throw unreadableKindOfFile().withCause(platform::fileErrorDiagnostic(error));
}

platform::Bytes readSourceFile(const std::filesystem::path& url) {
    try {
        return platform::readWholeFile(url);
    } catch (const platform::FileError& error) {
        refuseWhatIsNotAFile(error);
        throw;
    }
}

} // namespace pictavo
