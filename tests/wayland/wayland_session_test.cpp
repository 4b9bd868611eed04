// The built program in the Wayland sessions most Linux desktops run, through their XWayland:
// GNOME Shell with the AppIndicator extension and sway, each nested in the tests' X server, so
// that xdotool drives it as a hand would. Each session runs in a mount namespace of its own
// (wayland_session.sh).
#include "tests/support/temp_dir.h"
#include "tests/support/x_server.h"

#include "platform/win32.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

namespace voxtrel {
namespace {

using namespace testing_support;

// A saved cursor centred at (300, 350): where a session must put it.
constexpr const char* kOneCursorAt300x350 =
    "22 serialization::archive 18 0 0 0 0 1 0 2 1 0\n0 3 1 1\n"
    "1 300 350 256 256 2.50000000000000000e-01 1 1 1 1 40030 0  6 0 0 0  0  0  0  0  0 \n";

class WaylandSession {
public:
    // Starts a session of `kind` (wayland_session.sh) and waits until its XWayland answers.
    // `sessionUser`, when given, runs the session (sway refuses root).
    WaylandSession(const std::string& kind, const std::string& sessionUser = "")
        : user_(sessionUser) {
        const std::string extra =
            sessionUser.empty() ? "" : "env VOXTREL_SESSION_USER=" + sessionUser;
        helper_ =
            std::make_unique<Helper>(extra + " '" VOXTREL_SESSION_SCRIPT "' " + kind + " '" +
                                     folder.path() + "' >'" + folder.path() + "/session.log' 2>&1");
        const std::string file = folder.path() + "/session.env";
        waitFor([&] { return std::filesystem::exists(file); }, 60000);
        std::istringstream lines(readFile(file).value_or(""));
        for (std::string line; std::getline(lines, line);) {
            const auto equals = line.find('=');
            if (equals != std::string::npos)
                variables_[line.substr(0, equals)] = line.substr(equals + 1);
        }
        std::filesystem::create_directories(user.path() + "/.config/voxtrel");
        // The program runs as the session's user, as the user's own programs do: a session bus
        // lets in no other user.
        if (!sessionUser.empty())
            runCommand("chown -R " + sessionUser + " '" + user.path() + "'");
    }
    ~WaylandSession() {
        // The session's own processes may have left the group the helper ends (su starts its
        // command apart): whatever still runs from its folder, or as its user, goes too.
        helper_.reset();
        runCommand("pkill -KILL -f '" + folder.path() + "'");
        if (!user_.empty())
            runCommand("pkill -KILL -u " + user_);
        if (::testing::Test::HasFailure()) {
            std::cerr << "The session's log:\n"
                      << readFile(folder.path() + "/session.log").value_or("") << "\n"
                      << readFile(folder.path() + "/shell.log").value_or("") << "\n"
                      << "The stand-in system bus's log:\n"
                      << readFile(folder.path() + "/system-bus.log").value_or("") << "\n"
                      << "The program's standard error:\n"
                      << readFile(user.path() + "/stderr.log").value_or("");
        }
    }
    bool ready() const { return variables_.count("DISPLAY") != 0; }
    const std::string& variable(const std::string& name) { return variables_[name]; }

    // A command with the session's environment, as its desktop starts programs.
    std::string inSession(const std::string& command) const {
        std::string line = "env -u APPDATA HOME='" + user.path() + "'";
        for (const auto& [name, value] : variables_)
            line += " " + name + "='" + value + "'";
        return line + " " + command;
    }
    std::string program(const std::string& arguments = "") const {
        const std::string asUser = user_.empty() ? ""
                                                 : "setpriv --reuid=" + user_ +
                                                       " --regid=" + user_ + " --clear-groups env ";
        return inSession(asUser +
                         "VOXTREL_DISPLAY=x11 ASAN_OPTIONS=detect_leaks=0 '" VOXTREL_PROGRAM "' " +
                         arguments + " 2>>'" + user.path() + "/stderr.log'");
    }
    // The program's windows of a cursor's size that show, on the session's X display: mapped,
    // and not minimised (mutter keeps a minimised window mapped).
    std::vector<Geometry> cursors(int pid) const {
        std::vector<Geometry> found;
        for (const auto& [window, g] : mappedWindows(pid)) {
            if (g.width >= 100 && g.width == g.height &&
                runCommand(inSession("xprop -id " + window + " _NET_WM_STATE"))
                        .value_or("")
                        .find("_HIDDEN") == std::string::npos)
                found.push_back(g);
        }
        return found;
    }
    // The program's menus that show: its mapped windows larger than an icon and not square.
    std::vector<Geometry> menus(int pid) const {
        std::vector<Geometry> found;
        for (const auto& [window, g] : mappedWindows(pid))
            if (g.width > 64 && g.height > 64 && g.width != g.height)
                found.push_back(g);
        return found;
    }
    // The program's window centred at (x, y).
    std::string windowCentredAt(int pid, int x, int y) const {
        for (const auto& [window, g] : mappedWindows(pid)) {
            if (g.centerX() == x && g.centerY() == y)
                return window;
        }
        return {};
    }

    TempDir folder;
    TempDir user;

private:
    // The program's mapped windows on the session's X display, with where they stand.
    std::vector<std::pair<std::string, Geometry>> mappedWindows(int pid) const {
        std::vector<std::pair<std::string, Geometry>> found;
        for (const std::string& window : outputLines(runCommand(inSession(
                 "xdotool search --onlyvisible --pid " + std::to_string(pid) + " 2>/dev/null")))) {
            const auto shell = runCommand(inSession("xdotool getwindowgeometry --shell " + window));
            Geometry g;
            if (shell && std::sscanf(shell->c_str(), "WINDOW=%*d\nX=%d\nY=%d\nWIDTH=%d\nHEIGHT=%d",
                                     &g.x, &g.y, &g.width, &g.height) == 4)
                found.emplace_back(window, g);
        }
        return found;
    }

    std::string user_;
    std::map<std::string, std::string> variables_;
    std::unique_ptr<Helper> helper_;
};

bool isRoot() {
    return geteuid() == 0;
}

bool installed(const std::string& command) {
    return !runCommand("command -v " + command).value_or("").empty();
}

// GNOME Shell's top bar, nested at the corner of the tests' X server (800 x 600): the
// program's icon stands left of the system menu, and the shell draws the exported main menu
// under it, one line for each item.
constexpr int kTrayIconX = 730;
constexpr int kTrayIconY = 15;
constexpr int kMenuItemX = 650;
int menuItemY(int position) { // New Cursor, Show All, Hide All, Save Config, Exit
    constexpr int kRows[] = {63, 111, 147, 197, 232};
    return kRows[position];
}

// Whether the solid centred at (x, y) on the outer screen (the nested session's output lies at
// its top-left) shows three quarters opaque: its brightest red no brighter than white at 192 of
// 255 over what lies beneath, which the window's transparent corner shows. The pointer must be
// away: the shell draws it white.
bool translucentAt(int x, int y, std::string& seen) {
    const auto shot = takeScreenshot();
    if (!shot)
        return false;
    const int beneath = shot->at(x - 120, y - 120).red;
    int brightest = 0;
    for (int row = y - 100; row < y + 100; ++row)
        for (int column = x - 100; column < x + 100; ++column)
            brightest = std::max(brightest, shot->at(column, row).red);
    seen = "brightest red " + std::to_string(brightest) + " over " + std::to_string(beneath);
    return brightest > beneath + 40 && brightest <= (255 * 192 + beneath * 63) / 255 + 4;
}

void chooseInTrayMenu(int position) {
    ASSERT_TRUE(clickAt(kTrayIconX, kTrayIconY));
    Sleep(800);
    ASSERT_TRUE(clickAt(kMenuItemX, menuItemY(position)));
    Sleep(500);
    xdotool("mousemove 790 590");
}

TEST(WaylandSessions, GnomeShellShowsTheTrayMenuAndTheSolidDragsHidesAndStaysOnTop) {
    if (useTestXServer().empty())
        GTEST_SKIP() << "no test X server (scripts/test starts one)";
    if (!isRoot() || !installed("gnome-shell"))
        GTEST_SKIP() << "needs root (a mount namespace) and gnome-shell (scripts/test installs it)";
    WaylandSession session("gnome");
    ASSERT_TRUE(session.ready()) << "GNOME Shell did not start";
    // The shell starts in its overview: a click on the desktop and Escape close it.
    ASSERT_TRUE(clickAt(400, 300));
    xdotool("key Escape");
    Sleep(1000);
    session.user.write(".config/voxtrel/init.dat", kOneCursorAt300x350);
    Helper program(session.program());

    // It starts, on the shell's XWayland, where it was saved.
    std::vector<Geometry> shown;
    ASSERT_TRUE(
        waitFor([&] { return (shown = session.cursors(program.pid())).size() == 1; }, 20000));
    EXPECT_EQ(shown[0].centerX(), 300);
    EXPECT_EQ(shown[0].centerY(), 350);
    xdotool("mousemove 790 590");
    std::string seen;
    EXPECT_TRUE(waitFor([&] { return translucentAt(300, 350, seen); }))
        << "three quarters opaque: " << seen;

    // The shell draws the main menu from the tray icon; its items run.
    chooseInTrayMenu(0);
    EXPECT_TRUE(waitFor([&] { return session.cursors(program.pid()).size() == 2; }))
        << "New Cursor";
    chooseInTrayMenu(2);
    EXPECT_TRUE(waitFor([&] { return session.cursors(program.pid()).empty(); })) << "Hide All";
    chooseInTrayMenu(1);
    EXPECT_TRUE(waitFor([&] { return session.cursors(program.pid()).size() == 2; })) << "Show All";
    chooseInTrayMenu(3);
    const std::string saved = session.user.path() + "/.config/voxtrel/init.dat";
    EXPECT_TRUE(waitFor([&] {
        return readFile(saved).value_or("").find(" 0 2 0 2 1 0\n") != std::string::npos;
    })) << "Save Config: "
        << readFile(saved).value_or("(none)");

    // The first cursor, away from the second (at the screen's centre), high enough for its menu
    // to open downwards: the shell drags it as far as the pointer goes, and the centre the
    // program saves is where the shell put it.
    ASSERT_TRUE(dragBetween(300, 350, 150, 200));
    EXPECT_TRUE(waitFor([&] {
        for (const Geometry& g : session.cursors(program.pid()))
            if (g.centerX() == 150 && g.centerY() == 200)
                return true;
        return false;
    })) << "dragged by (-150, -150)";
    ASSERT_EQ(runCommand("timeout -s KILL 10 " + session.program("--save") + "; echo $?"), "0\n");
    EXPECT_TRUE(waitFor([&] {
        return readFile(saved).value_or("").find("\n1 150 200 ") != std::string::npos;
    })) << readFile(saved).value_or("(none)");

    // Hidden and shown again through the command line: withdrawn (mutter minimises no window
    // kept out of the taskbar), then mapped again, above the others still.
    const std::string window = session.windowCentredAt(program.pid(), 150, 200);
    ASSERT_FALSE(window.empty());
    EXPECT_EQ(runCommand("timeout -s KILL 10 " + session.program("--hide-all") + "; echo $?"),
              "0\n");
    EXPECT_TRUE(waitFor([&] { return session.cursors(program.pid()).empty(); }));
    EXPECT_EQ(runCommand("timeout -s KILL 10 " + session.program("--show-all") + "; echo $?"),
              "0\n");
    EXPECT_TRUE(waitFor([&] { return session.cursors(program.pid()).size() == 2; }));
    xdotool("mousemove 790 590");
    EXPECT_TRUE(waitFor([&] { return translucentAt(150, 200, seen); }))
        << "translucent once shown again: " << seen;
    EXPECT_NE(runCommand(session.inSession("xprop -id " + window + " _NET_WM_STATE"))
                  .value_or("")
                  .find("_ABOVE"),
              std::string::npos);

    chooseInTrayMenu(4);
    EXPECT_TRUE(waitFor([&] { return !program.running(); })) << "Exit";
}

// swaybar at the top of sway's 1280 x 800 output, nested at the corner of the tests' X server:
// the tray's one icon at its right end.
constexpr int kSwaybarIconX = 1268;
constexpr int kSwaybarIconY = 11;

TEST(WaylandSessions, SwayFloatsTheSolidAtItsOwnSizeTheTrayAndTheCommandsReachIt) {
    if (useTestXServer().empty())
        GTEST_SKIP() << "no test X server (scripts/test starts one)";
    if (!isRoot() || !installed("sway"))
        GTEST_SKIP() << "needs root (a mount namespace, a user of its own) and sway";
    // sway refuses to run as root: a user of the test's own runs it.
    const std::string user = "voxtrel-session";
    ASSERT_TRUE(runCommand("id -u " + user + " >/dev/null 2>&1 || useradd -M -s /bin/false " + user)
                    .has_value());
    WaylandSession session("sway", user);
    ASSERT_TRUE(session.ready()) << "sway did not start";
    Helper program(session.program());
    auto floating = [&] {
        const std::string tree = runCommand(session.inSession("swaymsg -t get_tree")).value_or("");
        std::size_t count = 0;
        for (std::size_t at = tree.find("\"floating_con\""); at != std::string::npos;
             at = tree.find("\"floating_con\"", at + 1))
            ++count;
        return count;
    };
    EXPECT_TRUE(waitFor([&] { return session.cursors(program.pid()).size() == 1; }, 20000))
        << "the solid at its own size, not stretched over the screen";
    EXPECT_EQ(floating(), 1u) << "floating, not tiled";

    // sway takes no move from a client: the drag is sway's own, and the centre the program
    // saves is where sway put the solid.
    const std::vector<Geometry> placed = session.cursors(program.pid());
    ASSERT_EQ(placed.size(), 1u);
    const int x = placed[0].centerX() - 200, y = placed[0].centerY() - 150;
    ASSERT_TRUE(dragBetween(placed[0].centerX(), placed[0].centerY(), x, y));
    EXPECT_TRUE(waitFor([&] {
        const auto shown = session.cursors(program.pid());
        return shown.size() == 1 && shown[0].centerX() == x && shown[0].centerY() == y;
    })) << "dragged by (-200, -150)";
    EXPECT_EQ(runCommand("timeout -s KILL 10 " + session.program("--save") + "; echo $?"), "0\n");
    const std::string saved = session.user.path() + "/.config/voxtrel/init.dat";
    EXPECT_TRUE(waitFor([&] {
        return readFile(saved).value_or("").find("\n1 " + std::to_string(x) + " " +
                                                 std::to_string(y) + " ") != std::string::npos;
    })) << readFile(saved).value_or("(none)");

    // swaybar's tray shows the program's icon at the bar's right end; a right click there opens
    // the program's own main menu at the icon (swaybar draws no menu), whose first item makes a
    // new cursor. Chosen with the keys: under sway's XWayland a click inside the menu reaches it
    // at twice its offset from the menu's corner, though the pointer's motion is right.
    ASSERT_TRUE(clickAt(kSwaybarIconX, kSwaybarIconY, 3));
    std::vector<Geometry> menu;
    ASSERT_TRUE(waitFor([&] { return (menu = session.menus(program.pid())).size() == 1; }))
        << "the main menu at the tray icon";
    EXPECT_GT(menu[0].x + menu[0].width, kSwaybarIconX - 40);
    EXPECT_LT(menu[0].y, kSwaybarIconY + 40);
    Sleep(300);
    xdotool("key Down");
    xdotool("key Return");
    EXPECT_TRUE(waitFor([&] { return session.cursors(program.pid()).size() == 2; }))
        << "New Cursor";
    EXPECT_EQ(runCommand("timeout -s KILL 10 " + session.program("--new-cursor") + "; echo $?"),
              "0\n");
    EXPECT_TRUE(waitFor([&] { return session.cursors(program.pid()).size() == 3; }));
    EXPECT_EQ(floating(), 3u);
    EXPECT_EQ(runCommand("timeout -s KILL 10 " + session.program("--hide-all") + "; echo $?"),
              "0\n");
    EXPECT_TRUE(waitFor([&] { return session.cursors(program.pid()).empty(); })) << "Hide All";
    EXPECT_EQ(runCommand("timeout -s KILL 10 " + session.program("--show-all") + "; echo $?"),
              "0\n");
    EXPECT_TRUE(waitFor([&] { return session.cursors(program.pid()).size() == 3; })) << "Show All";
    EXPECT_EQ(runCommand("timeout -s KILL 10 " + session.program("--exit") + "; echo $?"), "0\n");
    EXPECT_TRUE(waitFor([&] { return !program.running(); }));
}

} // namespace
} // namespace voxtrel
