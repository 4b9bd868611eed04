// The built program on the tests' X server, as a user's session runs it: one instance per
// configuration, launchers that start applications and scripts, and cursors brought back when
// the screen shrinks.
#include "tests/support/file_drag.h"
#include "tests/support/session_bus.h"
#include "tests/support/temp_dir.h"
#include "tests/support/x_server.h"

#include "platform/win32.h"

#include <gio/gio.h>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <thread>

namespace voxtrel {
namespace {

using namespace testing_support;
using Clock = std::chrono::steady_clock;

// Everything a session gives the program, kept apart from the real user's: a home with its
// configuration folder, and data folders with the test's own applications and icons. What the
// program writes to standard error is kept, and a warning of GTK or GLib in it, from start to
// end, fails the test.
class Session {
public:
    Session() {
        std::filesystem::create_directories(home.path() + "/.config");
        std::filesystem::create_directories(data.path() + "/applications");
        suppressions = home.write("lsan.supp", "leak:swrast_dri.so\nleak:libfontconfig\n"
                                               "leak:libdbus-1\nleak:libglib-2.0\n");
        errors = home.path() + "/stderr.log";
    }
    ~Session() {
        const std::string written = readFile(errors).value_or("");
        for (const char* warning : {"-CRITICAL", "-WARNING", "-ERROR", "unexpected X error"})
            EXPECT_EQ(written.find(warning), std::string::npos) << written;
        // What the program said is the first clue to why a test failed.
        if (::testing::Test::HasFailure() && !written.empty())
            std::cerr << "The program's standard error:\n" << written;
    }
    // The environment and the program, for a shell command.
    std::string command(const std::string& program = VOXTREL_PROGRAM) const {
        return environment() + "LSAN_OPTIONS=suppressions=" + suppressions +
               " VOXTREL_DISPLAY=x11 " + extraEnv + " '" + program + "' 2>>'" + errors + "'";
    }
    // The session's home and data folders, for any program of the session.
    std::string environment() const {
        return "env -u APPDATA -u XDG_CONFIG_HOME HOME='" + home.path() + "' XDG_DATA_HOME='" +
               home.path() + "/.local/share' XDG_DATA_DIRS='" + data.path() + ":/usr/share' ";
    }
    TempDir home;
    TempDir data;
    std::string suppressions;
    std::string errors;
    std::string extraEnv; // more VAR=value words
};

// The visible windows of a process, by xdotool.
std::vector<std::string> visibleWindows(int pid) {
    return outputLines(
        runCommand("xdotool search --onlyvisible --pid " + std::to_string(pid) + " 2>/dev/null"));
}

// The menu the program shows (its main menu or a cursor's): its visible popup
// (override-redirect) window larger than a tooltip.
std::optional<Geometry> mainMenuOf(int pid) {
    for (const std::string& window : visibleWindows(pid)) {
        const auto geometry = geometryOf(window);
        const auto info = runCommand("xwininfo -all -id " + window + " 2>/dev/null");
        if (geometry && geometry->width > 64 && geometry->height > 64 && info &&
            info->find("Override Redirect State: yes") != std::string::npos)
            return geometry;
    }
    return std::nullopt;
}

// Opens a menu with a right click at (x, y) and chooses its item `position` (its first is 1) with
// the keyboard, once the menu shows: a busy compositor may take seconds to map it, and keys
// sent before it holds the keyboard go elsewhere.
bool chooseInMenuAt(int pid, int x, int y, int position) {
    xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y) + " " + handClick(3));
    const bool shown = waitFor([&] { return mainMenuOf(pid).has_value(); }, 15000);
    if (!shown)
        return false;
    Sleep(200); // the menu takes the keyboard as it maps
    for (int item = 0; item < position; ++item)
        xdotool("key Down");
    xdotool("key Return");
    const bool closed = waitFor([&] { return !mainMenuOf(pid).has_value(); });
    xdotool("mousemove 5 5");
    return closed;
}

// Chooses the item `position` of a cursor's own menu (its first is 1).
bool chooseInItsMenu(int pid, const std::string& cursor, int position) {
    const auto geometry = geometryOf(cursor);
    return geometry && chooseInMenuAt(pid, geometry->centerX(), geometry->centerY(), position);
}

// Hides the cursor through its own menu ("Hide" is its seventh item); a window manager must run.
bool hideThroughItsMenu(int pid, const std::string& cursor) {
    return chooseInItsMenu(pid, cursor, 7) && waitFor([&] { return !isViewable(cursor); });
}

// The cursor window of a running program: its only visible window of cursor size, once it
// stands still (it is made with its corner at the centre, and its first frame centres it).
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
    if (cursor.empty())
        return cursor;
    std::optional<Geometry> last;
    waitFor([&] {
        const auto now = geometryOf(cursor);
        const bool still = now && last && now->x == last->x && now->y == last->y;
        last = now;
        Sleep(200);
        return still;
    });
    return cursor;
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
    const auto manager = startWindowManager();
    ASSERT_TRUE(manager != nullptr);
    Session session;
    Helper first(session.command());
    const std::string cursor = waitForCursorWindow(first.pid());
    ASSERT_FALSE(cursor.empty()) << "the first start shows its cursor";
    const auto geometry = geometryOf(cursor);
    ASSERT_TRUE(geometry.has_value());

    ASSERT_TRUE(hideThroughItsMenu(first.pid(), cursor)) << "Hide hid the cursor";

    const auto started = Clock::now();
    const auto second =
        runCommand("timeout -s KILL 10 " + session.command() + " >/dev/null 2>&1; echo $?");
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(*second, "0\n");
    EXPECT_LT(took.count(), 1000) << "the second start ends within a second";
    EXPECT_TRUE(waitFor([&] { return isViewable(cursor); }))
        << "the first one shows its cursors again";
    EXPECT_TRUE(first.running());
    EXPECT_EQ(visibleWindows(first.pid()).size(), 1u) << "no second registry, no second cursor";
}

TEST_F(ProgramOnX, TheCommandLineReachesTheRunningProgramAndAStartWithNoCursorMakesOne) {
    Session session;
    // A configuration that holds no cursor: the program runs with none, and no tray host.
    std::filesystem::create_directories(session.home.path() + "/.config/voxtrel");
    const std::string file = session.home.path() + "/.config/voxtrel/init.dat";
    session.home.write(".config/voxtrel/init.dat", "22 serialization::archive 18 0 0 0 0 0 0\n");
    Helper first(session.command());
    const auto asked = [&](const std::string& option) {
        return runCommand("timeout -s KILL 10 " + session.command() + " " + option +
                          " >/dev/null; echo $?")
            .value_or("none");
    };
    const auto cursorsShown = [&] {
        std::size_t shown = 0;
        for (const std::string& window : visibleWindows(first.pid())) {
            const auto geometry = geometryOf(window);
            shown += geometry && geometry->width >= 100 && geometry->width == geometry->height;
        }
        return shown;
    };
    Sleep(1500);
    ASSERT_EQ(cursorsShown(), 0u);
    EXPECT_EQ(asked(""), "0\n") << "a second start is answered by the first";
    EXPECT_TRUE(waitFor([&] { return cursorsShown() == 1; })) << "and, showing none, it makes one";
    EXPECT_EQ(asked("--new-cursor"), "0\n");
    EXPECT_TRUE(waitFor([&] { return cursorsShown() == 2; }));
    EXPECT_EQ(asked("--hide-all"), "0\n");
    EXPECT_TRUE(waitFor([&] { return cursorsShown() == 0; }));
    EXPECT_EQ(asked("--show-all"), "0\n");
    EXPECT_TRUE(waitFor([&] { return cursorsShown() == 2; }));
    EXPECT_EQ(asked(""), "0\n");
    Sleep(500);
    EXPECT_EQ(cursorsShown(), 2u) << "a start with cursors shown makes no other";
    EXPECT_EQ(asked("--save"), "0\n");
    EXPECT_TRUE(waitFor([&] {
        const std::string saved = readFile(file).value_or("");
        return saved.find(" 2 0 2 1 0\n") != std::string::npos;
    })) << readFile(file).value_or("(no file)");
    EXPECT_EQ(asked("--bogus"), "2\n") << "an unknown option is a usage error";
    EXPECT_TRUE(first.running()) << "and reaches nobody";
    EXPECT_EQ(asked("--exit"), "0\n");
    EXPECT_TRUE(waitFor([&] { return !first.running(); })) << "--exit ends it";
    EXPECT_EQ(asked("--exit"), "1\n") << "with none running, a command says so";
    EXPECT_EQ(asked("--save"), "1\n");
}

TEST_F(ProgramOnX, AnInstanceKilledOutrightNeverBlocksTheNextStart) {
    Session session;
    auto first = std::make_unique<Helper>(session.command());
    ASSERT_FALSE(waitForCursorWindow(first->pid()).empty());
    // The shared memory its frames go through, which only the system can free after a kill:
    // each segment is marked to go once both sides let go of it.
    const std::string segments = "ipcs -m -p | awk '$3 == " + std::to_string(first->pid()) + "'";
    EXPECT_FALSE(runCommand(segments).value_or("").empty()) << "frames through shared memory";
    kill(first->pid(), SIGKILL);
    first.reset();
    EXPECT_TRUE(waitFor([&] { return runCommand(segments).value_or("x").empty(); }))
        << "shared memory left behind:\n"
        << runCommand(segments).value_or("");

    Helper next(session.command());
    EXPECT_FALSE(waitForCursorWindow(next.pid()).empty()) << "the new start runs normally";
    EXPECT_TRUE(next.running());

    // Another configuration folder is another instance: both run.
    Session other;
    Helper beside(other.command());
    EXPECT_FALSE(waitForCursorWindow(beside.pid()).empty());
    EXPECT_TRUE(next.running());
}

// Whether a process has put its own handler on SIGTERM yet: before that, the signal ends it as
// it ends any program, with nothing of its own begun.
bool catchesSigterm(int pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key, mask;
    while (status >> key >> mask) {
        if (key == "SigCgt:")
            return (std::stoull(mask, nullptr, 16) >> (SIGTERM - 1) & 1) != 0;
    }
    return false;
}

TEST_F(ProgramOnX, AnEndAskedForAtAnyMomentOfItsStartEndsItCleanly) {
    // A session may end the program at any moment, also while its cursors are still being made:
    // SIGTERM at moments spread over the start of four saved cursors. scripts/stress-exit runs
    // this some hundreds of times, with VOXTREL_EXIT_STARTS and VOXTREL_EXIT_WITHIN_MS.
    const char* startsAsked = std::getenv("VOXTREL_EXIT_STARTS");
    const char* withinAsked = std::getenv("VOXTREL_EXIT_WITHIN_MS");
    const int starts = startsAsked != nullptr ? std::atoi(startsAsked) : 5;
    const int withinMs = withinAsked != nullptr ? std::atoi(withinAsked) : 3000;
    Session session;
    std::filesystem::create_directories(session.home.path() + "/.config/voxtrel");
    std::string saved = "22 serialization::archive 18 0 0 0 0 4 0 2 1 0\n0 3 1 1\n";
    for (int cursor = 0; cursor < 4; ++cursor) {
        saved += std::to_string(2 * cursor + 1) + " " + std::to_string(200 + 300 * cursor) +
                 " 450 256 256 2.50000000000000000e-01 1 1 1 1 40030 0  6 0 " +
                 (cursor == 0  ? "0 0  0  0  0  0  0  2\n"
                  : cursor < 3 ? " 0  0  0  0  0  2\n"
                               : " 0  0  0  0  0 \n");
        if (cursor < 3)
            saved += std::to_string(2 * cursor + 2) + " 3\n";
    }
    session.home.write(".config/voxtrel/init.dat", saved);
    {
        Helper program(session.command());
        EXPECT_TRUE(waitFor([&] { return visibleWindows(program.pid()).size() == 4; }))
            << "the four saved cursors show";
    }
    std::mt19937 moments(static_cast<unsigned>(::testing::UnitTest::GetInstance()->random_seed()));
    for (int start = 0; start < starts; ++start) {
        // Evenly spread over the whole time, each moment shifted at random within its share.
        const int share = withinMs / starts;
        const int atMs = start * share + static_cast<int>(moments() % std::max(share, 1));
        Helper program(session.command());
        ASSERT_TRUE(waitFor([&] { return catchesSigterm(program.pid()); }, 10000));
        Sleep(atMs);
        kill(program.pid(), SIGTERM);
        int status = 0;
        const bool ended =
            waitFor([&] { return waitpid(program.pid(), &status, WNOHANG) > 0; }, 15000);
        ASSERT_TRUE(ended) << "SIGTERM " << atMs << " ms into the start did not end it";
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "SIGTERM " << atMs << " ms into the start: status " << status;
    }
    const std::string written = readFile(session.errors).value_or("");
    for (const char* fault : {"Sanitizer", "runtime error", "corrupted", "double free"})
        EXPECT_EQ(written.find(fault), std::string::npos) << written;
    EXPECT_EQ(readFile(session.home.path() + "/.config/voxtrel/init.dat").value_or(""), saved)
        << "the saved cursors are kept as they were";
}

TEST_F(ProgramOnX, ACursorTheShrunkScreenNoLongerShowsComesBackOntoIt) {
    // A server of its own: the other tests must not see the screen change size.
    const std::string display = ":" + std::to_string(300 + getpid() % 300);
    // -noreset: the server must not start afresh whenever a helper such as xdpyinfo lets go.
    Helper server("Xvfb " + display + " -screen 0 1600x900x24 -nolisten tcp -noreset");
    const std::string onServer = "env DISPLAY=" + display + " ";
    ASSERT_TRUE(waitForCommand(onServer + "xdpyinfo >/dev/null 2>&1"));
    Session session;
    Helper program(onServer + session.command());
    setenv("DISPLAY", display.c_str(), 1); // for xdotool and xwininfo
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
    ASSERT_TRUE(after.has_value());
    EXPECT_TRUE(movedIn) << "at " << after->x << "," << after->y;
    // The least move: against the right edge, and up only as far as the bottom edge needs.
    EXPECT_EQ(after->x, 640 - before->width);
    EXPECT_EQ(after->y, std::min(before->y, 480 - before->height));
}

std::optional<Geometry> trayIconOf(int pid);

TEST_F(ProgramOnX, ACursorOnAMonitorThatGoesAwayComesOntoTheOtherAndIsSavedThere) {
    // A server of its own with two monitors side by side, each 1920 x 1080.
    const std::string display = ":" + std::to_string(600 + getpid() % 300);
    // -noreset: otherwise the server starts afresh, forgetting the monitors, each time a helper
    // such as xrandr lets go, and a notification area started then finds no display.
    Helper server("Xvfb " + display + " -screen 0 3840x1080x24 -nolisten tcp -noreset");
    ASSERT_TRUE(waitForCommand("env DISPLAY=" + display + " xdpyinfo"));
    setenv("DISPLAY", display.c_str(), 1);
    ASSERT_TRUE(runCommand("xrandr --setmonitor left 1920/508x1080/286+0+0 screen && "
                           "xrandr --setmonitor right 1920/508x1080/286+1920+0 none")
                    .has_value());
    Session session;
    // One cube saved at x = 2900, on the right monitor.
    std::filesystem::create_directories(session.home.path() + "/.config/voxtrel");
    session.home.write(".config/voxtrel/init.dat",
                       "22 serialization::archive 3 0 0 0 0 1 2 1 0\n0 3 1 1\n1 2900 540 256 256 "
                       "2.50000000000000000e-01 1 1 1 1 40030 0  6 0 0 0  0  0  0  0  0 \n");
    const auto tray = startNotificationArea();
    ASSERT_TRUE(tray != nullptr);
    Helper program(session.command());
    const std::string cursor = waitForCursorWindow(program.pid());
    ASSERT_FALSE(cursor.empty());
    EXPECT_EQ(geometryOf(cursor)->centerX(), 2900);

    // The right monitor unplugged: the screen is the left one alone.
    runCommand("xrandr --delmonitor right 2>&1; xrandr --fb 1920x1080 2>&1");
    ASSERT_TRUE(waitForCommand("xdpyinfo | grep -q 'dimensions: *1920x1080'"));
    EXPECT_TRUE(waitFor([&] {
        const auto now = geometryOf(cursor);
        return now && now->x == 1920 - 256 && now->centerY() == 540;
    })) << "at "
        << geometryOf(cursor)->x << "," << geometryOf(cursor)->y;

    // Save Config, the fourth item of the main menu, writes where the cursor is now.
    const auto icon = trayIconOf(program.pid());
    ASSERT_TRUE(icon.has_value());
    ASSERT_TRUE(chooseInMenuAt(program.pid(), icon->centerX(), icon->centerY(), 4));
    EXPECT_TRUE(waitFor([&] {
        const auto saved = readFile(session.home.path() + "/.config/voxtrel/init.dat");
        return saved && saved->find(" 1792 540 256 256 ") != std::string::npos;
    })) << readFile(session.home.path() + "/.config/voxtrel/init.dat").value_or("");
}

// pcmanfm, a desktop's own file manager, showing `folder` with the session's themes, once its
// window shows; null when it did not. Its drags are what a user drops.
std::unique_ptr<Helper> startFileManager(const Session& session, const std::string& folder,
                                         std::string& window) {
    auto manager = std::make_unique<Helper>(session.environment() + "NO_AT_BRIDGE=1 pcmanfm '" +
                                            folder + "' >/dev/null 2>&1");
    if (!waitFor([&] {
            const auto found = outputLines(
                runCommand("xdotool search --onlyvisible --class '^pcmanfm$' 2>/dev/null"));
            window = found.empty() ? "" : found.front();
            return !window.empty();
        }))
        return nullptr;
    return manager;
}

// Where a test icon shows on the lit face, in a screenshot of `area`: its pixels' count and
// centre. Magenta is red and blue alike with no green; cyan is green and blue with no red.
enum class IconColour { Magenta, Cyan };
struct IconSight {
    int pixels = 0;
    int x = 0, y = 0;
};
IconSight sightOf(IconColour colour, const Geometry& area) {
    IconSight sight;
    const auto shot = takeScreenshot();
    if (!shot)
        return sight;
    long sumX = 0, sumY = 0;
    for (int y = area.y; y < area.y + area.height; ++y) {
        for (int x = area.x; x < area.x + area.width; ++x) {
            const auto pixel = shot->at(x, y);
            const int first = colour == IconColour::Magenta ? pixel.red : pixel.green;
            const int absent = colour == IconColour::Magenta ? pixel.green : pixel.red;
            if (first > 90 && pixel.blue > 90 && absent < 40 && std::abs(first - pixel.blue) < 40) {
                ++sight.pixels;
                sumX += x;
                sumY += y;
            }
        }
    }
    if (sight.pixels > 0) {
        sight.x = static_cast<int>(sumX / sight.pixels);
        sight.y = static_cast<int>(sumY / sight.pixels);
    }
    return sight;
}

// Waits for the icon to show on the solid and double-clicks where it shows, as a user aims at
// the face that took the drop: the solid rocks and turns on, so the face is no longer where the
// file was let go. False when the icon never showed.
bool doubleClickTheIcon(IconColour colour, const Geometry& area) {
    IconSight sight;
    if (!waitFor([&] { return (sight = sightOf(colour, area)).pixels > 50; }, 5000))
        return false;
    xdotool("mousemove " + std::to_string(sight.x) + " " + std::to_string(sight.y) + " " +
            handDoubleClick(1));
    return true;
}

TEST_F(ProgramOnX, DroppedLaunchersAndScriptsStartWhatTheyNameOnADoubleClick) {
    Session session;
    // A test application, its icon in the session's hicolor theme, and its desktop entry.
    const std::string launched = session.home.path() + "/launched";
    const std::string app =
        session.data.write("test-app.sh",
                           "#!/bin/sh\necho \"$1\" > '" + launched + ".part' && mv '" + launched +
                               ".part' '" + launched + "'\n",
                           true);
    const std::string iconFolder = session.data.path() + "/icons/hicolor/32x32/apps";
    std::filesystem::create_directories(iconFolder);
    ASSERT_TRUE(
        runCommand("convert -size 32x32 xc:'#ff00ff' PNG32:" + iconFolder + "/voxtrel-test-app.png")
            .has_value());
    std::filesystem::create_directories(session.home.path() + "/Launchers");
    const std::string entry = session.home.write(
        "Launchers/Test App.desktop", "[Desktop Entry]\nType=Application\nName=Test App\n"
                                      "Icon=voxtrel-test-app\nExec=" +
                                          app + " from-the-entry\n");
    // A script of the user's own, with the execute bit: no extension, and an interpreter line
    // that gives it a type of the session's own, a kind of text with a cyan icon, so only the
    // "#!" says it is a program.
    const std::string scriptRan = session.home.path() + "/script ran";
    ASSERT_TRUE(runCommand("convert -size 32x32 xc:'#00ffff' PNG32:" + iconFolder +
                           "/voxtrel-test-script.png")
                    .has_value());
    std::filesystem::create_directories(session.data.path() + "/mime/packages");
    session.data.write(
        "mime/packages/voxtrel-test.xml",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"text/x-voxtrel-test-script\">\n"
        "    <comment>Test script</comment>\n"
        "    <sub-class-of type=\"text/plain\"/>\n"
        "    <magic priority=\"90\"><match type=\"string\" offset=\"0\" "
        "value=\"#!/usr/bin/env -S sh -e\"/></magic>\n"
        "    <icon name=\"voxtrel-test-script\"/>\n"
        "  </mime-type>\n"
        "</mime-info>\n");
    ASSERT_TRUE(
        runCommand("update-mime-database '" + session.data.path() + "/mime' 2>&1").has_value());
    // It notes the signals it started with, read by the shell itself: the user must be able
    // to end what a face starts (SIGTERM neither blocked nor ignored).
    const std::string script = session.home.write(
        "tidy up",
        "#!/usr/bin/env -S sh -e\nwhile read -r key value; do case $key in SigBlk:|SigIgn:) "
        "printf '%s\\t%s\\n' \"$key\" \"$value\";; esac; done < /proc/$$/status > '" +
            scriptRan + ".part'\nmv '" + scriptRan + ".part' '" + scriptRan + "'\n",
        true);

    Helper program(session.command());
    const std::string cursor = waitForCursorWindow(program.pid());
    ASSERT_FALSE(cursor.empty());
    const auto area = geometryOf(cursor);
    ASSERT_TRUE(area.has_value());
    ASSERT_EQ(sightOf(IconColour::Magenta, *area).pixels, 0) << "no icon before the drop";
    const int cx = area->x + area->width / 2, cy = area->y + area->height / 2;
    // With the pointer over it the solid slows to a crawl, so a face stays under the pointer.
    xdotool("mousemove " + std::to_string(cx) + " " + std::to_string(cy));
    Sleep(3000);

    // The entry comes from the file manager, dragged by its icon.
    std::string managerWindow;
    const auto manager =
        startFileManager(session, session.home.path() + "/Launchers", managerWindow);
    ASSERT_TRUE(manager != nullptr);
    const auto managerArea = geometryOf(managerWindow);
    ASSERT_TRUE(managerArea.has_value());
    ASSERT_LT(managerArea->x + managerArea->width, area->x)
        << "the file manager is beside the solid";
    IconSight item;
    ASSERT_TRUE(waitFor([&] {
        return (item = sightOf(IconColour::Magenta, *managerArea)).pixels > 100;
    })) << "the file manager shows the entry's icon";
    dragAndDrop(item.x, item.y, cx, cy);
    EXPECT_TRUE(doubleClickTheIcon(IconColour::Magenta, *area))
        << "the face shows the application's icon from the theme";
    EXPECT_EQ(waitForFile(launched, std::chrono::seconds(10)).value_or("not started"),
              "from-the-entry\n")
        << "the application starts as the desktop starts it, with the entry's arguments";

    auto scriptSource = dragFileTo(script, cx, cy);
    EXPECT_TRUE(doubleClickTheIcon(IconColour::Cyan, *area))
        << "the face shows the icon of the script's type";
    EXPECT_EQ(waitForFile(scriptRan, std::chrono::seconds(10)).value_or("not run"),
              "SigBlk:\t0000000000000000\nSigIgn:\t0000000000000000\n");
    xdotool("mousemove 5 5");
}

std::string windowStates(const std::string& window) {
    return runCommand("xprop -id " + window + " _NET_WM_STATE").value_or("");
}

TEST_F(ProgramOnX, UnderMutterHideHidesAndShowInTaskbarKeepsOnTopBothWays) {
    // A server of its own: what mutter leaves on a screen (its compositor's selection, the
    // root's properties) must not meet the panels and managers of the other tests.
    const std::string display = ":" + std::to_string(300 + getpid() % 300);
    Helper server("Xvfb " + display + " -screen 0 1600x900x24 -nolisten tcp -noreset");
    ASSERT_TRUE(waitForCommand("env DISPLAY=" + display + " xdpyinfo >/dev/null 2>&1"));
    setenv("DISPLAY", display.c_str(), 1); // for mutter, the program, xdotool and xprop
    const auto manager = startMutter();
    ASSERT_TRUE(manager != nullptr) << "mutter did not start (scripts/test installs it)";
    Session session;
    Helper program(session.command());
    std::string cursor;
    // A compositing manager on a busy machine takes its time to show a window.
    ASSERT_TRUE(
        waitFor([&] { return !(cursor = waitForCursorWindow(program.pid())).empty(); }, 30000));
    ASSERT_FALSE(cursor.empty());
    ASSERT_TRUE(waitFor([&] { return windowStates(cursor).find("_ABOVE") != std::string::npos; }))
        << windowStates(cursor);

    // "Show in Taskbar", on and off again: the window gets its button, then loses it, and stays
    // above the others throughout.
    constexpr int kShowInTaskbar = 6;
    constexpr int kHide = 7;
    ASSERT_TRUE(chooseInItsMenu(program.pid(), cursor, kShowInTaskbar));
    EXPECT_TRUE(waitFor([&] {
        const std::string states = windowStates(cursor);
        return isViewable(cursor) && states.find("SKIP_TASKBAR") == std::string::npos &&
               states.find("_ABOVE") != std::string::npos;
    })) << windowStates(cursor);
    const std::string icon = runCommand("xprop -id " + cursor + " _NET_WM_ICON").value_or("");
    EXPECT_NE(icon.find("Icon (32 x 32)"), std::string::npos)
        << "the button shows the program's icon";
    ASSERT_TRUE(chooseInItsMenu(program.pid(), cursor, kShowInTaskbar));
    EXPECT_TRUE(waitFor([&] {
        const std::string states = windowStates(cursor);
        return isViewable(cursor) && states.find("SKIP_TASKBAR") != std::string::npos &&
               states.find("_ABOVE") != std::string::npos;
    })) << windowStates(cursor);

    // Mutter minimises no window kept out of the taskbar: "Hide" withdraws it instead.
    ASSERT_TRUE(chooseInItsMenu(program.pid(), cursor, kHide));
    EXPECT_TRUE(waitFor([&] { return !isViewable(cursor); })) << "Hide hid it";
    ASSERT_EQ(runCommand("timeout -s KILL 10 " + session.command() + " --show-all; echo $?"),
              "0\n");
    EXPECT_TRUE(waitFor([&] { return isViewable(cursor); })) << "Show All brought it back";
    EXPECT_NE(windowStates(cursor).find("_ABOVE"), std::string::npos) << windowStates(cursor);
}

// The program's tray icon in whichever notification area hosts it: its small visible window
// on the screen (GTK keeps a small one of its own off it once a menu has been open).
std::optional<Geometry> trayIconOf(int pid) {
    std::optional<Geometry> icon;
    waitFor([&] {
        for (const std::string& window : visibleWindows(pid)) {
            const auto geometry = geometryOf(window);
            if (geometry && geometry->width <= 64 && geometry->height <= 64 && geometry->x >= 0 &&
                geometry->y >= 0) {
                icon = geometry;
                return true;
            }
        }
        return false;
    });
    return icon;
}

// The program under openbox with a StatusNotifierWatcher on a bus of its own, and a host's
// side of the conversation with its item.
struct ProgramWithNotifierHost {
    std::unique_ptr<Helper> manager = startWindowManager();
    PrivateBus bus;
    std::unique_ptr<Watcher> watcher;
    Session session;
    std::unique_ptr<Helper> program;
    std::string cursor;
    std::unique_ptr<NotifierHost> host;

    // Whether all of it started: the program shows its cursor and its item registered.
    bool start() {
        if (manager == nullptr || !bus.ready())
            return false;
        watcher = std::make_unique<Watcher>(bus, VOXTREL_TEST_NOTIFIER_WATCHER);
        if (!watcher->ready())
            return false;
        session.extraEnv = "DBUS_SESSION_BUS_ADDRESS=" + bus.address();
        program = std::make_unique<Helper>(session.command());
        cursor = waitForCursorWindow(program->pid());
        const std::string service = watcher->waitForItem();
        if (cursor.empty() || service.empty())
            return false;
        host = std::make_unique<NotifierHost>(bus.address(), service);
        xdotool("mousemove 1400 700");
        return true;
    }
};

TEST_F(ProgramOnX, TheNotifierItemExportsTheMainMenuAndOpensTheProgramsOwnAtTheHostsPoint) {
    ProgramWithNotifierHost started;
    ASSERT_TRUE(started.start()) << "the program's tray registers as a StatusNotifierItem";
    Helper& program = *started.program;
    NotifierHost& host = *started.host;

    // The main menu, exported for hosts that draw it themselves, item for item.
    GVariant* menuPath = host.property("Menu");
    ASSERT_NE(menuPath, nullptr);
    const std::string path = g_variant_get_string(menuPath, nullptr);
    g_variant_unref(menuPath);
    std::vector<std::pair<gint32, std::string>> items;
    ASSERT_TRUE(waitFor([&] {
        items.clear();
        GVariant* reply = host.callMenu(
            path, "GetLayout", g_variant_new("(ii@as)", 0, -1, g_variant_new_strv(nullptr, 0)));
        if (reply == nullptr)
            return false;
        GVariant* layout = g_variant_get_child_value(reply, 1);
        GVariant* children = g_variant_get_child_value(layout, 2);
        for (gsize i = 0; i < g_variant_n_children(children); ++i) {
            GVariant* child = g_variant_get_variant(g_variant_get_child_value(children, i));
            gint32 id = 0;
            GVariant* properties = nullptr;
            g_variant_get(child, "(i@a{sv}av)", &id, &properties, nullptr);
            const gchar* label = nullptr;
            const gchar* type = nullptr;
            g_variant_lookup(properties, "type", "&s", &type);
            g_variant_lookup(properties, "label", "&s", &label);
            items.emplace_back(id, type != nullptr ? type : label != nullptr ? label : "?");
        }
        g_variant_unref(reply);
        return items.size() == 8;
    })) << path;
    const std::vector<std::string> expected = {"New Cursor", "separator",   "Show All", "Hide All",
                                               "separator",  "Save Config", "Exit",     "About"};
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(items[i].second, expected[i]) << i;
    EXPECT_FALSE(waitFor([&] { return visibleWindows(program.pid()).size() >= 2; }, 1000))
        << "learning the menu showed none";
    // Clicked in the host's menu: the item's command runs.
    GVariant* clicked = host.callMenu(
        path, "Event",
        g_variant_new("(isvu)", items[0].first, "clicked", g_variant_new_int32(0), 0u));
    ASSERT_NE(clicked, nullptr);
    g_variant_unref(clicked);
    EXPECT_TRUE(waitFor([&] { return visibleWindows(program.pid()).size() == 2; }))
        << "\"New Cursor\" made a second cursor";
    ASSERT_TRUE(host.call("ContextMenu", 1200, 500));
    std::optional<Geometry> shownAt;
    EXPECT_TRUE(waitFor([&] { return (shownAt = mainMenuOf(program.pid())).has_value(); }));
    if (shownAt) {
        // Its bottom right corner at the host's point, wherever the pointer is.
        EXPECT_NEAR(shownAt->x + shownAt->width, 1200, 2);
        EXPECT_NEAR(shownAt->y + shownAt->height, 500, 2);
    }
    xdotool("key Escape");
    ASSERT_TRUE(waitFor([&] { return !mainMenuOf(program.pid()).has_value(); }));
    GVariant* closed = host.callMenu(
        path, "Event",
        g_variant_new("(isvu)", items[6].first, "clicked", g_variant_new_int32(0), 0u));
    ASSERT_NE(closed, nullptr);
    g_variant_unref(closed);
    EXPECT_TRUE(waitFor([&] { return !program.running(); })) << "\"Exit\" ended it";
}

TEST_F(ProgramOnX, TheNotifierItemOpensTheMainMenuLateOrAtOnceAndADoubleActivationShowsAll) {
    ProgramWithNotifierHost started;
    ASSERT_TRUE(started.start()) << "the program's tray registers as a StatusNotifierItem";
    Helper& program = *started.program;
    const std::string& cursor = started.cursor;
    NotifierHost& host = *started.host;
    // The main menu is the one more window the program shows beside its cursor.
    auto menuShown = [&] { return visibleWindows(program.pid()).size() >= 2; };
    auto firstSeen = [&](int limitMs) {
        const auto start = Clock::now();
        waitFor(menuShown, limitMs);
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    };

    ASSERT_TRUE(host.call("ContextMenu"));
    const auto contextDelay = firstSeen(3000);
    EXPECT_TRUE(menuShown());
    xdotool("key Escape");
    ASSERT_TRUE(waitFor([&] { return !menuShown(); }));

    ASSERT_TRUE(host.call("Activate"));
    const auto activateDelay = firstSeen(3000);
    EXPECT_TRUE(menuShown());
    // The menu takes the same time to appear both times; Activate first waits out the
    // double-click delay (400 ms), ContextMenu does not.
    EXPECT_GE(activateDelay, 350) << "Activate opens it only once no second one came";
    EXPECT_GE(activateDelay - contextDelay, 200)
        << "ContextMenu opened it at once: " << contextDelay << " ms against " << activateDelay;
    xdotool("key Escape");
    ASSERT_TRUE(waitFor([&] { return !menuShown(); }));

    ASSERT_TRUE(hideThroughItsMenu(program.pid(), cursor));
    Sleep(600);
    ASSERT_TRUE(host.call("Activate"));
    ASSERT_TRUE(host.call("Activate"));
    EXPECT_TRUE(waitFor([&] { return isViewable(cursor); }, 3000))
        << "a double activation is \"Show All\"";
    Sleep(1000);
    EXPECT_FALSE(menuShown()) << "and opens no menu";
}

TEST_F(ProgramOnX, ARightClickOnTheTrayIconLeavesTheMainMenuOpenInEveryNotificationArea) {
    const auto manager = startWindowManager();
    ASSERT_TRUE(manager != nullptr);
    for (const char* area : {"trayer", "tint2"}) {
        SCOPED_TRACE(area);
        const auto tray = std::string(area) == "trayer" ? startNotificationArea() : startPanel();
        ASSERT_TRUE(tray != nullptr);
        Session session;
        Helper program(session.command());
        const std::string cursor = waitForCursorWindow(program.pid());
        ASSERT_FALSE(cursor.empty());
        const auto icon = trayIconOf(program.pid());
        ASSERT_TRUE(icon.has_value()) << "the tray icon shows";

        // A hand's click: the menu opens on the press and stays once the button is let go.
        clickAt(icon->centerX(), icon->centerY(), 3);
        Sleep(800);
        const auto menu = mainMenuOf(program.pid());
        ASSERT_TRUE(menu.has_value()) << "the main menu stays open after the release";

        // Its items are chosen with the left button: a right click on "New Cursor" neither
        // chooses it nor closes the menu.
        xdotool("mousemove " + std::to_string(menu->centerX()) + " " +
                std::to_string(menu->y + 16));
        Sleep(300); // the item under the pointer is selected
        xdotool(handClick(3));
        Sleep(800);
        EXPECT_TRUE(mainMenuOf(program.pid()).has_value())
            << "a right click on an item neither chooses nor dismisses";
        // The left button chooses the item under the pointer: a second cursor.
        xdotool(handClick(1));
        EXPECT_TRUE(waitFor([&] {
            int cursors = 0;
            for (const std::string& window : visibleWindows(program.pid())) {
                const auto geometry = geometryOf(window);
                cursors += geometry && geometry->width == 256 && geometry->height == 256;
            }
            return cursors == 2;
        })) << "New Cursor was chosen with the left button";
        xdotool("mousemove 5 5");
    }
}

// A desktop's density: what the program's environment and the server's resources say, and how
// many screen pixels a pixel at the usual density becomes.
struct Density {
    const char* name;
    const char* environment; // VAR=value words for the program
    const char* xftDpi;      // the server's Xft.dpi resource, or null
    int factor;
};

void PrintTo(const Density& density, std::ostream* out) {
    *out << density.name;
}

class ProgramAtDensity : public ProgramOnX, public testing::WithParamInterface<Density> {};

// A cursor saved at (948, 540) with scale 0.25.
const char* const kSavedCentred =
    "22 serialization::archive 3 0 0 0 0 1 2 1 0\n0 3 1 1\n1 948 540 256 256 "
    "2.50000000000000000e-01 1 1 1 1 40030 0  6 0 0 0  0  0  0  0  0 \n";

// Pixels of the colour key (pure blue, or near it) anywhere on the screen.
int keyColouredPixels() {
    const auto shot = takeScreenshot();
    int count = 0;
    for (int y = 0; shot && y < shot->height; ++y) {
        for (int x = 0; x < shot->width; ++x) {
            const auto pixel = shot->at(x, y);
            count += pixel.blue > 200 && pixel.red < 60 && pixel.green < 60;
        }
    }
    return shot ? count : -1;
}

// Pixels of `area` that show the green test picture, lit or shaded.
int greenPixels(const Geometry& area) {
    const auto shot = takeScreenshot();
    int count = 0;
    for (int y = area.y; shot && y < area.y + area.height; ++y) {
        for (int x = area.x; x < area.x + area.width; ++x) {
            const auto pixel = shot->at(x, y);
            count +=
                pixel.green > 80 && pixel.red * 3 < pixel.green && pixel.blue * 3 < pixel.green;
        }
    }
    return count;
}

// Save Config, the fourth item of the main menu, opened from the tray icon: the file it writes.
std::optional<std::string> saveThroughTheTray(int pid, const std::string& file) {
    const auto icon = trayIconOf(pid);
    if (!icon)
        return std::nullopt;
    std::remove(file.c_str());
    if (!chooseInMenuAt(pid, icon->centerX(), icon->centerY(), 4))
        return std::nullopt;
    std::optional<std::string> saved;
    waitFor([&] { return (saved = readFile(file)) && saved->find("\n1 ") != std::string::npos; });
    return saved;
}

// The saved cursor's numbers: centre, size and scale.
struct SavedCursor {
    int centerX = 0, centerY = 0, width = 0, height = 0;
    double scale = 0;
};
std::optional<SavedCursor> savedCursorOf(const std::string& archive) {
    const auto line = archive.find("\n1 ", archive.find("\n0 3 1 1\n"));
    SavedCursor cursor;
    if (line == std::string::npos ||
        std::sscanf(archive.c_str() + line, "\n1 %d %d %d %d %lf", &cursor.centerX, &cursor.centerY,
                    &cursor.width, &cursor.height, &cursor.scale) != 5)
        return std::nullopt;
    return cursor;
}

TEST_P(ProgramAtDensity, TheSolidIsTheSameSizeToTheEyeWhereItWasSavedAndFollowsThePointer) {
    const Density density = GetParam();
    // A server of its own, 1920 x 1080, whose resources the test sets.
    const std::string display = ":" + std::to_string(900 + getpid() % 300);
    Helper server("Xvfb " + display + " -screen 0 1920x1080x24 -nolisten tcp -noreset");
    ASSERT_TRUE(waitForCommand("env DISPLAY=" + display + " xdpyinfo >/dev/null 2>&1"));
    setenv("DISPLAY", display.c_str(), 1);
    runCommand("xsetroot -solid '#c08040'");
    if (density.xftDpi != nullptr) {
        ASSERT_TRUE(
            waitForCommand("echo 'Xft.dpi: " + std::string(density.xftDpi) + "' | xrdb -merge"));
    }
    const auto tray = startNotificationArea();
    ASSERT_TRUE(tray != nullptr);
    Session session;
    session.extraEnv = density.environment;
    std::filesystem::create_directories(session.home.path() + "/.config/voxtrel");
    const std::string config = session.home.path() + "/.config/voxtrel/init.dat";
    session.home.write(".config/voxtrel/init.dat", kSavedCentred);
    // A launcher whose icon is a magenta picture, and a green picture for the faces.
    const std::string magenta = session.home.path() + "/magenta.png";
    const std::string green = session.home.path() + "/green.png";
    ASSERT_TRUE(runCommand("convert -size 32x32 xc:'#ff00ff' PNG32:'" + magenta +
                           "' && convert -size 64x64 xc:'#00c000' PNG24:'" + green + "'")
                    .has_value());
    const std::string entry = session.home.write(
        "Test App.desktop",
        "[Desktop Entry]\nType=Application\nName=Test App\nIcon=" + magenta + "\nExec=true\n");

    auto program = std::make_unique<Helper>(session.command());
    const std::string cursor = waitForCursorWindow(program->pid());
    ASSERT_FALSE(cursor.empty());
    const int side = 256 * density.factor;
    auto area = geometryOf(cursor);
    ASSERT_TRUE(area.has_value());
    EXPECT_EQ(area->width, side);
    EXPECT_EQ(area->height, side);
    EXPECT_EQ(area->x, 948 - side / 2) << "centred where it was saved, in screen pixels";
    EXPECT_EQ(area->y, 540 - side / 2);
    EXPECT_EQ(keyColouredPixels(), 0) << "nothing of the colour key shows";

    // A right click on the solid opens its menu at the pointer.
    xdotool("mousemove 968 550 " + handClick(3));
    std::optional<Geometry> menu;
    EXPECT_TRUE(waitFor([&] {
        for (const std::string& window : visibleWindows(program->pid())) {
            const auto shown = geometryOf(window);
            if (shown && window != cursor && shown->width > 64 && shown->height > 64)
                menu = shown;
        }
        return menu.has_value();
    }));
    if (menu) {
        EXPECT_EQ(menu->x, 968);
        EXPECT_EQ(menu->y, 550);
    }
    xdotool("key Escape");
    EXPECT_TRUE(waitFor([&] { return !mainMenuOf(program->pid()).has_value(); }))
        << "the menu closed";

    // A drag moves it by the pointer's distance, to the pixel.
    dragBetween(948, 540, 948 + 101, 540 - 57);
    const int cx = 948 + 101, cy = 540 - 57;
    EXPECT_TRUE(waitFor([&] {
        area = geometryOf(cursor);
        return area && area->x == cx - side / 2 && area->y == cy - side / 2;
    })) << "at "
        << area->x << "," << area->y;

    // A file dropped on the face under the pointer becomes its launcher, and shows there.
    xdotool("mousemove " + std::to_string(cx) + " " + std::to_string(cy));
    Sleep(2000); // with the pointer on it the solid slows to a crawl
    auto launcherSource = dragFileTo(entry, cx, cy, side / 2);
    IconSight icon;
    EXPECT_TRUE(waitFor([&] { return (icon = sightOf(IconColour::Magenta, *area)).pixels > 50; }))
        << "the face shows the launcher's icon";
    EXPECT_LT(std::abs(icon.x - cx) + std::abs(icon.y - cy), side / 3)
        << "on the face that was under the pointer: icon at " << icon.x << "," << icon.y;
    launcherSource.reset();

    // An image dropped on the solid textures its faces.
    auto imageSource = dragFileTo(green, cx, cy, side / 2);
    EXPECT_TRUE(waitFor([&] { return greenPixels(*area) > side * side / 8; }))
        << "the faces show the picture";
    imageSource.reset();

    // The wheel zooms: one step changes the side by about 41 pixels at the usual density.
    xdotool("mousemove " + std::to_string(cx) + " " + std::to_string(cy) + " click 4");
    // The step takes 400 ms; the window then keeps its size.
    std::optional<Geometry> zoomed, before;
    EXPECT_TRUE(waitFor([&] {
        before = zoomed;
        zoomed = geometryOf(cursor);
        Sleep(200);
        return zoomed && before && zoomed->width != side && zoomed->width == before->width;
    }));
    ASSERT_TRUE(zoomed.has_value());
    EXPECT_GE(std::abs(zoomed->width - side), 30 * density.factor);
    EXPECT_LE(std::abs(zoomed->width - side), 50 * density.factor);
    EXPECT_EQ(zoomed->x + zoomed->width / 2, cx) << "around the same centre";
    xdotool("mousemove 5 5");

    // What is saved is the size at the usual density, and a restart at another density saves
    // the very same file.
    const auto saved = saveThroughTheTray(program->pid(), config);
    ASSERT_TRUE(saved.has_value());
    const auto numbers = savedCursorOf(*saved);
    ASSERT_TRUE(numbers.has_value()) << *saved;
    EXPECT_EQ(numbers->centerX, cx);
    EXPECT_EQ(numbers->centerY, cy);
    EXPECT_EQ(numbers->width, static_cast<int>(1024 * numbers->scale));
    EXPECT_EQ(zoomed->width, static_cast<int>(1024 * numbers->scale * density.factor));
    program.reset();
    runCommand("xrdb -remove");
    session.extraEnv = density.factor == 1 ? "GDK_SCALE=2" : "";
    const int otherFactor = density.factor == 1 ? 2 : 1;
    program = std::make_unique<Helper>(session.command());
    const std::string again = waitForCursorWindow(program->pid());
    ASSERT_FALSE(again.empty());
    EXPECT_EQ(geometryOf(again)->width, static_cast<int>(1024 * numbers->scale * otherFactor));
    EXPECT_EQ(saveThroughTheTray(program->pid(), config).value_or(""), *saved)
        << "saved at " << otherFactor << "x after " << density.factor << "x";
}

INSTANTIATE_TEST_SUITE_P(Desktops, ProgramAtDensity,
                         testing::Values(Density{"GdkScale2", "GDK_SCALE=2", nullptr, 2},
                                         Density{"XftDpi192", "GDK_SCALE=1", "192", 2},
                                         Density{"Usual", "", nullptr, 1}),
                         [](const testing::TestParamInfo<Density>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
} // namespace voxtrel
