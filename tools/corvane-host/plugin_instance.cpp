#include "tools/corvane-host/plugin_instance.h"

#include "tools/corvane-host/clap_plugin.h"
#include "tools/corvane-host/hosted_plugin.h"

namespace corvane::tools {

namespace {

bool ends_with(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

std::unique_ptr<PluginInstance> load_plugin(const std::string& path, std::string& error,
                                            bool verbose) {
    // Each format's modules have a file name of their own; another format's implementation
    // goes beside this one.
    if (ends_with(path, ".clap")) return ClapPlugin::load(path, error);
    return HostedPlugin::load(path, error, verbose);
}

} // namespace corvane::tools
