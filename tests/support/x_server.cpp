// The tests' X server and the programs that drive it.
#include "tests/support/x_server.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <thread>

namespace voxtrel::testing_support {

std::string useTestXServer() {
    const char* display = std::getenv("VOXTREL_TEST_X_DISPLAY");
    if (display == nullptr || *display == '\0')
        return {};
    setenv("DISPLAY", display, 1);
    // The tests' server has no accessibility bus; GTK's bridge to it would only look for one.
    setenv("NO_AT_BRIDGE", "1", 1);
    return display;
}

std::optional<std::string> runCommand(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return std::nullopt;
    std::string output;
    char buffer[4096];
    std::size_t read;
    while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, read);
    const int status = pclose(pipe);
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return output;
}

bool xdotool(const std::string& arguments) {
    return runCommand("xdotool " + arguments + " 2>&1").has_value();
}

namespace {

std::string seconds(int milliseconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", milliseconds / 1000.0);
    return text;
}

std::string at(int x, int y) {
    return "mousemove " + std::to_string(x) + " " + std::to_string(y) + " sleep 0.05 ";
}

} // namespace

std::string handClick(int button) {
    const std::string b = std::to_string(button);
    return "mousedown " + b + " sleep " + seconds(kClickHoldMs) + " mouseup " + b;
}

std::string handDoubleClick(int button) {
    return handClick(button) + " sleep " + seconds(kDoubleClickGapMs) + " " + handClick(button);
}

bool clickAt(int x, int y, int button) {
    return xdotool(at(x, y) + handClick(button));
}

bool doubleClickAt(int x, int y, int button) {
    return xdotool(at(x, y) + handDoubleClick(button));
}

bool dragBetween(int fromX, int fromY, int toX, int toY, int button) {
    const std::string b = std::to_string(button);
    std::string words = at(fromX, fromY) + "mousedown " + b;
    for (int step = 1; step <= kDragSteps; ++step)
        words += " sleep " + seconds(kDragStepMs) + " mousemove " +
                 std::to_string(fromX + (toX - fromX) * step / kDragSteps) + " " +
                 std::to_string(fromY + (toY - fromY) * step / kDragSteps);
    return xdotool(words + " sleep " + seconds(kDragStepMs) + " mouseup " + b);
}

std::vector<std::string> outputLines(const std::optional<std::string>& output) {
    std::vector<std::string> found;
    std::istringstream stream(output.value_or(""));
    for (std::string line; std::getline(stream, line);)
        if (!line.empty())
            found.push_back(line);
    return found;
}

std::optional<Geometry> geometryOf(const std::string& window) {
    const auto shell = runCommand("xdotool getwindowgeometry --shell " + window + " 2>/dev/null");
    if (!shell)
        return std::nullopt;
    Geometry geometry;
    if (std::sscanf(shell->c_str(), "WINDOW=%*d\nX=%d\nY=%d\nWIDTH=%d\nHEIGHT=%d", &geometry.x,
                    &geometry.y, &geometry.width, &geometry.height) != 4)
        return std::nullopt;
    return geometry;
}

bool isViewable(const std::string& window) {
    const auto info = runCommand("xwininfo -id " + window + " 2>/dev/null");
    return info && info->find("IsViewable") != std::string::npos;
}

std::optional<Screenshot> takeScreenshot() {
    const auto data = runCommand("import -silent -window root -depth 8 ppm:- 2>/dev/null");
    if (!data)
        return std::nullopt;
    std::istringstream header(*data);
    std::string magic;
    int width = 0, height = 0, maximum = 0;
    header >> magic >> width >> height >> maximum;
    if (magic != "P6" || maximum != 255 || width <= 0 || height <= 0)
        return std::nullopt;
    const std::size_t start = static_cast<std::size_t>(header.tellg()) + 1;
    const std::size_t size = static_cast<std::size_t>(width) * height * 3;
    if (data->size() < start + size)
        return std::nullopt;
    Screenshot shot;
    shot.width = width;
    shot.height = height;
    shot.rgb.assign(data->begin() + static_cast<long>(start),
                    data->begin() + static_cast<long>(start + size));
    return shot;
}

Helper::Helper(const std::string& command) {
    pid_ = fork();
    if (pid_ == 0) {
        setpgid(0, 0);
        execl("/bin/sh", "sh", "-c", ("exec " + command).c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
}

Helper::~Helper() {
    if (pid_ <= 0)
        return;
    kill(-pid_, SIGTERM);
    int status;
    for (int i = 0; i < 100; ++i) {
        if (waitpid(pid_, &status, WNOHANG) == pid_)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(-pid_, SIGKILL);
    waitpid(pid_, &status, 0);
}

bool Helper::running() const {
    int status;
    return pid_ > 0 && waitpid(pid_, &status, WNOHANG) == 0;
}

bool waitForCommand(const std::string& command, int limitMs) {
    return waitFor([&] { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; },
                   limitMs);
}

std::unique_ptr<Helper> startWindowManager() {
    auto manager = std::make_unique<Helper>("openbox --sm-disable");
    // The check window must exist too: a manager that was killed may leave the root's property.
    if (!waitForCommand("id=$(xprop -root _NET_SUPPORTING_WM_CHECK | grep -o '0x[0-9a-f]*') && "
                        "xprop -id \"$id\" _NET_WM_NAME | grep -q Openbox"))
        return nullptr;
    return manager;
}

std::unique_ptr<Helper> startMutter() {
    if (std::system("command -v mutter >/dev/null 2>&1") != 0)
        return nullptr;
    auto manager = std::make_unique<Helper>(
        "dbus-run-session -- mutter --x11 --replace --sm-disable >/dev/null 2>&1");
    if (!waitForCommand("id=$(xprop -root _NET_SUPPORTING_WM_CHECK | grep -o '0x[0-9a-f]*') && "
                        "xprop -id \"$id\" _NET_WM_NAME | grep -q Mutter"))
        return nullptr;
    return manager;
}

std::unique_ptr<Helper> startNotificationArea() {
    // trayer ends at its first X error, which a window manager's check window that vanished
    // while it starts can give it: then it is started once more.
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto tray = std::make_unique<Helper>(
            "trayer --edge top --align left --widthtype pixel --width 120 --heighttype pixel "
            "--height 32 --transparent false --expand false --SetDockType true");
        if (waitForCommand("xdotool search --onlyvisible --class '^trayer$'", 6000))
            return tray;
    }
    return nullptr;
}

std::unique_ptr<Helper> startPanel() {
    if (std::system("command -v tint2 >/dev/null 2>&1") != 0)
        return nullptr;
    auto panel = std::make_unique<Helper>("tint2 -c /etc/xdg/tint2/tint2rc >/dev/null 2>&1");
    if (!waitForCommand("xdotool search --onlyvisible --class '^tint2$'"))
        return nullptr;
    return panel;
}

} // namespace voxtrel::testing_support
