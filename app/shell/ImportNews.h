#pragma once
#include "app/batch/BatchStore.h"

#include <QString>

namespace pictavo {

// What an import of dropped, opened or chosen files did, as one sentence for a screen reader:
// the cards it added, the files that were in the batch already and those it could not read.
// Nobody else learns of files that added no card. Empty when the import found nothing.
QString importNews(const BatchStore::AddResult& result);

} // namespace pictavo
