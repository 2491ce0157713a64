// A folder of its own under the system's temporary folder.
#include "files/fileio.h"
#include "files/tempfolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

TEST(TempFolder, AFolderOfItsOwnGoesWithEverythingInIt) {
    std::string path;
    {
        const TempFolder one("quillard-test"), two("quillard-test");
        path = one.path();
        EXPECT_NE(one.path(), two.path());
        EXPECT_EQ(fs::path(path).parent_path(), fs::temp_directory_path());
        EXPECT_EQ(fs::path(path).filename().string().rfind("quillard-test-", 0), 0u);
        WriteFileAtomically(one / "a.bin", "x");
        fs::create_directory(one / "sub");
        WriteFileAtomically(one / "sub/b.bin", "y");
    }
    EXPECT_FALSE(fs::exists(path));
}

// A process stopped by a signal leaves none of its folder behind: the files it named through File()
// go first, then the folder. A child process makes the folder and a file in it, tells where, and
// stops itself by the signal.
TEST(TempFolder, GoesWhenASignalStopsTheProcess) {
#ifdef __EMSCRIPTEN__
    GTEST_SKIP() << "the browser build has no processes to signal";
#endif
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        int channel[2];
        ASSERT_EQ(::pipe(channel), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(channel[0]);
            TempFolder folder("quillard-signal");
            std::FILE *file = std::fopen(folder.File("picture.bmp").c_str(), "wb");
            const bool written = file && std::fputs("BM", file) >= 0 && std::fclose(file) == 0;
            const std::string path = written ? folder.path() : std::string();
            [[maybe_unused]] const ssize_t sent = ::write(channel[1], path.c_str(), path.size());
            ::close(channel[1]);
            ::raise(signalNumber);
            ::_exit(3); // not reached: the signal stops the process
        }
        ::close(channel[1]);
        char buffer[4096];
        ssize_t n = 0, got = 0;
        while ((n = ::read(channel[0], buffer + got, sizeof buffer - 1 - got)) > 0) got += n;
        ::close(channel[0]);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        const std::string path(buffer, static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
        ASSERT_FALSE(path.empty()) << "signal " << signalNumber;
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << "signal " << signalNumber;
        EXPECT_FALSE(fs::exists(path)) << path << " after signal " << signalNumber;
    }
}
