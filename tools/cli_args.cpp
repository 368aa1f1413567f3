#include "tools/cli_args.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace corvane::tools {

bool ArgReader::next() {
    if (pos_ >= args_.size()) return false;
    const std::string& arg = args_[pos_++];
    has_attached_ = false;
    current_ = arg;
    if (arg.size() > 2 && arg[0] == '-' && arg[1] == '-') {
        const size_t eq = arg.find('=');
        if (eq != std::string::npos) {
            current_ = arg.substr(0, eq);
            attached_ = arg.substr(eq + 1);
            has_attached_ = true;
        }
    }
    return true;
}

// A lone '-' or a negative number is a value, not an option.
bool ArgReader::is_option() const {
    if (current_.size() < 2 || current_[0] != '-') return false;
    return !(std::isdigit(static_cast<unsigned char>(current_[1])) || current_[1] == '.');
}

bool ArgReader::value(std::string& out) {
    if (has_attached_) {
        out = attached_;
        has_attached_ = false;
        return true;
    }
    if (pos_ >= args_.size()) return false;
    out = args_[pos_++];
    return true;
}

bool take_text(ArgReader& args, std::string& out, std::string& error) {
    const std::string name = args.peek();
    if (args.value(out)) return true;
    error = "option " + name + " needs a value";
    return false;
}

namespace {

template <typename T>
std::string range_text(T low, T high) {
    std::ostringstream text;
    text << low << " to " << high;
    return text.str();
}

} // namespace

bool take_int(ArgReader& args, int low, int high, int& out, std::string& error) {
    const std::string name = args.peek();
    std::string text;
    if (!take_text(args, text, error)) return false;
    int v = 0;
    if (!parse_int(text, v) || v < low || v > high) {
        error = "option " + name + " takes a whole number from " + range_text(low, high) +
                ", not '" + text + "'";
        return false;
    }
    out = v;
    return true;
}

bool take_double(ArgReader& args, double low, double high, double& out, std::string& error) {
    const std::string name = args.peek();
    std::string text;
    if (!take_text(args, text, error)) return false;
    double v = 0.0;
    if (!parse_double(text, v) || v < low || v > high) {
        error = "option " + name + " takes a number from " + range_text(low, high) + ", not '" +
                text + "'";
        return false;
    }
    out = v;
    return true;
}

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

bool parse_plugin_arguments(const std::vector<std::string>& arguments, std::string& plugin,
                            const bool& help,
                            const std::function<bool(ArgReader&, std::string&)>& parse_option,
                            std::string& error) {
    ArgReader args(arguments);
    while (args.next()) {
        if (args.is_option()) {
            if (!parse_option(args, error)) return false;
            if (help) return true;
        } else if (plugin.empty()) {
            plugin = args.peek();
        } else {
            error = "unexpected argument '" + args.peek() + "'";
            return false;
        }
    }
    if (plugin.empty()) {
        error = "no plug-in given";
        return false;
    }
    return true;
}

int report_usage_error(const std::string& subcommand, const std::string& message) {
    std::fprintf(stderr, "corvane-host %s: %s\nTry 'corvane-host help %s'.\n", subcommand.c_str(),
                 message.c_str(), subcommand.c_str());
    return kExitUsage;
}

} // namespace corvane::tools
