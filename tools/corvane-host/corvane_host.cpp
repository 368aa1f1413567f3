// corvane-host: a small plug-in host for the command line. It loads a plug-in module through
// its entry point and drives it as a real host does.

#include "tools/corvane-host/cli_args.h"
#include "tools/corvane-host/subcommands.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

namespace {

using namespace corvane::tools;

// Edits to turn one text into the other, for suggesting a subcommand.
size_t distance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

const CLI::App* find_command(const CLI::App& app, const std::string& name) {
    for (const CLI::App* s : app.get_subcommands({}))
        if (s->get_name() == name) return s;
    return nullptr;
}

int unknown_subcommand(const CLI::App& app, const std::string& name) {
    std::string best;
    size_t best_distance = 3; // farther than this is no useful suggestion
    for (const CLI::App* s : app.get_subcommands({}))
        if (distance(name, s->get_name()) < best_distance) {
            best = s->get_name();
            best_distance = distance(name, best);
        }
    std::fprintf(stderr, "corvane-host: unknown subcommand '%s'%s\n", name.c_str(),
                 best.empty() ? "" : ("; did you mean '" + best + "'?").c_str());
    std::fprintf(stderr, "Run 'corvane-host --help' for the list of subcommands.\n");
    return kExitUsage;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app("A small plug-in host for the command line: it loads a plug-in module the way a "
                 "host does.",
                 "corvane-host");
    app.require_subcommand(1);
    int exit_code = kExitOk;
    CLI::App* commands[] = {add_info_command(app, exit_code), add_render_command(app, exit_code),
                            add_bench_command(app, exit_code), add_editor_command(app, exit_code)};
    std::string topic;
    CLI::App* help = app.add_subcommand("help", "show the options of a subcommand");
    help->add_option("subcommand", topic, "the subcommand");

    // A first word that is no option and no subcommand is a mistyped subcommand.
    if (argc > 1 && argv[1][0] != '-' && !find_command(app, argv[1]))
        return unknown_subcommand(app, argv[1]);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        // Name the subcommand in the message and point at its help.
        std::string name;
        for (CLI::App* c : commands)
            if (c->parsed()) name = c->get_name();
        std::fprintf(stderr, "corvane-host%s%s: %s\nTry 'corvane-host help%s%s'.\n",
                     name.empty() ? "" : " ", name.c_str(), e.what(), name.empty() ? "" : " ",
                     name.c_str());
        return kExitUsage;
    } catch (const std::bad_alloc&) {
        return report_failure("out of memory");
    }
    if (help->parsed()) {
        if (topic.empty()) {
            std::printf("%s", app.help().c_str());
            return kExitOk;
        }
        const CLI::App* command = find_command(app, topic);
        if (!command || command == help) return unknown_subcommand(app, topic);
        std::printf("%s", command->help("corvane-host").c_str());
    }
    return exit_code;
}
