#include "tools/pending_file.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane::tools {

namespace {

// Paths a signal handler may unlink: fixed storage, because a handler can neither allocate nor
// lock. A slot is in use while its flag is set.
constexpr int kSlots = 8;
constexpr size_t kPathSize = 4096;
char g_paths[kSlots][kPathSize];
volatile sig_atomic_t g_in_use[kSlots];

int claim_slot(const std::string& path) {
    if (path.size() >= kPathSize) return -1;
    for (int i = 0; i < kSlots; ++i) {
        if (g_in_use[i]) continue;
        std::memcpy(g_paths[i], path.c_str(), path.size() + 1);
        g_in_use[i] = 1;
        return i;
    }
    return -1;
}

void release_slot(int slot) {
    if (slot >= 0) g_in_use[slot] = 0;
}

void on_signal(int signal_number) {
    for (int i = 0; i < kSlots; ++i)
        if (g_in_use[i]) unlink(g_paths[i]);
    std::signal(signal_number, SIG_DFL);
    raise(signal_number);
}

std::string directory_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string base_name_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

PendingFile::~PendingFile() {
    discard();
}

bool PendingFile::create(const std::string& destination, std::string& error) {
    discard();
    if (destination.empty() || destination.back() == '/') {
        error = "'" + destination + "' is not a file name";
        return false;
    }
    destination_ = destination;
    // Hidden and beside the destination, so the final rename never crosses file systems.
    std::string pattern =
        directory_of(destination) + "/." + base_name_of(destination) + ".partial-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back(0);
    fd_ = mkstemp(name.data());
    if (fd_ < 0) {
        error = "cannot write '" + destination + "': " + std::strerror(errno);
        return false;
    }
    temp_path_ = name.data();
    slot_ = claim_slot(temp_path_);
    // mkstemp makes the file private; an output file gets the usual permissions.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd_, 0666 & ~mask);
    return true;
}

bool PendingFile::commit(std::string& error) {
    if (fd_ < 0) {
        error = "nothing to write for '" + destination_ + "'";
        return false;
    }
    const bool synced = fsync(fd_) == 0;
    const bool closed = close(fd_) == 0;
    fd_ = -1;
    if (!synced || !closed || rename(temp_path_.c_str(), destination_.c_str()) != 0) {
        error = "cannot write '" + destination_ + "': " + std::strerror(errno);
        discard();
        return false;
    }
    release_slot(slot_);
    slot_ = -1;
    temp_path_.clear();
    return true;
}

void PendingFile::discard() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    if (!temp_path_.empty()) unlink(temp_path_.c_str());
    temp_path_.clear();
    release_slot(slot_);
    slot_ = -1;
}

void remove_pending_files_on_signals() {
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal_number, &action, nullptr);
}

bool write_file_atomically(const std::string& path, const std::vector<uint8_t>& bytes,
                           std::string& error) {
    PendingFile file;
    if (!file.create(path, error)) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(file.fd(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = "cannot write '" + path + "': " + std::strerror(errno);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return file.commit(error);
}

} // namespace corvane::tools
