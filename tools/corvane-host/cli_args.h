#pragma once

#include <string>
#include <vector>

namespace corvane::tools {

// Exit codes of corvane-host: 2 for a command line it cannot use, 1 for anything that went wrong
// while doing what it was asked.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Strict number parsing: the whole text must be the number, and it must be finite.
bool parse_double(const std::string& text, double& out);
bool parse_int(const std::string& text, int& out);

// Case-insensitive comparison of two texts (ASCII), for names typed by a user.
bool equals_ignoring_case(const std::string& a, const std::string& b);

std::vector<std::string> split(const std::string& text, char separator);

// Prints "corvane-host: error: message" and returns kExitFailure.
int report_failure(const std::string& message);
// Prints the message with a pointer to the subcommand's help and returns kExitUsage.
int report_usage_error(const std::string& subcommand, const std::string& message);

} // namespace corvane::tools
