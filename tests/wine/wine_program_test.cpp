// voxtrel.exe, the Windows program, under Wine as a user starts and uses it: a clean first
// start, frames that animate with only the solid visible and clickable, the tray icon and both
// menus, zoom, new cursors, saved cursors that all start, a damaged configuration, and the same
// configuration file as the Linux program writes.
#include "tests/wine/wine_session.h"

#include "config/archive.h"
#include "cursor/frame_rules.h"
#include "registry/desktop.h"
#include "tests/support/file_drag.h"
#include "tests/support/fixed_screen.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

namespace voxtrel {
namespace {

using namespace testing_support;
using Clock = std::chrono::steady_clock;

// The desktop behind every window: a colour no frame of a grey solid has.
const Screenshot::Pixel DESKTOP{0x40, 0x60, 0x80};
constexpr int MAIN_NEW_CURSOR = 1, MAIN_SAVE_CONFIG = 4, MAIN_EXIT = 5;
constexpr int PROPERTY_CLOSE = 8;
constexpr int EXIT_LIMIT_MS = 5000;

std::string configPath() {
    return wineDataFolder() + "/init.dat";
}

void writeText(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// A configuration as the Linux program saves it: `count` small cursors in a row, every other
// one a tetrahedron with a launcher.
std::string linuxConfiguration(int count) {
    useFixedScreen();
    Desktop registry;
    for (int i = 0; i < count; ++i) {
        auto* entry = new CursorThread;
        Cursor& cursor = *entry->cursor;
        cursor.scale = 0.125;
        cursor.width = cursor.height = sideForScale(cursor.scale);
        cursor.centerX = 100 + 150 * (i % 8);
        cursor.centerY = 200 + 300 * (i / 8);
        if (i % 2 == 1) {
            cursor.shape = SHAPE_TETRAHEDRON;
            cursor.launches[1].assign("C:\\windows\\notepad.exe");
        }
        registry.threads.push_back(entry);
    }
    const std::string text = writeArchive(registry);
    registry.discardUnstarted();
    return text;
}

// One default cube saved at (x, y), as the Linux program saves it.
std::string oneCursorConfiguration(int x, int y) {
    useFixedScreen();
    Desktop registry;
    auto* entry = new CursorThread;
    entry->cursor->centerX = x;
    entry->cursor->centerY = y;
    registry.threads.push_back(entry);
    const std::string text = writeArchive(registry);
    registry.discardUnstarted();
    return text;
}

// Wine's density, its LogPixels setting, for the life of the object: each Wine process reads
// it when it starts. The usual 96 dots per inch again afterwards.
struct WineDensity {
    explicit WineDensity(int dotsPerInch) { set(dotsPerInch); }
    ~WineDensity() { set(96); }
    static void set(int dotsPerInch) {
        runCommand("wine reg add 'HKCU\\Control Panel\\Desktop' /v LogPixels /t REG_DWORD /d " +
                   std::to_string(dotsPerInch) + " /f >/dev/null 2>&1; wineserver -w");
    }
};

int differingPixels(const Screenshot& a, const Screenshot& b, const Geometry& area) {
    int differing = 0;
    for (int y = area.y; y < area.y + area.height; ++y)
        for (int x = area.x; x < area.x + area.width; ++x)
            differing += a.at(x, y) == b.at(x, y) ? 0 : 1;
    return differing;
}

class WineProgramTest : public testing::Test {
protected:
    void SetUp() override {
        if (!useWineSession())
            GTEST_SKIP() << "no Wine session (scripts/test prepares one)";
        std::filesystem::remove_all(wineDataFolder());
        std::system("xsetroot -solid '#406080'");
        xdotool("mousemove 1270 1010");
        // A desktop's notification area: Wine docks the tray icon there.
        tray = startNotificationArea();
        ASSERT_TRUE(tray);
    }

    // Ends the program through its menu, as a user does, within the time a user waits.
    void exitThroughMenu(WineProgram& program) {
        ASSERT_TRUE(openMainMenu());
        const auto start = Clock::now();
        chooseMenuItem(MAIN_EXIT);
        EXPECT_TRUE(program.waitForExit(EXIT_LIMIT_MS)) << "Exit ends the program within 5 s";
        const auto taken =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
        EXPECT_LT(taken.count(), EXIT_LIMIT_MS);
        EXPECT_EQ(program.log().find("Unhandled"), std::string::npos) << program.log();
    }

    std::unique_ptr<Helper> tray;
};

TEST_F(WineProgramTest, AFirstStartShowsOneAnimatedSolidWhoseBackdropIsInvisibleAndClickedThrough) {
    WineProgram program;
    const auto cursors = waitForCursors(1);
    ASSERT_EQ(cursors.size(), 1u) << program.log();
    EXPECT_FALSE(windowNamed("Load Config...")) << "a clean first start shows no box";
    const Geometry area = *geometryOf(cursors[0]);
    EXPECT_EQ(area.width, 256);

    const auto first = takeScreenshot();
    pause(500);
    const auto second = takeScreenshot();
    ASSERT_TRUE(first && second);
    EXPECT_GT(differingPixels(*first, *second, area), 500) << "the solid spins";
    // The corners of the window show the desktop; its middle, the solid.
    EXPECT_EQ(second->at(area.x + 2, area.y + 2), DESKTOP);
    EXPECT_EQ(second->at(area.x + area.width - 3, area.y + area.height - 3), DESKTOP);
    EXPECT_FALSE(second->at(area.centerX(), area.centerY()) == DESKTOP);

    // A press where the window is transparent goes to what lies beneath: no property menu.
    clickAt(area.x + 3, area.y + 3, 3);
    pause(700);
    EXPECT_FALSE(menuWindow()) << "the backdrop took the click";
    clickAt(area.centerX(), area.centerY(), 3);
    ASSERT_TRUE(waitFor([] { return menuWindow().has_value(); }, 5000)) << "the property menu";
    xdotool("key Escape");
    ASSERT_TRUE(waitFor([] { return !menuWindow(); }, 5000));

    // The wheel turned towards the user over the solid grows it. Windows before 10, and Wine,
    // send the wheel to the active window: a left click on the solid activates it first.
    clickAt(area.centerX(), area.centerY(), 1);
    xdotool("sleep 0.2 " + handClick(5));
    EXPECT_TRUE(waitFor([&] {
        const auto now = geometryOf(cursors[0]);
        return now && now->width > area.width;
    }));

    // The property menu's "Close" ends this cursor; the program runs on with its tray icon.
    const auto zoomed = *geometryOf(cursors[0]);
    clickAt(zoomed.centerX(), zoomed.centerY(), 3);
    ASSERT_TRUE(waitFor([] { return menuWindow().has_value(); }, 5000));
    chooseMenuItem(PROPERTY_CLOSE);
    EXPECT_TRUE(waitFor([] { return cursorWindows().empty(); }));
    EXPECT_TRUE(program.running());
    exitThroughMenu(program);
}

TEST_F(WineProgramTest, TheTrayIconShowsTheProgramsPictureAndItsMenuMakesAndSavesCursors) {
    WineProgram program;
    ASSERT_EQ(waitForCursors(1).size(), 1u) << program.log();
    const auto tray = trayArea();
    ASSERT_TRUE(tray);
    const auto shot = takeScreenshot();
    ASSERT_TRUE(shot);
    // The program's icon is a blue solid on a transparent ground: its cell holds blue pixels.
    int blue = 0;
    for (int y = tray->y; y < tray->y + tray->height; ++y)
        for (int x = tray->x; x < tray->x + tray->height; ++x) {
            const auto pixel = shot->at(x, y);
            blue += pixel.blue > pixel.red + 40 && pixel.blue > pixel.green + 20 ? 1 : 0;
        }
    EXPECT_GT(blue, 20) << "the tray icon shows the program's image";

    ASSERT_TRUE(openMainMenu()) << "a right press opens the main menu";
    chooseMenuItem(MAIN_NEW_CURSOR);
    EXPECT_EQ(waitForCursors(2).size(), 2u) << "New Cursor";

    ASSERT_TRUE(openMainMenu());
    chooseMenuItem(MAIN_SAVE_CONFIG);
    const auto saved = waitForFile(configPath());
    ASSERT_TRUE(saved) << "Save Config writes init.dat in Wine's own %APPDATA%";
    // The Linux program reads what the Windows one wrote.
    useFixedScreen();
    Desktop registry;
    EXPECT_FALSE(readArchive(*saved, registry));
    EXPECT_EQ(registry.threads.size(), 2u);
    EXPECT_EQ(writeArchive(registry), *saved) << "and writes the same bytes for the same cursors";
    registry.discardUnstarted();
    exitThroughMenu(program);
}

// What Save Config wrote over an existing init.dat. The backup appears first and the new
// file takes the old one's place a moment later, so both are waited for.
std::optional<std::string> configurationSavedOver() {
    const bool both = waitFor([] {
        return std::filesystem::exists(wineDataFolder() + "/init.dat.bak") &&
               std::filesystem::exists(configPath());
    });
    return both ? readFile(configPath()) : std::nullopt;
}

TEST_F(WineProgramTest, AtTwiceTheDensityACursorIsTwiceAsLargeAroundItsSavedCentre) {
    const std::string saved = oneCursorConfiguration(600, 500);
    writeText(configPath(), saved);
    WineDensity dense(192);
    WineProgram program;
    const auto cursors = waitForCursors(1);
    ASSERT_EQ(cursors.size(), 1u) << program.log();
    const auto area = geometryOf(cursors[0]);
    ASSERT_TRUE(area);
    EXPECT_EQ(area->width, 512);
    EXPECT_EQ(area->height, 512);
    EXPECT_EQ(area->x, 600 - 256) << "around the saved centre, in screen pixels";
    EXPECT_EQ(area->y, 500 - 256);

    ASSERT_TRUE(openMainMenu());
    chooseMenuItem(MAIN_SAVE_CONFIG);
    EXPECT_EQ(configurationSavedOver(), std::optional<std::string>(saved))
        << "saved as at the usual density";
    exitThroughMenu(program);
}

// Starts with `count` saved cursors, ten times: every cursor shows its solid, nothing crashes.
void startsWithSavedCursors(int count) {
    const std::string linux = linuxConfiguration(count);
    for (int run = 0; run < 10; ++run) {
        writeText(configPath(), linux);
        WineProgram program;
        const auto cursors = waitForCursors(static_cast<std::size_t>(count));
        ASSERT_EQ(cursors.size(), static_cast<std::size_t>(count)) << "run " << run << "\n"
                                                                   << program.log();
        ASSERT_TRUE(waitFor([&] {
            const auto shot = takeScreenshot();
            for (const std::string& window : cursors) {
                const auto area = geometryOf(window);
                if (!shot || !area || shot->at(area->centerX(), area->centerY()) == DESKTOP)
                    return false;
            }
            return true;
        })) << "run "
            << run << ": every cursor shows its solid";
        // And every one of them goes on spinning: none hangs.
        const auto before = takeScreenshot();
        pause(400);
        const auto after = takeScreenshot();
        ASSERT_TRUE(before && after);
        for (const std::string& window : cursors)
            EXPECT_GT(differingPixels(*before, *after, *geometryOf(window)), 50)
                << "run " << run << ": cursor " << window << " spins";
        EXPECT_TRUE(program.running()) << program.log();
        if (run == 0) {
            // Saved again by the Windows program, the configuration is the same to the byte.
            ASSERT_TRUE(openMainMenu());
            chooseMenuItem(MAIN_SAVE_CONFIG);
            EXPECT_EQ(configurationSavedOver(), std::optional<std::string>(linux));
        }
        ASSERT_TRUE(openMainMenu());
        chooseMenuItem(MAIN_EXIT);
        EXPECT_TRUE(program.waitForExit(EXIT_LIMIT_MS)) << "run " << run;
        EXPECT_EQ(program.log().find("Unhandled"), std::string::npos) << program.log();
    }
}

TEST_F(WineProgramTest, OneProgramRunsAndEveryLaterStartOrCommandReachesIt) {
    WineProgram program;
    ASSERT_EQ(waitForCursors(1).size(), 1u) << program.log();

    WineRun run = runWineProgram("--hide-all");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(waitFor([] { return cursorWindows().empty(); }, 10000));
    // A plain start ends at once and the running program shows its cursors.
    run = runWineProgram("");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(waitForCursors(1).size(), 1u);
    EXPECT_EQ(programProcesses(), 1);

    run = runWineProgram("--new-cursor");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(waitForCursors(2).size(), 2u);
    run = runWineProgram("--save");
    EXPECT_EQ(run.status, 0) << run.output;
    // Answered once the file is written.
    std::ifstream saved(configPath());
    Desktop registry;
    const std::string text((std::istreambuf_iterator<char>(saved)), {});
    EXPECT_FALSE(readArchive(text, registry).has_value()) << text;
    EXPECT_EQ(registry.threads.size(), 2u);
    registry.discardUnstarted();

    run = runWineProgram("--version");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, std::string("voxtrel ") + VOXTREL_VERSION + "\n");
    // In a console, which speaks its own code page, a word outside the ANSI one is said whole.
    const std::string word = "--r\xc3\xa9sum\xc3\xa9\xe2\x9c\x93";
    const std::string typed = typedInATerminal(word);
    EXPECT_NE(typed.find("unknown option '" + word + "'"), std::string::npos) << typed;
    run = runWineProgram("--exit");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(program.waitForExit(EXIT_LIMIT_MS)) << program.log();
    run = runWineProgram("--exit");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("Voxtrel is not running"), std::string::npos) << run.output;

    // Two starts at once: one runs the saved cursors, the other ends.
    WineProgram first;
    WineProgram second;
    EXPECT_TRUE(waitFor([&] { return !first.running() || !second.running(); }, 20000));
    EXPECT_EQ(waitForCursors(2).size(), 2u) << "each saved cursor once";
    EXPECT_EQ(programProcesses(), 1);
    EXPECT_EQ(runWineProgram("--exit").status, 0);
    EXPECT_TRUE(first.waitForExit(EXIT_LIMIT_MS)) << first.log();
    EXPECT_TRUE(second.waitForExit(EXIT_LIMIT_MS)) << second.log();
}

TEST_F(WineProgramTest, UnderAWindowManagerEightCursorsStillDragAMinuteAndAHalfLater) {
    const auto manager = startWindowManager();
    ASSERT_TRUE(manager);
    writeText(configPath(), linuxConfiguration(8));
    WineProgram program;
    const auto cursors = waitForCursors(8);
    ASSERT_EQ(cursors.size(), 8u) << program.log();
    // Cursors that took the focus had Wine rewrite their hints for the manager at every frame,
    // until the manager took no more input after about 70 s.
    pause(90000);
    // Twice: the click of the first drag activates the cursor, which Wine then hands to the
    // manager; a hand's next drag comes a moment later.
    for (const int down : {300, -200}) {
        pause(1000);
        const auto before = geometryOf(cursors[3]);
        ASSERT_TRUE(before);
        ASSERT_TRUE(dragBetween(before->centerX(), before->centerY(), before->centerX() + 60,
                                before->centerY() + down));
        Geometry after;
        EXPECT_TRUE(waitFor(
            [&] {
                after = geometryOf(cursors[3]).value_or(Geometry{});
                return after.x == before->x + 60 && after.y == before->y + down;
            },
            5000))
            << "the cursor follows the drag from " << before->x << "," << before->y << " to "
            << after.x << "," << after.y;
    }
    EXPECT_TRUE(manager->running());
    EXPECT_EQ(runWineProgram("--exit").status, 0);
    EXPECT_TRUE(program.waitForExit(EXIT_LIMIT_MS)) << program.log();
}

TEST_F(WineProgramTest, AnImageNamedOutsideTheAnsiCodePageTexturesTheSolidAndStaysSaved) {
    // The program's icon as a picture of that name, the background of one large cube.
    const std::string name = "R\xc3\xa9sum\xc3\xa9 \xe2\x9c\x93.png";
    // %USERPROFILE%, three folders above the configuration's.
    const std::filesystem::path profile =
        std::filesystem::path(wineDataFolder()).parent_path().parent_path().parent_path();
    std::filesystem::copy_file(VOXTREL_ICON_PICTURE, profile / name,
                               std::filesystem::copy_options::overwrite_existing);
    const std::string image = "C:\\users\\" + profile.filename().string() + "\\" + name;
    const std::string saved = "22 serialization::archive 18 0 0 0 0 1 0 2 1 0\n0 3 1 1\n1 640 512 "
                              "512 512 5.00000000000000000e-01 1 1 1 1 40030 " +
                              std::to_string(image.size()) + " " + image +
                              " 6 0 0 0  0  0  0  0  0 \n";
    writeText(configPath(), saved);
    WineProgram program;
    ASSERT_EQ(waitForCursors(1).size(), 1u) << program.log();
    pause(1000);
    const auto screen = takeScreenshot();
    ASSERT_TRUE(screen);
    // Untextured, the faces are grey; the picture is dark blue.
    int blue = 0;
    for (int y = 412; y < 612; y += 10)
        for (int x = 540; x < 740; x += 10) {
            const auto pixel = screen->at(x, y);
            blue += pixel.blue > pixel.red + 30 && !(pixel == DESKTOP) ? 1 : 0;
        }
    // Untextured, none; textured, a fifth at least, whatever the faces' turn and light.
    EXPECT_GT(blue, 80) << "the faces show the picture";
    EXPECT_EQ(runWineProgram("--save").status, 0);
    EXPECT_EQ(readFile(configPath()).value_or(""), saved) << "its name saved as it was";
    EXPECT_EQ(runWineProgram("--exit").status, 0);
    EXPECT_TRUE(program.waitForExit(EXIT_LIMIT_MS));
}

TEST_F(WineProgramTest, AFileNamedOutsideTheAnsiCodePageIsDroppedKeptAndOpenedWhole) {
    // Settings, of a type Wine opens in Notepad.
    const std::string name = "R\xc3\xa9glages \xe2\x9c\x93.ini";
    const std::filesystem::path profile =
        std::filesystem::path(wineDataFolder()).parent_path().parent_path().parent_path();
    writeText((profile / name).string(), "[view]\r\nsize=2\r\n");
    const std::string whole = "C:\\users\\" + profile.filename().string() + "\\" + name;
    writeText(configPath(), oneCursorConfiguration(640, 512));
    std::string launch;
    {
        WineProgram program;
        const auto cursors = waitForCursors(1);
        ASSERT_EQ(cursors.size(), 1u) << program.log();
        const auto area = geometryOf(cursors[0]);
        ASSERT_TRUE(area);
        const auto source =
            dragFileTo((profile / name).string(), area->centerX(), area->centerY(), 128);
        Desktop saved;
        ASSERT_TRUE(waitFor([&] {
            saved.discardUnstarted();
            saved.threads.clear();
            if (runWineProgram("--save").status != 0)
                return false;
            const auto text = readFile(configPath());
            if (!text || readArchive(*text, saved) || saved.threads.size() != 1)
                return false;
            for (const Launch& slot : saved.threads.front()->cursor->launches)
                launch = slot.empty() ? launch : slot.path;
            return !launch.empty();
        })) << "the drop gives a face its launcher";
        saved.discardUnstarted();
        EXPECT_EQ(launch, whole) << "the dropped file saved by its whole name";
        EXPECT_EQ(runWineProgram("--exit").status, 0);
        EXPECT_TRUE(program.waitForExit(EXIT_LIMIT_MS));
    }
    // Every face opens the file, so that a double-click opens it whichever face it meets.
    useFixedScreen();
    Desktop registry;
    auto* entry = new CursorThread;
    entry->cursor->centerX = 640;
    entry->cursor->centerY = 512;
    for (Launch& slot : entry->cursor->launches)
        slot.assign(launch.c_str());
    registry.threads.push_back(entry);
    writeText(configPath(), writeArchive(registry));
    registry.discardUnstarted();
    WineProgram program;
    ASSERT_EQ(waitForCursors(1).size(), 1u) << program.log();
    pause(1000);
    ASSERT_TRUE(doubleClickAt(640, 512));
    // Notepad shows "Untitled" until it has read the file.
    std::string opened;
    EXPECT_TRUE(waitFor([&] {
        for (const std::string& window :
             outputLines(runCommand("xdotool search --onlyvisible --name Notepad 2>/dev/null")))
            opened = runCommand("xdotool getwindowname " + window).value_or("");
        return opened.find(name) != std::string::npos;
    })) << "a double-click opens the file in its program: "
        << opened;
    EXPECT_EQ(runWineProgram("--exit").status, 0);
    EXPECT_TRUE(program.waitForExit(EXIT_LIMIT_MS));
}

TEST_F(WineProgramTest, TwoSavedCursorsStartEveryTime) {
    startsWithSavedCursors(2);
}

TEST_F(WineProgramTest, EightSavedCursorsStartEveryTime) {
    startsWithSavedCursors(8);
}

TEST_F(WineProgramTest, ADamagedConfigurationIsReportedAndOneCursorStarts) {
    writeText(configPath(), "22 serialization::archive 18 0 0 0 0 5 0 2 1 0 0 3");
    WineProgram program;
    ASSERT_TRUE(waitFor([] { return windowNamed("Load Config...").has_value(); }, 20000))
        << program.log();
    // Its one button, OK, in the middle of its bottom edge.
    const auto box = geometryOf(*windowNamed("Load Config..."));
    ASSERT_TRUE(box);
    clickAt(box->centerX(), box->y + box->height - 21, 1);
    EXPECT_EQ(waitForCursors(1).size(), 1u);
    EXPECT_FALSE(windowNamed("Load Config..."));
    exitThroughMenu(program);
}

TEST_F(WineProgramTest, WithoutOpenGLContextsACursorSaysSoOnceAndTheProgramRunsOn) {
    writeText(configPath(), linuxConfiguration(2));
    WineProgram program(std::string("LD_LIBRARY_PATH=") + VOXTREL_OSMESA_WITHOUT_GL);
    ASSERT_TRUE(waitFor([] { return windowNamed("Cursor Error").has_value(); }, 20000))
        << program.log();
    const std::string first = *windowNamed("Cursor Error");
    const auto box = geometryOf(first);
    ASSERT_TRUE(box);
    // A box from a thread without a window may take a first click to become active.
    for (int click = 0; click < 3 && windowNamed("Cursor Error") == first; ++click) {
        clickAt(box->centerX(), box->y + box->height - 21, 1);
        pause(500);
    }
    pause(1500);
    EXPECT_FALSE(windowNamed("Cursor Error")) << "one message, not one per cursor";
    EXPECT_TRUE(cursorWindows().empty()) << "the cursors that cannot draw have closed";
    EXPECT_TRUE(program.running()) << program.log();
    exitThroughMenu(program);
}

} // namespace
} // namespace voxtrel
