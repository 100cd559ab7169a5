#include "platform/metadata/XMPDate.h"

#include <array>
#include <initializer_list>
#include <sstream>
#include <string_view>
#include <vector>

namespace platform {
namespace {

bool digitsAt(std::string_view text, std::initializer_list<std::size_t> positions) {
    for (std::size_t at : positions)
        if (at >= text.size() || text[at] < '0' || text[at] > '9') return false;
    return true;
}

bool allDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// "+02:00" or "Z", as XMP writes a time zone.
bool isXMPZone(std::string_view zone) {
    return zone == "Z" || (zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') && zone[3] == ':' &&
                           digitsAt(zone, {1, 2, 4, 5}));
}

// "2024-05-06", "2024-05-06T07:08", with seconds, their fraction and a time zone after it.
bool isISODate(std::string_view text) {
    if (text.size() < 10 || text[4] != '-' || text[7] != '-' || !digitsAt(text, {0, 1, 2, 3, 5, 6, 8, 9})) return false;
    if (text.size() == 10) return true;
    if (text.size() < 16 || text[10] != 'T' || text[13] != ':' || !digitsAt(text, {11, 12, 14, 15})) return false;
    std::string_view rest = text.substr(16);
    if (rest.size() >= 3 && rest[0] == ':' && digitsAt(rest, {1, 2})) {
        rest.remove_prefix(3);
        if (!rest.empty() && rest[0] == '.') {
            const std::size_t end = rest.find_first_not_of("0123456789", 1);
            if (end == 1) return false;
            rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
        }
    }
    return rest.empty() || isXMPZone(rest);
}

// "Tue, 06 May 2024 07:08:09 +0200" (the weekday and the seconds may be left out).
std::string xmpDateOfRFC1123(const std::string& text) {
    std::istringstream words(text);
    std::vector<std::string> parts;
    for (std::string word; words >> word;) parts.push_back(word);
    if (!parts.empty() && parts.front().ends_with(',')) parts.erase(parts.begin());
    if (parts.size() != 5) return {};
    static constexpr std::array<std::string_view, 12> months = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::string& day = parts[0];
    const std::string& year = parts[2];
    std::size_t month = 0;
    while (month < months.size() && parts[1] != months[month]) ++month;
    if (month == months.size() || !allDigits(day) || day.size() > 2 || !allDigits(year) || year.size() != 4) return {};
    const std::string& time = parts[3];
    if (!(time.size() == 5 || (time.size() == 8 && time[5] == ':' && digitsAt(time, {6, 7}))) || time[2] != ':' ||
        !digitsAt(time, {0, 1, 3, 4}))
        return {};
    const std::string& zone = parts[4];
    std::string xmpZone;
    if (zone == "GMT" || zone == "UT" || zone == "UTC" || zone == "Z") xmpZone = "Z";
    else if (zone.size() == 5 && (zone[0] == '+' || zone[0] == '-') && digitsAt(zone, {1, 2, 3, 4}))
        xmpZone = zone.substr(0, 3) + ":" + zone.substr(3);
    else return {};
    const char monthText[] = {static_cast<char>('0' + (month + 1) / 10), static_cast<char>('0' + (month + 1) % 10), 0};
    return year + "-" + monthText + "-" + (day.size() == 1 ? "0" : "") + day + "T" + time + xmpZone;
}

} // namespace

std::string xmpDateOfExif(const std::string& date, const std::string& subSeconds, const std::string& offset) {
    if (date.size() != 19 || date[4] != ':' || date[7] != ':' || date[10] != ' ' || date[13] != ':' ||
        date[16] != ':' || !digitsAt(date, {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18}))
        return {};
    std::string text = date.substr(0, 4) + "-" + date.substr(5, 2) + "-" + date.substr(8, 2) + "T" + date.substr(11);
    if (allDigits(subSeconds)) text += "." + subSeconds;
    if (offset.size() == 6 && isXMPZone(offset)) text += offset;
    return text;
}

std::string xmpDateOfText(const std::string& text) {
    if (text.size() >= 19) {
        const std::string zone = text.substr(19);
        if (zone.empty() || isXMPZone(zone))
            if (std::string date = xmpDateOfExif(text.substr(0, 19), "", ""); !date.empty()) return date + zone;
    }
    if (isISODate(text)) return text;
    return xmpDateOfRFC1123(text);
}

} // namespace platform
