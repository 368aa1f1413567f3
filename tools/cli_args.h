#pragma once

#include <functional>
#include <string>
#include <vector>

namespace corvane::tools {

// Exit codes of corvane-host: 2 for a command line it cannot use, 1 for anything that went wrong
// while doing what it was asked.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Walks a subcommand's arguments. Options take their value either as the next argument or after
// '=' (--tempo 128, --tempo=128); anything not starting with '-' is positional.
class ArgReader {
public:
    explicit ArgReader(std::vector<std::string> args) : args_(std::move(args)) {}

    bool done() const { return pos_ >= args_.size(); }
    // The next argument; for an option, its name without an attached value.
    const std::string& peek() const { return current_; }
    bool next();
    bool is_option() const;
    // The option's value (attached or the following argument); false when there is none.
    bool value(std::string& out);

private:
    std::vector<std::string> args_;
    size_t pos_ = 0;
    std::string current_;
    std::string attached_;
    bool has_attached_ = false;
};

// Reads the current option's value into out, checked against [low, high]; false with a reason.
bool take_text(ArgReader& args, std::string& out, std::string& error);
bool take_int(ArgReader& args, int low, int high, int& out, std::string& error);
bool take_double(ArgReader& args, double low, double high, double& out, std::string& error);

// Strict number parsing: the whole text must be the number, and it must be finite.
bool parse_double(const std::string& text, double& out);
bool parse_int(const std::string& text, int& out);

// Walks the arguments of a subcommand that takes one plug-in and options: every option goes to
// parse_option, which takes its value from the reader or fails with a reason; the one argument
// that is no option names the plug-in. Stops early, successfully, once `help` has been set.
bool parse_plugin_arguments(const std::vector<std::string>& arguments, std::string& plugin,
                            const bool& help,
                            const std::function<bool(ArgReader&, std::string&)>& parse_option,
                            std::string& error);

// Case-insensitive comparison of two texts (ASCII), for names typed by a user.
bool equals_ignoring_case(const std::string& a, const std::string& b);

std::vector<std::string> split(const std::string& text, char separator);

// Prints "corvane-host: error: message" and returns kExitFailure.
int report_failure(const std::string& message);
// Prints the message with a pointer to the subcommand's help and returns kExitUsage.
int report_usage_error(const std::string& subcommand, const std::string& message);

} // namespace corvane::tools
