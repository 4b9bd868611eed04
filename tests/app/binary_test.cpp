// The built program itself: started as a session would start it, it keeps drawing its cursor,
// and SIGTERM (how a session ends programs) ends it as "Exit" does, cleanly and at once.
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace voxtrel {
namespace {

using testing_support::TempDir;

// User and system CPU time of a process, in clock ticks.
long cpuTicks(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    std::istringstream rest(line.substr(line.rfind(')') + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int index = 3; rest >> field; ++index) {
        if (index == 14)
            utime = std::stol(field);
        if (index == 15) {
            stime = std::stol(field);
            break;
        }
    }
    return utime + stime;
}

TEST(ProgramBinary, RunsOnTheHeadlessDisplayAndEndsCleanlyOnSigterm) {
    TempDir dir;
    const std::string appData = dir.path() + "/.appdata";
    std::filesystem::create_directories(appData);
    // Mesa's renderer keeps one buffer to the end; nothing of the program's own may leak.
    const std::string suppressions = dir.write("lsan.supp", "leak:swrast_dri.so\n");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("APPDATA", appData.c_str(), 1);
        setenv("VOXTREL_DISPLAY", "headless", 1);
        setenv("LSAN_OPTIONS", ("suppressions=" + suppressions).c_str(), 1);
        execl(VOXTREL_PROGRAM, VOXTREL_PROGRAM, static_cast<char*>(nullptr));
        _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, WNOHANG), 0) << "it keeps running";
    const long before = cpuTicks(child);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_GT(cpuTicks(child), before) << "its cursor keeps drawing frames";
    EXPECT_TRUE(std::filesystem::is_directory(appData + "/voxtrel"));

    kill(child, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    pid_t ended = 0;
    while ((ended = waitpid(child, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (ended == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        FAIL() << "SIGTERM did not end it";
    }
    ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal, not by returning";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(std::filesystem::exists(appData + "/voxtrel/init.dat")) << "no save on exit";
}

} // namespace
} // namespace voxtrel
