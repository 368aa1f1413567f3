#pragma once

#include "vst/vst_abi.h"

#include <memory>
#include <string>

namespace corvane::tools {

// A plug-in module of any format loaded with dlopen (resident until the process ends), or null
// with the reason in error: a missing file, not a file, not a library.
void* open_plugin_library(const std::string& path, std::string& error);

// A VST 2.4 module loaded with dlopen: the shared library and its entry point (VSTPluginMain, or
// main for modules of older hosts' days). Unloads the library when destroyed, so every plug-in
// made from it must be closed first.
class PluginModule {
public:
    static std::unique_ptr<PluginModule> open(const std::string& path, std::string& error);
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    VstPluginMainProc entry() const { return entry_; }
    const std::string& path() const { return path_; }

private:
    PluginModule(std::string module_path, void* handle, VstPluginMainProc main_proc);

    std::string path_;
    void* handle_ = nullptr;
    VstPluginMainProc entry_ = nullptr;
};

} // namespace corvane::tools
