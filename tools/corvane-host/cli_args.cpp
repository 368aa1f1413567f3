#include "tools/corvane-host/cli_args.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace corvane::tools {

bool parse_double(const std::string& text, double& out) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(v)) return false;
    out = v;
    return true;
}

bool parse_int(const std::string& text, int& out) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || end != text.c_str() + text.size() || v < INT_MIN || v > INT_MAX) return false;
    out = static_cast<int>(v);
    return true;
}

bool equals_ignoring_case(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at - start));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

} // namespace corvane::tools

namespace corvane::tools {

int report_failure(const std::string& message) {
    std::fprintf(stderr, "corvane-host: error: %s\n", message.c_str());
    return kExitFailure;
}

int report_usage_error(const std::string& subcommand, const std::string& message) {
    std::fprintf(stderr, "corvane-host %s: %s\nTry 'corvane-host help %s'.\n", subcommand.c_str(),
                 message.c_str(), subcommand.c_str());
    return kExitUsage;
}

} // namespace corvane::tools
