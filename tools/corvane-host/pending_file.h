#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace corvane::tools {

// A file's identity: the same file whatever name (link, relative path) reaches it.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity& other) const {
        return device == other.device && inode == other.inode;
    }
};

// The identity of the file a path names (links followed); false when there is none.
bool identify_file(const std::string& path, FileIdentity& identity);

// An output of the host. A regular file (or a new one) appears complete or not at all: it is
// written to a temporary file beside its destination (the target of a symbolic link, not the
// link) and renamed over it by commit(), keeping an existing file's permissions. A character
// device, a FIFO or "-" (standard output) cannot be replaced, so it is written directly. Until
// commit the temporary file is removed when the object goes away, and also when a signal ends
// the process (see remove_pending_files_on_signals).
class PendingFile {
public:
    PendingFile() = default;
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    bool create(const std::string& destination, std::string& error);
    int fd() const { return fd_; }
    // Written in place: no temporary file, and the output cannot seek.
    bool direct() const { return direct_; }
    const std::string& destination() const { return destination_; }
    // Flushes, closes and renames the file into place.
    bool commit(std::string& error);
    void discard();

private:
    std::string destination_; // as the user named it, for messages
    std::string target_;      // where it goes, links resolved
    std::string temp_path_;
    int fd_ = -1;
    int slot_ = -1;
    bool direct_ = false;
};

// Installs the signal handlers that remove pending files before a signal ends the process. A
// file size limit (SIGXFSZ) is turned into a write error instead, reported like any other.
void remove_pending_files_on_signals();

// Writes bytes to a pending file.
bool write_all(PendingFile& file, const std::vector<uint8_t>& bytes, std::string& error);
// Writes bytes to path through a PendingFile.
bool write_file_atomically(const std::string& path, const std::vector<uint8_t>& bytes,
                           std::string& error);

} // namespace corvane::tools
