// Output files appear complete or not at all.

#include "host_test_support.h"
#include "tools/corvane-host/pending_file.h"

#include <csignal>

namespace corvane::tools {
namespace {

using corvane::test::TempDir;

TEST(PendingFile, AppearsOnlyWhenCommitted) {
    TempDir dir;
    std::string error;
    {
        PendingFile file;
        ASSERT_TRUE(file.create(dir.file("out.bin"), error)) << error;
        ASSERT_EQ(write(file.fd(), "abc", 3), 3);
        EXPECT_EQ(dir.entries().size(), 1u); // only the hidden temporary file
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.bin")));
    }
    EXPECT_TRUE(dir.entries().empty());

    ASSERT_TRUE(write_file_atomically(dir.file("out.bin"), {1, 2, 3}, error)) << error;
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out.bin"});
    EXPECT_EQ(std::filesystem::file_size(dir.file("out.bin")), 3u);
}

TEST(PendingFile, ReplacesAnOldFileWhole) {
    TempDir dir;
    dir.write_text("out.bin", "old contents");
    std::string error;
    ASSERT_TRUE(write_file_atomically(dir.file("out.bin"), {7}, error)) << error;
    EXPECT_EQ(std::filesystem::file_size(dir.file("out.bin")), 1u);
}

TEST(PendingFile, FailsClearlyWhereItCannotWrite) {
    TempDir dir;
    std::string error;
    EXPECT_FALSE(write_file_atomically(dir.file("missing/out.bin"), {1}, error));
    EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
    EXPECT_TRUE(dir.entries().empty());
}

// A render stopped from outside (Ctrl-C, kill, a closed pipe, an alarm) leaves no partial
// file behind.
TEST(PendingFile, SignalsRemoveFilesInProgress) {
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGALRM, SIGUSR1}) {
        TempDir dir;
        const pid_t child = fork();
        if (child == 0) {
            remove_pending_files_on_signals();
            PendingFile file;
            std::string error;
            if (!file.create(dir.file("out.wav"), error)) _exit(3);
            raise(signal_number);
            _exit(4);
        }
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(WTERMSIG(status), signal_number);
        EXPECT_TRUE(dir.entries().empty());
    }
}

} // namespace
} // namespace corvane::tools
