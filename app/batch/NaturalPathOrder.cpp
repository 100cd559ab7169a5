#include "app/batch/NaturalPathOrder.h"

#include <QCollator>
#include <QFile>
#include <QLocale>

#include <algorithm>

namespace pictavo {

void sortNaturally(std::vector<std::filesystem::path>& paths) {
    // A collator of its own: collators may not be shared between threads. The "C" locale
    // compares code points and ignores numeric mode, so it gets the root ordering instead.
    const QLocale locale = QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale();
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<std::pair<QString, std::filesystem::path>> keyed;
    keyed.reserve(paths.size());
    for (auto& path : paths) keyed.emplace_back(QFile::decodeName(path.c_str()), std::move(path));
    std::stable_sort(keyed.begin(), keyed.end(),
                     [&](const auto& a, const auto& b) { return collator.compare(a.first, b.first) < 0; });
    for (std::size_t i = 0; i < keyed.size(); ++i) paths[i] = std::move(keyed[i].second);
}

} // namespace pictavo
