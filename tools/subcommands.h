#pragma once

#include <string>
#include <vector>

namespace corvane::tools {

// One subcommand of corvane-host. A new one (e.g. an editor viewer) is one more row in the
// table in corvane_host.cpp and a function of this shape.
struct Subcommand {
    const char* name;
    const char* synopsis;                             // arguments, for the usage line
    const char* help;                                 // what it does and its options
    int (*run)(const std::vector<std::string>& args); // args after the subcommand's name
};

int info_main(const std::vector<std::string>& args);
int render_main(const std::vector<std::string>& args);
int bench_main(const std::vector<std::string>& args);
int editor_main(const std::vector<std::string>& args);

extern const char* const kInfoHelp;
extern const char* const kRenderHelp;
extern const char* const kBenchHelp;
extern const char* const kEditorHelp;
extern const char* const kEditorSynopsis;

} // namespace corvane::tools
