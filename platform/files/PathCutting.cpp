#include "platform/files/PathCutting.h"

#include <string_view>

namespace platform {

namespace {

constexpr std::string_view ellipsisFolder = "/\u2026/";

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// The quotation mark that closes one opening just before a path, or none.
std::string_view closingMark(std::string_view before) {
    if (before.ends_with("\"")) return "\"";
    if (before.ends_with("'")) return "'";
    if (before.ends_with("\u201C")) return "\u201D";
    if (before.ends_with("\u2018")) return "\u2019";
    if (before.ends_with("`")) return "'";
    return {};
}

bool startsPath(std::string_view before) {
    if (before.empty()) return true;
    const char previous = before.back();
    return isSpace(previous) || previous == '(' || previous == '[' || previous == '<' || previous == '=' ||
           previous == ':' || !closingMark(before).empty();
}

std::size_t endOfUnquotedPath(std::string_view text, std::size_t start) {
    std::size_t end = start;
    while (end < text.size() && !isSpace(text[end]) && text[end] != ')' && text[end] != ']' && text[end] != '>' &&
           text[end] != ',' && text[end] != ';' && text[end] != '"' && text[end] != '\'') {
        ++end;
    }
    // A full stop or colon after a path ends the sentence, not the name.
    while (end > start + 1 && (text[end - 1] == '.' || text[end - 1] == ':')) --end;
    return end;
}

} // namespace

std::string cuttingPaths(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    const std::string_view all(text);
    std::size_t position = 0;
    while (position < all.size()) {
        const std::size_t slash = all.find('/', position);
        if (slash == std::string_view::npos) break;
        const std::string_view before = all.substr(0, slash);
        if (!startsPath(before) || slash + 1 >= all.size() || isSpace(all[slash + 1])) {
            result.append(all.substr(position, slash + 1 - position));
            position = slash + 1;
            continue;
        }
        const std::string_view mark = closingMark(before);
        std::size_t end = mark.empty() ? endOfUnquotedPath(all, slash) : all.find(mark, slash);
        if (end == std::string_view::npos) end = endOfUnquotedPath(all, slash);
        std::string_view path = all.substr(slash, end - slash);
        result.append(all.substr(position, slash - position));
        while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
        const std::size_t lastSlash = path.rfind('/');
        if (lastSlash == 0) {
            // "/name": no folder to hide.
            result.append(path);
        } else {
            result.append(ellipsisFolder);
            result.append(path.substr(lastSlash + 1));
        }
        position = end;
    }
    result.append(all.substr(position));
    return result;
}

std::string namingByFileName(std::string text, const std::filesystem::path& path) {
    const std::string full = path.string();
    const std::string name = path.filename().string();
    if (full.empty()) return text;
    for (auto at = text.find(full); at != std::string::npos; at = text.find(full, at + name.size()))
        text.replace(at, full.size(), name);
    return text;
}

} // namespace platform
