#include "tools/corvane-host/pending_file.h"

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
    // SA_RESETHAND restored the default action: the signal ends the process as it would have.
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

// Follows symbolic links (also dangling ones, which name the file to create) to the path that
// is finally written.
bool resolve_links(const std::string& path, std::string& target, std::string& error) {
    target = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        if (lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
        std::vector<char> link(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        const ssize_t n = readlink(target.c_str(), link.data(), link.size());
        if (n < 0 || static_cast<size_t>(n) >= link.size()) {
            error = "cannot follow the link '" + path + "': " + std::strerror(errno);
            return false;
        }
        const std::string next(link.data(), static_cast<size_t>(n));
        target = next[0] == '/' ? next : directory_of(target) + "/" + next;
    }
    error = "cannot follow the link '" + path + "': too many levels of links";
    return false;
}

} // namespace

bool identify_file(const std::string& path, FileIdentity& identity) {
    struct stat st {};
    if (path == "-" ? fstat(STDOUT_FILENO, &st) != 0 : stat(path.c_str(), &st) != 0) return false;
    identity = FileIdentity{st.st_dev, st.st_ino};
    return true;
}

PendingFile::~PendingFile() {
    discard();
}

bool PendingFile::create(const std::string& destination, std::string& error) {
    discard();
    destination_ = destination;
    if (destination == "-") {
        fd_ = STDOUT_FILENO;
        direct_ = true;
        return true;
    }
    if (destination.empty() || destination.back() == '/') {
        error = "'" + destination + "' is not a file name";
        return false;
    }
    if (!resolve_links(destination, target_, error)) return false;
    struct stat st {};
    const bool exists = stat(target_.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        error = "cannot write '" + destination + "': it is a directory";
        return false;
    }
    if (exists && !S_ISREG(st.st_mode)) {
        // A device or a FIFO: replacing it with a file would break it for everyone else.
        fd_ = open(target_.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd_ < 0) {
            error = "cannot write '" + destination + "': " + std::strerror(errno);
            return false;
        }
        direct_ = true;
        return true;
    }
    // Hidden and beside the target, so the final rename never crosses file systems.
    std::string pattern = directory_of(target_) + "/." + base_name_of(target_) + ".partial-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back(0);
    fd_ = mkstemp(name.data());
    if (fd_ < 0) {
        error = "cannot write '" + destination + "': " + std::strerror(errno);
        return false;
    }
    temp_path_ = name.data();
    slot_ = claim_slot(temp_path_);
    if (exists) {
        // The file keeps its permissions (and, where allowed, its owner) when replaced.
        if (fchown(fd_, st.st_uid, st.st_gid) != 0) {
            // Only the superuser may give a file away; the new file is the writer's own.
        }
        fchmod(fd_, st.st_mode & 07777);
    } else {
        // mkstemp makes the file private; a new output file gets the usual permissions.
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd_, 0666 & ~mask);
    }
    return true;
}

bool PendingFile::commit(std::string& error) {
    if (fd_ < 0) {
        error = "nothing to write for '" + destination_ + "'";
        return false;
    }
    if (direct_) {
        const bool closed = fd_ == STDOUT_FILENO || close(fd_) == 0;
        fd_ = -1;
        if (!closed) error = "cannot write '" + destination_ + "': " + std::strerror(errno);
        return closed;
    }
    const bool synced = fsync(fd_) == 0;
    const bool closed = close(fd_) == 0;
    fd_ = -1;
    if (!synced || !closed || rename(temp_path_.c_str(), target_.c_str()) != 0) {
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
    if (fd_ >= 0 && fd_ != STDOUT_FILENO) close(fd_);
    fd_ = -1;
    direct_ = false;
    if (!temp_path_.empty()) unlink(temp_path_.c_str());
    temp_path_.clear();
    release_slot(slot_);
    slot_ = -1;
}

void remove_pending_files_on_signals() {
    struct sigaction action {};
    action.sa_handler = on_signal;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    // Every signal whose default action ends the process and that can be caught.
    for (int signal_number : {SIGHUP,  SIGINT,    SIGQUIT, SIGILL,  SIGTRAP, SIGABRT, SIGBUS,
                              SIGFPE,  SIGUSR1,   SIGSEGV, SIGUSR2, SIGPIPE, SIGALRM, SIGTERM,
                              SIGXCPU, SIGVTALRM, SIGPROF, SIGSYS,  SIGIO,   SIGPWR,  SIGSTKFLT})
        sigaction(signal_number, &action, nullptr);
    // Over the file size limit, write fails with EFBIG and the render reports it and cleans up.
    std::signal(SIGXFSZ, SIG_IGN);
}

bool write_file_atomically(const std::string& path, const std::vector<uint8_t>& bytes,
                           std::string& error) {
    PendingFile file;
    return file.create(path, error) && write_all(file, bytes, error) && file.commit(error);
}

bool write_all(PendingFile& file, const std::vector<uint8_t>& bytes, std::string& error) {
    const std::string& path = file.destination();
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
    return true;
}

} // namespace corvane::tools
