#include "tools/corvane-host/plugin_settings.h"

#include "tools/corvane-host/cli_args.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>

namespace corvane::tools {

namespace {

// Sampled when a value is given as one of the plug-in's texts.
constexpr int kTextProbeSteps = 200;
// More changes than any script needs; keeps a runaway file from taking all memory.
constexpr size_t kMaxAutomationLines = 1000000;

std::string trim(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin])))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1])))
        --end;
    return text.substr(begin, end - begin);
}

std::string lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Whether words (whole words, any case) appear in name.
bool contains_word(const std::string& name, const std::string& words) {
    const std::string n = " " + lower(name) + " ", w = " " + lower(words) + " ";
    return n.find(w) != std::string::npos;
}

std::string parameter_list(PluginInstance& plugin) {
    std::string text;
    for (int i = 0; i < plugin.num_params(); ++i) {
        const std::string name = plugin.parameter_name(i),
                          long_name = plugin.parameter_long_name(i);
        text += "\n  " + std::to_string(i) + "  " + name;
        if (long_name != name) text += " (" + long_name + ")";
    }
    return text;
}

// The normalised value in the middle of the values whose display is text, so the value stays
// inside the text's range whatever rounding the plug-in does.
bool value_from_display(PluginInstance& plugin, int index, const std::string& text, float& value,
                        std::vector<std::string>& texts) {
    const float original = plugin.parameter(index);
    int first = -1, last = -1;
    for (int step = 0; step <= kTextProbeSteps; ++step) {
        plugin.set_parameter(index, static_cast<float>(step) / kTextProbeSteps);
        const std::string shown = trim(plugin.parameter_display(index));
        if (texts.empty() || texts.back() != shown) texts.push_back(shown);
        if (equals_ignoring_case(shown, text)) {
            if (first < 0) first = step;
            last = step;
        } else if (first >= 0) {
            break;
        }
    }
    plugin.set_parameter(index, original);
    if (first < 0) return false;
    value = static_cast<float>(first + last) / (2.0f * kTextProbeSteps);
    return true;
}

} // namespace

int find_parameter(PluginInstance& plugin, const std::string& which, std::string& error) {
    const std::string name = trim(which);
    int index = -1;
    if (parse_int(name, index) && index >= 0 && index < plugin.num_params()) return index;
    for (int i = 0; i < plugin.num_params(); ++i)
        if (equals_ignoring_case(trim(plugin.parameter_name(i)), name) ||
            equals_ignoring_case(trim(plugin.parameter_long_name(i)), name))
            return i;
    // A word of one long name only ("Freeze" for "Rev Freeze").
    std::vector<int> partial;
    for (int i = 0; i < plugin.num_params() && !name.empty(); ++i)
        if (contains_word(plugin.parameter_long_name(i), name)) partial.push_back(i);
    if (partial.size() == 1) return partial[0];
    error = "the plug-in has no parameter '" + which + "'";
    if (partial.size() > 1) {
        error += "; it could be any of:";
        for (int i : partial)
            error += "\n  " + std::to_string(i) + "  " + plugin.parameter_long_name(i);
    } else {
        error += "; its parameters are:" + parameter_list(plugin);
    }
    return -1;
}

bool parameter_value(PluginInstance& plugin, int index, const std::string& text, float& value,
                     std::string& error) {
    const std::string given = trim(text);
    const std::string unit = trim(plugin.parameter_label(index));
    const std::string name = plugin.parameter_long_name(index);
    // A number, perhaps followed by a unit.
    const char* begin = given.c_str();
    char* end = nullptr;
    errno = 0;
    const double number = given.empty() ? 0.0 : std::strtod(begin, &end);
    const bool numeric = end && end != begin && errno == 0 && std::isfinite(number);
    const std::string suffix = numeric ? trim(std::string(end)) : std::string();
    if (numeric && suffix.empty() && number >= 0.0 && number <= 1.0) {
        value = static_cast<float>(number);
        return true;
    }
    if (numeric && (suffix.empty() || (!unit.empty() && equals_ignoring_case(suffix, unit)))) {
        float normalised = 0.0f;
        if (plugin.normalised_from_units(index, static_cast<float>(number), normalised)) {
            value = std::clamp(normalised, 0.0f, 1.0f);
            return true;
        }
        error = "the plug-in does not convert values of " + name + " from its unit; give '" + text +
                "' as a value from 0 to 1";
        return false;
    }
    const std::vector<std::string> steps = plugin.parameter_steps(index);
    for (size_t k = 0; k < steps.size(); ++k)
        if (equals_ignoring_case(steps[k], given)) {
            value = steps.size() > 1 ? static_cast<float>(k) / static_cast<float>(steps.size() - 1)
                                     : 0.0f;
            return true;
        }
    std::vector<std::string> texts = steps;
    if (value_from_display(plugin, index, given, value, texts)) return true;
    error = "'" + text + "' is no value of " + name + ": give a value from 0 to 1";
    if (!unit.empty()) error += ", a value in " + unit;
    if (texts.size() <= 16) {
        error += " or one of:";
        for (const std::string& t : texts)
            error += " " + t;
    }
    return false;
}

std::string program_number_text(int index) {
    return std::to_string(index + 1);
}

int find_program(PluginInstance& plugin, const std::string& which, std::string& error) {
    const std::vector<std::string> names = plugin.program_names();
    int number = 0;
    if (parse_int(trim(which), number) && number >= 1 && number <= static_cast<int>(names.size()))
        return number - 1;
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == which) return static_cast<int>(i);
    for (size_t i = 0; i < names.size(); ++i)
        if (equals_ignoring_case(trim(names[i]), trim(which))) return static_cast<int>(i);
    error = "the plug-in has no program '" + which + "'; its programs are:";
    for (size_t i = 0; i < names.size(); ++i)
        error += "\n  " + program_number_text(static_cast<int>(i)) + "  " + names[i];
    return -1;
}

bool parse_change(PluginInstance& plugin, const std::string& text, size_t frame,
                  AutomationEvent& change, std::string& error) {
    const size_t eq = text.find('=');
    if (eq == std::string::npos || eq == 0) {
        error = "a change is NAME=VALUE or program=N, not '" + text + "'";
        return false;
    }
    const std::string name = trim(text.substr(0, eq)), value = text.substr(eq + 1);
    change = AutomationEvent{};
    change.frame = frame;
    if (equals_ignoring_case(name, "program")) {
        change.program = find_program(plugin, value, error);
        return change.program >= 0;
    }
    change.parameter = find_parameter(plugin, name, error);
    return change.parameter >= 0 &&
           parameter_value(plugin, change.parameter, value, change.value, error);
}

bool read_automation_file(const std::string& path, std::vector<TimedChange>& changes,
                          std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read the automation file '" + path + "'";
        return false;
    }
    std::string line;
    for (size_t number = 1; std::getline(in, line); ++number) {
        const std::string where = path + ":" + std::to_string(number);
        const std::string content = trim(line);
        if (content.empty() || content[0] == '#') continue;
        const size_t space = content.find_first_of(" \t");
        double seconds = 0.0;
        if (space == std::string::npos || !parse_double(content.substr(0, space), seconds) ||
            seconds < 0.0 || seconds > 86400.0) {
            error = where + ": a line is SECONDS NAME=VALUE, not '" + content + "'";
            return false;
        }
        if (changes.size() >= kMaxAutomationLines) {
            error = where + ": more than " + std::to_string(kMaxAutomationLines) + " changes";
            return false;
        }
        changes.push_back({seconds, trim(content.substr(space)), where});
    }
    if (in.bad()) {
        error = "cannot read the automation file '" + path + "'";
        return false;
    }
    return true;
}

bool select_program(PluginInstance& plugin, const SettingsOptions& settings, std::string& error) {
    if (settings.program.empty()) return true;
    const int index = find_program(plugin, settings.program, error);
    if (index < 0) return false;
    plugin.set_program(index);
    return true;
}

bool apply_parameters(PluginInstance& plugin, const SettingsOptions& settings, std::string& error) {
    for (const std::string& text : settings.params) {
        AutomationEvent change;
        if (!parse_change(plugin, text, 0, change, error)) return false;
        if (change.parameter >= 0)
            plugin.set_parameter(change.parameter, change.value);
        else
            plugin.set_program(change.program);
    }
    return true;
}

bool timed_changes(PluginInstance& plugin, const SettingsOptions& settings, double rate,
                   std::vector<AutomationEvent>& changes, std::string& error) {
    std::vector<TimedChange> timed;
    for (const auto& [time, text] : settings.at) {
        double seconds = 0.0;
        if (!parse_double(time, seconds) || seconds < 0.0 || seconds > 86400.0) {
            error =
                "--at takes SECONDS NAME=VALUE with seconds from 0 to 86400, not '" + time + "'";
            return false;
        }
        timed.push_back({seconds, text, "--at " + time});
    }
    if (!settings.automation.empty() && !read_automation_file(settings.automation, timed, error))
        return false;
    for (const TimedChange& t : timed) {
        AutomationEvent change;
        if (!parse_change(plugin, t.change, frame_at(t.seconds, rate), change, error)) {
            error = t.where + ": " + error;
            return false;
        }
        changes.push_back(change);
    }
    return true;
}

} // namespace corvane::tools
