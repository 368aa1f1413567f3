#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::tools {

// An output file that appears complete or not at all: it is written to a temporary file beside
// its destination and renamed over it by commit(). Until then the temporary file is removed when
// the object goes away, and also when the process is stopped by SIGINT, SIGTERM or SIGHUP (see
// remove_pending_files_on_signals), so no partial output is ever left behind.
class PendingFile {
public:
    PendingFile() = default;
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    bool create(const std::string& destination, std::string& error);
    int fd() const { return fd_; }
    // Flushes, closes and renames the file into place.
    bool commit(std::string& error);
    void discard();

private:
    std::string destination_;
    std::string temp_path_;
    int fd_ = -1;
    int slot_ = -1;
};

// Installs the signal handlers that remove pending files before the process ends.
void remove_pending_files_on_signals();

// Writes bytes to path through a PendingFile.
bool write_file_atomically(const std::string& path, const std::vector<uint8_t>& bytes,
                           std::string& error);

} // namespace corvane::tools
