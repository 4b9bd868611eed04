// The built program on the tests' X server, as a user's session runs it: one instance per
// configuration, launchers that start applications and scripts, and cursors brought back when
// the screen shrinks.
#include "tests/support/temp_dir.h"
#include "tests/support/x_server.h"

#include "platform/win32.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <thread>

namespace voxtrel {
namespace {

using namespace testing_support;
using Clock = std::chrono::steady_clock;

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
};

// Everything a session gives the program, kept apart from the real user's: a home with its
// configuration folder, and data folders with the test's own applications and icons.
class Session {
public:
    Session() {
        std::filesystem::create_directories(home.path() + "/.config");
        std::filesystem::create_directories(data.path() + "/applications");
        suppressions = home.write("lsan.supp", "leak:swrast_dri.so\nleak:libfontconfig\n"
                                               "leak:libdbus-1\nleak:libglib-2.0\n");
    }
    // The environment and the program, for a shell command.
    std::string command(const std::string& program = VOXTREL_PROGRAM) const {
        return "env -u APPDATA -u XDG_CONFIG_HOME HOME='" + home.path() + "' XDG_DATA_HOME='" +
               home.path() + "/.local/share' XDG_DATA_DIRS='" + data.path() + ":/usr/share' " +
               "LSAN_OPTIONS=suppressions=" + suppressions + " VOXTREL_DISPLAY=x11 '" + program +
               "'";
    }
    TempDir home;
    TempDir data;
    std::string suppressions;
};

// The visible windows of a process, by xdotool.
std::vector<std::string> visibleWindows(int pid) {
    const auto found =
        runCommand("xdotool search --onlyvisible --pid " + std::to_string(pid) + " 2>/dev/null");
    std::vector<std::string> windows;
    std::istringstream lines(found.value_or(""));
    for (std::string line; std::getline(lines, line);)
        if (!line.empty())
            windows.push_back(line);
    return windows;
}

std::optional<Geometry> geometryOf(const std::string& window) {
    const auto shell = runCommand("xdotool getwindowgeometry --shell " + window + " 2>/dev/null");
    if (!shell)
        return std::nullopt;
    Geometry geometry;
    std::sscanf(shell->c_str(), "WINDOW=%*d\nX=%d\nY=%d\nWIDTH=%d\nHEIGHT=%d", &geometry.x,
                &geometry.y, &geometry.width, &geometry.height);
    return geometry;
}

bool waitFor(const std::function<bool()>& condition, int limitMs = 10000) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
    while (Clock::now() < deadline) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return condition();
}

// The cursor window of a running program: its only visible window of cursor size.
std::string waitForCursorWindow(int pid) {
    std::string cursor;
    waitFor([&] {
        for (const std::string& window : visibleWindows(pid)) {
            const auto geometry = geometryOf(window);
            if (geometry && geometry->width >= 100 && geometry->width == geometry->height) {
                cursor = window;
                return true;
            }
        }
        return false;
    });
    return cursor;
}

bool isViewable(const std::string& window) {
    const auto info = runCommand("xwininfo -id " + window + " 2>/dev/null");
    return info && info->find("IsViewable") != std::string::npos;
}

class ProgramOnX : public testing::Test {
protected:
    void SetUp() override {
        if (useTestXServer().empty())
            GTEST_SKIP() << "no test X server (scripts/test starts one)";
        xdotool("mousemove 5 5");
    }
};

TEST_F(ProgramOnX, ASecondStartShowsTheFirstOnesCursorsAndEnds) {
    Helper manager("openbox --sm-disable");
    Session session;
    Helper first(session.command());
    const std::string cursor = waitForCursorWindow(first.pid());
    ASSERT_FALSE(cursor.empty()) << "the first start shows its cursor";
    const auto geometry = geometryOf(cursor);
    ASSERT_TRUE(geometry.has_value());

    // Hidden through its own menu: "Hide" is the seventh item.
    const std::string centre = std::to_string(geometry->x + geometry->width / 2) + " " +
                               std::to_string(geometry->y + geometry->height / 2);
    xdotool("mousemove " + centre + " click 3");
    Sleep(700);
    for (int item = 0; item < 7; ++item)
        xdotool("key Down");
    xdotool("key Return");
    ASSERT_TRUE(waitFor([&] { return !isViewable(cursor); })) << "Hide hid the cursor";
    xdotool("mousemove 5 5");

    const auto started = Clock::now();
    const auto second =
        runCommand("timeout -s KILL 10 " + session.command() + " >/dev/null 2>&1; echo $?");
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(*second, "0\n");
    EXPECT_LT(took.count(), 1000) << "the second start ends within a second";
    EXPECT_TRUE(waitFor([&] { return isViewable(cursor); }, 3000))
        << "the first one shows its cursors again";
    EXPECT_TRUE(first.running());
    EXPECT_EQ(visibleWindows(first.pid()).size(), 1u) << "no second registry, no second cursor";
}

TEST_F(ProgramOnX, AnInstanceKilledOutrightNeverBlocksTheNextStart) {
    Session session;
    auto first = std::make_unique<Helper>(session.command());
    ASSERT_FALSE(waitForCursorWindow(first->pid()).empty());
    kill(first->pid(), SIGKILL);
    first.reset();

    Helper next(session.command());
    EXPECT_FALSE(waitForCursorWindow(next.pid()).empty()) << "the new start runs normally";
    EXPECT_TRUE(next.running());

    // Another configuration folder is another instance: both run.
    Session other;
    Helper beside(other.command());
    EXPECT_FALSE(waitForCursorWindow(beside.pid()).empty());
    EXPECT_TRUE(next.running());
}

TEST_F(ProgramOnX, ACursorTheShrunkScreenNoLongerShowsComesBackOntoIt) {
    Session session;
    Helper program(session.command());
    const std::string cursor = waitForCursorWindow(program.pid());
    ASSERT_FALSE(cursor.empty());
    const auto before = geometryOf(cursor);
    ASSERT_TRUE(before.has_value());
    // Centred on 1600 x 900: at 640 x 480 it lies wholly right of the screen.
    ASSERT_GE(before->x, 640);

    ASSERT_TRUE(runCommand("xrandr --newmode voxtrel-640 0 640 0 0 0 480 0 0 0 2>&1; "
                           "xrandr --addmode screen voxtrel-640 2>&1; "
                           "xrandr --output screen --mode voxtrel-640 2>&1")
                    .has_value());
    const bool movedIn = waitFor([&] {
        const auto now = geometryOf(cursor);
        return now && now->x + now->width <= 640 && now->y + now->height <= 480 && now->x >= 0 &&
               now->y >= 0;
    });
    const auto after = geometryOf(cursor);
    runCommand("xrandr --output screen --mode 1600x900 2>&1");
    ASSERT_TRUE(after.has_value());
    EXPECT_TRUE(movedIn) << "at " << after->x << "," << after->y;
    // The least move: against the right edge, and up only as far as the bottom edge needs.
    EXPECT_EQ(after->x, 640 - before->width);
    EXPECT_EQ(after->y, std::min(before->y, 480 - before->height));
    EXPECT_TRUE(waitFor([] {
        const auto size = runCommand("xdpyinfo | grep dimensions");
        return size && size->find("1600x900") != std::string::npos;
    })) << "the screen is restored for the other tests";
}

} // namespace
} // namespace voxtrel
