// The built program itself: started as a session would start it, it keeps drawing its cursor,
// and SIGTERM (how a session ends programs) ends it as "Exit" does, cleanly and at once.
#include "tests/support/temp_dir.h"
#include "tests/support/x_server.h"

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

using namespace testing_support;

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
    if (!waitFor([&] { return waitpid(child, &status, WNOHANG) != 0; }, 15000)) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        FAIL() << "SIGTERM did not end it";
    }
    ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal, not by returning";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(std::filesystem::exists(appData + "/voxtrel/init.dat")) << "no save on exit";
}

} // namespace
// The program as a terminal runs it, with a session's environment (env's options first, then
// variables) and within `limit`; its status, then what it wrote to its output and error.
std::string runProgram(const TempDir& dir, const std::string& environment,
                       const std::string& arguments = "",
                       const std::string& limit = "timeout -s KILL 20") {
    return runCommand("cd '" + dir.path() + "' && env -u APPDATA " + environment + " HOME='" +
                      dir.path() + "' VOXTREL_DISPLAY=x11 ASAN_OPTIONS=detect_leaks=0 " + limit +
                      " " VOXTREL_PROGRAM " " + arguments +
                      " >out.txt 2>err.txt; echo $?; cat out.txt err.txt")
        .value_or("");
}

TEST(ProgramBinary, TheCommandLineIsReadBeforeAnythingStarts) {
    TempDir dir;
    const std::string help = runProgram(dir, "", "--help");
    EXPECT_EQ(help.rfind("0\nUsage: voxtrel [OPTION]\n", 0), 0u) << help;
    for (const char* option : {"--new-cursor", "--show-all", "--hide-all", "--save", "--exit"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
    EXPECT_EQ(runProgram(dir, "", "--version"), "0\nvoxtrel " VOXTREL_VERSION "\n");
    const std::string unknown = runProgram(dir, "", "--frobnicate");
    EXPECT_EQ(unknown.rfind("2\nvoxtrel: unknown option '--frobnicate'\nUsage:", 0), 0u) << unknown;
    EXPECT_EQ(runProgram(dir, "", "--save --exit").rfind("2\n", 0), 0u);
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "/.config")) << "none of them started it";
}

TEST(ProgramBinary, OnAWaylandSessionItOpensTheXServerAndWithoutOneSaysSoInOneLine) {
    const std::string xDisplay = useTestXServer();
    if (xDisplay.empty())
        GTEST_SKIP() << "no test X server (scripts/test starts one)";
    if (runCommand("command -v weston").value_or("").empty())
        GTEST_SKIP() << "weston is not installed (scripts/test installs it)";
    TempDir dir;
    const std::string runtime = dir.path() + "/runtime";
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    // A Wayland session of its own: weston with no screen at all.
    Helper compositor("env XDG_RUNTIME_DIR='" + runtime +
                      "' weston --backend=headless-backend.so --socket=wayland-voxtrel "
                      "--idle-time=0 >'" +
                      dir.path() + "/weston.log' 2>&1");
    ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(runtime + "/wayland-voxtrel"); }));
    const std::string session =
        "XDG_RUNTIME_DIR='" + runtime + "' WAYLAND_DISPLAY=wayland-voxtrel ";

    // As a Wayland session starts it, with both displays named: it runs, on the X server, until
    // the session ends it.
    const std::string ran =
        runProgram(dir, session + "DISPLAY=" + xDisplay, "", "timeout -s TERM --preserve-status 4");
    EXPECT_EQ(ran.rfind("0\n", 0), 0u) << "ended by the session, status 0:\n" << ran;
    EXPECT_EQ(ran.find("GdkWaylandDisplay"), std::string::npos) << ran;
    EXPECT_TRUE(std::filesystem::exists(dir.path() + "/.config/voxtrel")) << "it started";

    // With no X server at all: one line, and a status that says it did not start.
    const std::string refused = runProgram(dir, "-u DISPLAY " + session);
    EXPECT_EQ(refused, "1\nvoxtrel: cannot open the X display \"\": Voxtrel needs an X server (on "
                       "a Wayland session, XWayland)\n");
}

} // namespace voxtrel
