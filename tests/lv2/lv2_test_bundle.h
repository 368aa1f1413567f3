#pragma once

// Runs Debian's LV2 tools on the freshly built bundle only: a private LV2_PATH folder holds a
// link to build/Corvane.lv2, so no installed copy (or other plug-in) is loaded instead.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace corvane::test {

class Lv2TestBundle {
public:
    explicit Lv2TestBundle(const std::string& bundle) {
        char dir[] = "/tmp/corvane-lv2-XXXXXX";
        if (!mkdtemp(dir)) return;
        path_ = dir;
        if (symlink(bundle.c_str(), (path_ + "/Corvane.lv2").c_str()) != 0) path_.clear();
    }
    ~Lv2TestBundle() {
        if (path_.empty()) return;
        unlink((path_ + "/Corvane.lv2").c_str());
        rmdir(path_.c_str());
    }
    Lv2TestBundle(const Lv2TestBundle&) = delete;
    Lv2TestBundle& operator=(const Lv2TestBundle&) = delete;

    bool ready() const { return !path_.empty(); }
    // The folder to give LV2 hosts as LV2_PATH.
    const std::string& path() const { return path_; }

    // Runs a shell command with LV2_PATH set to the private folder; its standard output (and
    // standard error, when asked) into output. True when it exits with status 0.
    bool run(const std::string& command, std::string& output, bool withErrors = false) const {
        const std::string line =
            "LV2_PATH='" + path_ + "' " + command + (withErrors ? " 2>&1" : " 2>/dev/null");
        output.clear();
        FILE* pipe = popen(line.c_str(), "r");
        if (!pipe) return false;
        char chunk[4096];
        size_t n;
        while ((n = fread(chunk, 1, sizeof chunk, pipe)) > 0)
            output.append(chunk, n);
        return pclose(pipe) == 0;
    }

private:
    std::string path_;
};

} // namespace corvane::test
