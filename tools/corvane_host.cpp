// corvane-host: a small VST 2.4 host for the command line. It loads any VST 2.4 module through
// its entry point and drives it as a real host does.

#include "tools/cli_args.h"
#include "tools/subcommands.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using corvane::tools::Subcommand;

const Subcommand kSubcommands[] = {
    {"info", "PLUGIN", corvane::tools::kInfoHelp, corvane::tools::info_main},
    {"render", "PLUGIN [-i in.wav] [-o out.wav] [options]", corvane::tools::kRenderHelp,
     corvane::tools::render_main},
    {"bench", "PLUGIN [PLUGIN...] [options]", corvane::tools::kBenchHelp,
     corvane::tools::bench_main},
    {"editor", corvane::tools::kEditorSynopsis, corvane::tools::kEditorHelp,
     corvane::tools::editor_main},
};

const Subcommand* find(const char* name) {
    for (const Subcommand& s : kSubcommands)
        if (std::strcmp(s.name, name) == 0) return &s;
    return nullptr;
}

void print_usage(std::FILE* to) {
    std::fprintf(to, "Usage:\n");
    for (const Subcommand& s : kSubcommands)
        std::fprintf(to, "  corvane-host %s %s\n", s.name, s.synopsis);
    std::fprintf(to, "  corvane-host help SUBCOMMAND\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        print_usage(stderr);
        return corvane::tools::kExitUsage;
    }
    const char* name = argv[1];
    if (std::strcmp(name, "-h") == 0 || std::strcmp(name, "--help") == 0) {
        print_usage(stdout);
        return corvane::tools::kExitOk;
    }
    if (std::strcmp(name, "help") == 0) {
        const Subcommand* s = argc > 2 ? find(argv[2]) : nullptr;
        if (!s) {
            print_usage(argc > 2 ? stderr : stdout);
            return argc > 2 ? corvane::tools::kExitUsage : corvane::tools::kExitOk;
        }
        std::printf("Usage: corvane-host %s %s\n\n%s", s->name, s->synopsis, s->help);
        return corvane::tools::kExitOk;
    }
    const Subcommand* s = find(name);
    if (!s) {
        std::fprintf(stderr, "corvane-host: unknown subcommand '%s'\n", name);
        print_usage(stderr);
        return corvane::tools::kExitUsage;
    }
    return s->run(std::vector<std::string>(argv + 2, argv + argc));
}
