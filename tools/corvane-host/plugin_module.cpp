#include "tools/corvane-host/plugin_module.h"

#include <dlfcn.h>
#include <sys/stat.h>

namespace corvane::tools {

PluginModule::PluginModule(std::string module_path, void* handle, VstPluginMainProc main_proc)
    : path_(std::move(module_path)), handle_(handle), entry_(main_proc) {}

PluginModule::~PluginModule() {
    if (handle_) dlclose(handle_);
}

void* open_plugin_library(const std::string& path, std::string& error) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        error = "cannot find plug-in '" + path + "'";
        return nullptr;
    }
    if (!S_ISREG(info.st_mode)) {
        error = "plug-in '" + path + "' is not a file";
        return nullptr;
    }
    // dlopen searches the library path for names without a slash; a file named on the command
    // line is meant as it stands.
    const std::string load_path = path.find('/') == std::string::npos ? "./" + path : path;
    // Modules stay resident after dlclose, as in most hosts: the libraries a plug-in brings
    // (cairo, pixman, fontconfig) keep process-wide caches that are never freed, and unloading
    // them leaves those caches behind with no owner.
    void* handle = dlopen(load_path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!handle) {
        const char* why = dlerror();
        error = "cannot load plug-in '" + path + "': " + (why ? why : "unknown reason");
    }
    return handle;
}

std::unique_ptr<PluginModule> PluginModule::open(const std::string& path, std::string& error) {
    void* handle = open_plugin_library(path, error);
    if (!handle) return nullptr;
    void* symbol = dlsym(handle, "VSTPluginMain");
    if (!symbol) symbol = dlsym(handle, "main");
    if (!symbol) {
        dlclose(handle);
        error =
            "'" + path + "' is not a VST 2.4 plug-in: it exports neither VSTPluginMain nor main";
        return nullptr;
    }
    auto entry = reinterpret_cast<VstPluginMainProc>(symbol);
    return std::unique_ptr<PluginModule>(new PluginModule(path, handle, entry));
}

} // namespace corvane::tools
