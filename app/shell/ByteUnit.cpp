#include "app/shell/ByteUnit.h"

#include "platform/text/TextFormat.h"

#include <cmath>

namespace pictavo {

namespace {

struct UnitForm {
    const char* name;
    double size;
    int fractionDigits;
};

UnitForm formOf(ByteUnit unit) {
    switch (unit) {
    case ByteUnit::petabytes: return {"PB", 1e15, 2};
    case ByteUnit::terabytes: return {"TB", 1e12, 2};
    case ByteUnit::gigabytes: return {"GB", 1e9, 2};
    case ByteUnit::megabytes: return {"MB", 1e6, 1};
    case ByteUnit::kilobytes: return {"kB", 1e3, 0};
    case ByteUnit::bytes: return {"bytes", 1, 0};
    }
    return {"bytes", 1, 0};
}

} // namespace

QString byteCountText(std::int64_t bytes, ByteUnit unit) {
    const UnitForm form = formOf(unit);
    if (bytes == 0) return QStringLiteral("Zero ") + QString::fromLatin1(form.name);
    if (unit == ByteUnit::bytes) {
        if (bytes == 1) return QStringLiteral("1 byte");
        return QString::fromStdString(platform::groupedInteger(bytes)) + QStringLiteral(" bytes");
    }
    double scale = 1;
    for (int i = 0; i < form.fractionDigits; ++i) scale *= 10;
    const double steps = std::round(static_cast<double>(bytes) / form.size * scale);
    const auto whole = static_cast<std::int64_t>(std::trunc(steps / scale));
    auto fraction = static_cast<std::int64_t>(std::llround(std::fabs(steps - static_cast<double>(whole) * scale)));
    std::string text = platform::groupedInteger(whole);
    if (form.fractionDigits > 0 && fraction > 0) {
        std::string digits = std::to_string(fraction);
        digits.insert(0, static_cast<std::size_t>(form.fractionDigits) - digits.size(), '0');
        while (!digits.empty() && digits.back() == '0') digits.pop_back();
        text += platform::numberSeparators().decimal + digits;
    }
    return QString::fromStdString(text) + QLatin1Char(' ') + QString::fromLatin1(form.name);
}

} // namespace pictavo
