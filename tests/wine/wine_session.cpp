// Starting voxtrel.exe under Wine and finding its windows on the Wine X server.
#include "tests/wine/wine_session.h"

#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <algorithm>
#include <cctype>
#include <sstream>
#include <thread>

namespace voxtrel::testing_support {

namespace {

using Clock = std::chrono::steady_clock;

std::string shellQuoted(const std::string& text) {
    return "'" + text + "'";
}

std::vector<std::string> programWindows() {
    return outputLines(
        runCommand("xdotool search --onlyvisible --class '^voxtrel\\.exe$' 2>/dev/null"));
}

std::string nameOf(const std::string& window) {
    std::string name = runCommand("xdotool getwindowname " + window + " 2>/dev/null").value_or("");
    while (!name.empty() && name.back() == '\n')
        name.pop_back();
    return name;
}

} // namespace

bool useWineSession() {
    const char* display = std::getenv("VOXTREL_WINE_X_DISPLAY");
    const char* prefix = std::getenv("VOXTREL_WINE_PREFIX");
    if (display == nullptr || *display == '\0' || prefix == nullptr || *prefix == '\0')
        return false;
    setenv("DISPLAY", display, 1);
    setenv("WINEPREFIX", prefix, 1);
    setenv("WINEDEBUG", "-all", 1);
    // No Mono or Gecko installer dialogs in a prefix made for tests.
    setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
    return true;
}

std::string wineDataFolder() {
    const passwd* user = getpwuid(getuid());
    return std::string(std::getenv("WINEPREFIX")) + "/drive_c/users/" +
           (user != nullptr ? user->pw_name : "root") + "/AppData/Roaming/voxtrel";
}

namespace {

// A log of its own for each start, however many run at once.
std::string newLogPath() {
    static int started = 0;
    return std::filesystem::temp_directory_path().string() + "/voxtrel-wine-" +
           std::to_string(getpid()) + "-" + std::to_string(++started) + ".log";
}

} // namespace

WineProgram::WineProgram(const std::string& environment, const std::string& program) {
    logPath_ = newLogPath();
    const std::string command = "exec env " + environment + " wine " + shellQuoted(program) + " >" +
                                shellQuoted(logPath_) + " 2>&1";
    pid_ = fork();
    if (pid_ == 0) {
        setpgid(0, 0);
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
}

WineProgram::~WineProgram() {
    // Every process of the prefix ends, so the next test starts with a fresh desktop and tray.
    std::system("wineserver -k >/dev/null 2>&1");
    if (!ended_ && pid_ > 0) {
        kill(-pid_, SIGKILL);
        int status;
        waitpid(pid_, &status, 0);
    }
    std::system("wineserver -w >/dev/null 2>&1");
    std::filesystem::remove(logPath_);
}

bool WineProgram::running() const {
    if (ended_ || pid_ <= 0)
        return false;
    int status;
    if (waitpid(pid_, &status, WNOHANG) == pid_)
        ended_ = true;
    return !ended_;
}

bool WineProgram::waitForExit(int limitMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
    while (Clock::now() < deadline) {
        if (!running())
            return true;
        pause(20);
    }
    return !running();
}

std::string WineProgram::log() const {
    std::ifstream file(logPath_);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

WineRun runWineProgram(const std::string& arguments, int limitMs) {
    const std::string log = newLogPath();
    const std::string seconds = std::to_string((limitMs + 999) / 1000);
    WineRun run;
    const int status =
        std::system(("timeout " + seconds + " wine " + shellQuoted(VOXTREL_WINDOWS_PROGRAM) + " " +
                     arguments + " >" + shellQuoted(log) + " 2>&1")
                        .c_str());
    if (WIFEXITED(status) && WEXITSTATUS(status) != 124)
        run.status = WEXITSTATUS(status);
    std::ifstream file(log);
    std::stringstream text;
    text << file.rdbuf();
    run.output = text.str();
    std::filesystem::remove(log);
    return run;
}

std::string typedInATerminal(const std::string& arguments, int limitMs) {
    const std::string seconds = std::to_string((limitMs + 999) / 1000);
    const std::string typed =
        "timeout " + seconds + " wine " + shellQuoted(VOXTREL_WINDOWS_PROGRAM) + " " + arguments;
    return runCommand("script -qc " + shellQuoted(typed) + " /dev/null").value_or("");
}

int programProcesses() {
    // Wine gives a Windows process the program's path as its whole command line; the shells
    // and timeouts that start one name it further on.
    return static_cast<int>(
        outputLines(runCommand("pgrep -f '^[^ ]*voxtrel\\.exe( |$)' 2>/dev/null")).size());
}

std::vector<std::string> cursorWindows() {
    // A cursor's title is its frame count of the last second ("cursor" before the first).
    const auto isCursorTitle = [](const std::string& title) {
        return title == "cursor" ||
               (!title.empty() && std::all_of(title.begin(), title.end(), [](unsigned char c) {
                   return std::isdigit(c) != 0;
               }));
    };
    std::vector<std::string> cursors;
    for (const std::string& window : programWindows())
        if (isCursorTitle(nameOf(window)))
            cursors.push_back(window);
    return cursors;
}

std::optional<std::string> menuWindow() {
    // Pop-up menus are the program's windows without a title.
    for (const std::string& window : programWindows())
        if (nameOf(window).empty())
            return window;
    return std::nullopt;
}

std::optional<std::string> windowNamed(const std::string& title) {
    std::string pattern = "^";
    for (char c : title) {
        if (std::ispunct(static_cast<unsigned char>(c)) != 0)
            pattern += '\\';
        pattern += c;
    }
    const auto found = outputLines(runCommand("xdotool search --onlyvisible --name " +
                                              shellQuoted(pattern + "$") + " 2>/dev/null"));
    if (found.empty())
        return std::nullopt;
    return found.front();
}

std::vector<std::string> waitForCursors(std::size_t count, int limitMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
    std::vector<std::optional<Geometry>> last;
    while (Clock::now() < deadline) {
        const std::vector<std::string> cursors = cursorWindows();
        std::vector<std::optional<Geometry>> now;
        for (const std::string& window : cursors)
            now.push_back(geometryOf(window));
        // Made with their corner at the centre, they stand still from their first frame on.
        bool still = cursors.size() == count && now.size() == last.size();
        for (std::size_t i = 0; still && i < now.size(); ++i)
            still = now[i] && last[i] && now[i]->x == last[i]->x && now[i]->y == last[i]->y;
        if (still)
            return cursors;
        last = now;
        pause(250);
    }
    return cursorWindows();
}

std::optional<Geometry> trayArea() {
    const auto trays =
        outputLines(runCommand("xdotool search --onlyvisible --class '^trayer$' 2>/dev/null"));
    return trays.empty() ? std::nullopt : geometryOf(trays.front());
}

bool openMainMenu() {
    const auto tray = trayArea();
    if (!tray)
        return false;
    // The first icon fills the left square of the tray: a right press opens the menu at once.
    const int x = tray->x + tray->height / 2, y = tray->y + tray->height / 2;
    clickAt(x, y, 3);
    for (int i = 0; i < 100; ++i, pause(50))
        if (menuWindow())
            return true;
    return false;
}

void chooseMenuItem(int downs) {
    std::string keys;
    for (int i = 0; i < downs; ++i)
        keys += " Down";
    xdotool("key --delay 80" + keys + " Return");
}

} // namespace voxtrel::testing_support
