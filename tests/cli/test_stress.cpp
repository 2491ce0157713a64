// Builds of one pair run at the same time and killed at random moments: the pair is always whole
// and no temporary file stays. QUILLARD_STRESS_PAIRS and QUILLARD_STRESS_KILLS set the counts
// (1000 and 500 for a full run; CI runs the small defaults).
#include "cli/cli_runner.h"
#include "files/fileio.h"
#include "romfiles/programset.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

int Count(const char *variable, int fallback) {
    const char *value = std::getenv(variable);
    return value && std::atoi(value) > 0 ? std::atoi(value) : fallback;
}

// Starts "quillard-cli build SET -o out.bin" in the folder, its output discarded.
pid_t StartBuild(const fs::path &folder, const std::string &set) {
    const pid_t child = ::fork();
    if (child == 0) {
        int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        if (::chdir(folder.c_str()) == 0)
            ::execl(QUILLARD_CLI, "quillard-cli", "build", set.c_str(), "-o", "out.bin",
                    static_cast<char *>(nullptr));
        ::_exit(127);
    }
    return child;
}

int Finish(pid_t child) {
    int status = -1;
    ::waitpid(child, &status, 0);
    return status;
}

} // namespace

TEST(Stress, ConcurrentAndKilledBuildsNeverLeaveAMixedPairOrATemporaryFile) {
    const int pairs = Count("QUILLARD_STRESS_PAIRS", 20), kills = Count("QUILLARD_STRESS_KILLS", 10);
    CliFolder folder;
    folder.Write("a.rom", ReadFileBytes(QUILLARD_EXAMPLES "/manoeuvres.rom"));
    folder.Write("b.rom", ProgramSetBytes(DefaultProgramSet()));
    std::vector<std::string> whole[2];
    for (int k = 0; k < 2; ++k) {
        const std::string name = k ? "b" : "a";
        ASSERT_EQ(folder.Run({"build", name + ".rom", "-o", name + ".bin"}).status, 0);
        whole[k] = {folder.Read(name + ".bin"), folder.Read(name + ".aux")};
    }
    const std::string out = (folder.path() / "out.bin").string(), aux = (folder.path() / "out.aux").string();
    int mixed = 0, finished = 0;
    auto check = [&] {
        for (const auto &entry : fs::directory_iterator(folder.path()))
            finished += entry.path().filename().string().starts_with(".qj"); // a journal to finish
        const std::vector<std::string> pair = ReadFileGroup(aux, {out, aux}, EpromFileLimit);
        mixed += pair != whole[0] && pair != whole[1];
    };
    for (int i = 0; i < pairs; ++i) {
        const pid_t a = StartBuild(folder.path(), "a.rom"), b = StartBuild(folder.path(), "b.rom");
        EXPECT_EQ(Finish(a), 0);
        EXPECT_EQ(Finish(b), 0);
        check();
    }
    std::mt19937 random(20240611);
    for (int i = 0; i < kills; ++i) {
        const pid_t build = StartBuild(folder.path(), i % 2 ? "a.rom" : "b.rom");
        ::usleep(random() % 40000); // a build takes about 20 ms
        ::kill(build, SIGKILL);
        Finish(build);
        check();
    }
    ASSERT_EQ(Finish(StartBuild(folder.path(), "a.rom")), 0);
    std::printf("%d concurrent pairs, %d kills: %d mixed pairs, %d interrupted replacements finished\n",
                pairs, kills, mixed, finished);
    EXPECT_EQ(mixed, 0);
    std::vector<std::string> entries;
    for (const auto &entry : fs::directory_iterator(folder.path()))
        entries.push_back(entry.path().filename());
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"a.aux", "a.bin", "a.rom", "b.aux", "b.bin", "b.rom",
                                                 "out.aux", "out.bin"}));
}
