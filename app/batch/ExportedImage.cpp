#include "app/batch/ExportedImage.h"

#include "app/desktop/BackgroundWork.h"
#include "app/export/PrivateTemporaryFolder.h"
#include "platform/files/FileOperations.h"
#include "platform/files/PrivateFolder.h"

#include <QString>
#include <QUuid>

#include <exception>
#include <memory>
#include <stop_token>
#include <system_error>

namespace pictavo {

namespace fs = std::filesystem;

fs::path ExportedImage::dragsFolder() { return privateTemporaryBase() / "drags"; }

void ExportedImage::removeDragsFolder() noexcept {
    try {
        platform::FileOperations::system().removeTree(dragsFolder());
    } catch (const std::exception&) {
        // A temporary base that cannot be made or trusted holds no drags folder of ours.
    }
}

std::shared_future<fs::path> ExportedImage::writeDragFile() const {
    auto written = std::make_shared<std::promise<fs::path>>();
    std::shared_future<fs::path> result = written->get_future().share();
    // The file is written on the file-work pool, so that no converting thread waits on a disk.
    engine_.converted(source_, spec_, page_, EncodeEffort::final, std::stop_token{},
                      [written](JobOutcome<ConversionResult> done) {
                          auto conversion = std::make_shared<JobOutcome<ConversionResult>>(std::move(done));
                          runInBackground(fileWorkPool(), [conversion, written] {
                              try {
                                  const ConversionResult converted = conversion->take();
                                  const fs::path drags = dragsFolder();
                                  platform::ensurePrivateFolder(drags);
                                  const fs::path folder = drags / QUuid::createUuid()
                                                                      .toString(QUuid::WithoutBraces)
                                                                      .toUpper()
                                                                      .toStdString();
                                  platform::createPrivateFolder(folder);
                                  const platform::Bytes empty;
                                  platform::FileOperations::system().writeNewFileNoReplace(
                                      folder, converted.suggestedFileName, converted.data ? *converted.data : empty);
                                  written->set_value(folder / converted.suggestedFileName);
                              } catch (...) {
                                  written->set_exception(std::current_exception());
                              }
                          });
                      });
    return result;
}

} // namespace pictavo
