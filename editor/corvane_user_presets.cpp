#include "editor/corvane_user_presets.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

namespace {

constexpr const char* kMagic = "corvane-preset";
constexpr const char* kSuffix = ".cvpreset";

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Creates each missing folder of an absolute path.
bool makeDirectories(const std::string& path) {
    for (std::size_t at = 1; at <= path.size(); ++at) {
        if (at != path.size() && path[at] != '/') continue;
        const std::string part = path.substr(0, at);
        if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool readSmallFile(const std::string& path, std::string& text, std::string& error) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        error = "cannot open the preset";
        return false;
    }
    struct stat info {};
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    if (!ok) error = "not a preset file";
    if (ok && info.st_size > UserPresetStore::kMaxFileBytes) {
        error = "preset file too large";
        ok = false;
    }
    text.clear();
    char buffer[4096];
    while (ok) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            error = "cannot read the preset";
            ok = false;
        }
        if (got <= 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
        // The file may have grown since fstat.
        if (text.size() > static_cast<std::size_t>(UserPresetStore::kMaxFileBytes)) {
            error = "preset file too large";
            ok = false;
        }
    }
    close(fd);
    return ok;
}

} // namespace

std::string UserPresetStore::defaultDirectory() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') return std::string(data) + "/corvane/presets";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return std::string(home) + "/.local/share/corvane/presets";
    return std::string();
}

UserPresetStore::UserPresetStore(std::string directory, std::vector<std::string> parameterNames,
                                 std::vector<float> defaults)
    : directory_(std::move(directory)), names_(std::move(parameterNames)),
      defaults_(std::move(defaults)) {
    defaults_.resize(names_.size(), 0.0f);
}

std::string UserPresetStore::cleanName(const std::string& name) {
    std::string out;
    for (const char c : name) {
        if (out.size() >= kMaxNameChars) break;
        const auto u = static_cast<unsigned char>(c);
        // Printable ASCII only, and nothing a path or our own format gives a meaning to.
        const bool plain = u >= 0x20 && u < 0x7f && c != '/' && c != '\\' && c != '=';
        out.push_back(plain ? c : '_');
    }
    // Leading dots would hide the file; surrounding spaces would make two names look alike.
    while (!out.empty() && (out.front() == ' ' || out.front() == '.'))
        out.erase(out.begin());
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

std::string UserPresetStore::pathOf(const std::string& name) const {
    return directory_ + "/" + name + kSuffix;
}

std::vector<std::string> UserPresetStore::list() const {
    std::vector<std::string> found;
    DIR* dir = directory_.empty() ? nullptr : opendir(directory_.c_str());
    if (dir == nullptr) return found;
    while (const dirent* entry = readdir(dir)) {
        const std::string file = entry->d_name;
        if (file.empty() || file[0] == '.' || !endsWith(file, kSuffix)) continue;
        const std::string name = file.substr(0, file.size() - std::strlen(kSuffix));
        if (!name.empty() && cleanName(name) == name) found.push_back(name);
    }
    closedir(dir);
    std::sort(found.begin(), found.end());
    return found;
}

std::string UserPresetStore::format(const UserPreset& preset) const {
    std::string text = std::string(kMagic) + " " + std::to_string(kFormatVersion) + "\n";
    text += "name " + cleanName(preset.name) + "\n";
    char number[32];
    for (std::size_t i = 0; i < names_.size(); ++i) {
        const float v = i < preset.values.size() ? preset.values[i] : defaults_[i];
        std::snprintf(number, sizeof number, "%.9g", static_cast<double>(v));
        text += names_[i] + "=" + number + "\n";
    }
    text += "end\n";
    return text;
}

bool UserPresetStore::parse(const std::string& text, UserPreset& preset, std::string& error) const {
    if (text.size() > static_cast<std::size_t>(kMaxFileBytes)) {
        error = "preset file too large";
        return false;
    }
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\n' && c != '\r' && c != '\t') || u == 0x7f) {
            error = "not a preset: binary data";
            return false;
        }
    }
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t next = text.find('\n', at);
        if (next == std::string::npos) next = text.size();
        std::string line = text.substr(at, next - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        at = next + 1;
    }
    const std::string magic = std::string(kMagic) + " ";
    if (lines.empty() || lines[0].compare(0, magic.size(), magic) != 0) {
        error = "not a Corvane preset";
        return false;
    }
    int version = 0;
    const std::string& first = lines[0];
    const auto [end, failure] =
        std::from_chars(first.data() + magic.size(), first.data() + first.size(), version);
    if (failure != std::errc() || end != first.data() + first.size() || version < 1) {
        error = "not a Corvane preset";
        return false;
    }
    if (version > kFormatVersion) {
        error = "preset from a newer Corvane";
        return false;
    }
    UserPreset read;
    read.values = defaults_;
    std::vector<bool> seen(names_.size(), false);
    bool named = false;
    bool ended = false;
    for (std::size_t i = 1; i < lines.size() && !ended; ++i) {
        const std::string& line = lines[i];
        if (line.empty()) continue;
        if (line == "end") {
            ended = true;
        } else if (line.compare(0, 5, "name ") == 0 && !named) {
            read.name = cleanName(line.substr(5));
            named = true;
        } else {
            const std::size_t eq = line.find('=');
            const std::string key = line.substr(0, eq);
            const auto it = std::find(names_.begin(), names_.end(), key);
            if (eq == std::string::npos || it == names_.end()) {
                error = "unknown parameter '" + key.substr(0, 24) + "'";
                return false;
            }
            const std::size_t index = static_cast<std::size_t>(it - names_.begin());
            float value = 0.0f;
            const char* begin = line.data() + eq + 1;
            const char* stop = line.data() + line.size();
            const auto [rest, bad] = std::from_chars(begin, stop, value);
            if (bad != std::errc() || rest != stop || !std::isfinite(value) || seen[index]) {
                error = "bad value for '" + key + "'";
                return false;
            }
            seen[index] = true;
            read.values[index] = std::clamp(value, 0.0f, 1.0f);
        }
    }
    if (!ended) {
        error = "preset file cut short";
        return false;
    }
    preset = std::move(read);
    return true;
}

bool UserPresetStore::load(const std::string& name, UserPreset& preset, std::string& error) const {
    if (cleanName(name) != name || name.empty()) {
        error = "no such preset";
        return false;
    }
    std::string text;
    if (!readSmallFile(pathOf(name), text, error)) return false;
    UserPreset read;
    if (!parse(text, read, error)) return false;
    // The file's name is the preset's name in the list.
    read.name = name;
    preset = std::move(read);
    return true;
}

bool UserPresetStore::writeFile(const std::string& path, const std::string& text,
                                std::string& error) const {
    if (directory_.empty() || !makeDirectories(directory_)) {
        error = "cannot create the preset folder";
        return false;
    }
    std::string temp = directory_ + "/.preset-XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        error = "cannot write the preset";
        return false;
    }
    bool ok = true;
    for (std::size_t done = 0; ok && done < text.size();) {
        const ssize_t wrote = write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        ok = wrote > 0;
        if (ok) done += static_cast<std::size_t>(wrote);
    }
    ok = ok && fchmod(fd, 0644) == 0 && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
        error = "cannot write the preset";
    }
    return ok;
}

bool UserPresetStore::save(const UserPreset& preset, std::string& error) const {
    const std::string name = cleanName(preset.name);
    if (name.empty()) {
        error = "a preset needs a name";
        return false;
    }
    UserPreset stored = preset;
    stored.name = name;
    return writeFile(pathOf(name), format(stored), error);
}

bool UserPresetStore::rename(const std::string& from, const std::string& to,
                             std::string& error) const {
    UserPreset preset;
    if (!load(from, preset, error)) return false;
    const std::string name = cleanName(to);
    if (name.empty()) {
        error = "a preset needs a name";
        return false;
    }
    if (name == from) return true;
    preset.name = name;
    // The new file is whole before the old one goes.
    if (!save(preset, error)) return false;
    if (unlink(pathOf(from).c_str()) != 0) {
        error = "cannot remove the old preset";
        return false;
    }
    return true;
}

bool UserPresetStore::remove(const std::string& name, std::string& error) const {
    if (name.empty() || cleanName(name) != name || unlink(pathOf(name).c_str()) != 0) {
        error = "cannot delete the preset";
        return false;
    }
    return true;
}

} // namespace corvane
