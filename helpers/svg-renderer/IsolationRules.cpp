#include "helpers/svg-renderer/IsolationRules.h"

namespace {

// The URL as a pattern that matches that text and nothing else.
std::string literalPattern(std::string_view text) {
    std::string pattern;
    for (const char c : text) {
        if (std::string_view(".*+?^$()[]{}|\\").find(c) != std::string_view::npos) pattern += '\\';
        pattern += c;
    }
    return pattern;
}

std::string jsonString(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

} // namespace

std::string isolationRules(std::string_view documentURL) {
    return R"([{"trigger":{"url-filter":".*"},"action":{"type":"block"}},)"
           R"({"trigger":{"url-filter":)" +
           jsonString("^" + literalPattern(documentURL) + "$") +
           R"(,"url-filter-is-case-sensitive":true},"action":{"type":"ignore-previous-rules"}}])";
}
