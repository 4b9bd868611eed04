// The Windows program (voxtrel.exe) under Wine on the tests' Wine X server, driven as a user
// would: xdotool with clicks held as a hand holds them, screenshots, and the configuration in
// the Wine prefix's own %APPDATA%.
#pragma once

#include "tests/support/x_server.h"

#include <optional>
#include <string>
#include <vector>

namespace voxtrel::testing_support {

// The Wine X server and prefix that scripts/test prepared; false when there are none.
bool useWineSession();

// %APPDATA%\voxtrel of the Wine prefix, as a Linux path.
std::string wineDataFolder();

// voxtrel.exe, started under Wine; ended (and the prefix's Wine processes with it) when the
// object goes.
class WineProgram {
public:
    // `environment`: more VAR=value words for Wine; `program`: another voxtrel.exe (a Linux
    // path, or a Windows one in the prefix).
    explicit WineProgram(const std::string& environment = "",
                         const std::string& program = VOXTREL_WINDOWS_PROGRAM);
    ~WineProgram();
    WineProgram(const WineProgram&) = delete;
    WineProgram& operator=(const WineProgram&) = delete;

    bool running() const;
    // Waits until the program has ended by itself; false after `limitMs`.
    bool waitForExit(int limitMs);
    // What Wine and the program printed (crash reports among it).
    std::string log() const;

private:
    int pid_ = -1;
    std::string logPath_;
    mutable bool ended_ = false;
};

// voxtrel.exe started with `arguments` beside whatever runs, waited for up to `limitMs`: its
// exit status (-1 when it did not end in time) and what it printed.
struct WineRun {
    int status = -1;
    std::string output;
};
WineRun runWineProgram(const std::string& arguments, int limitMs = 30000);

// What a terminal shows of voxtrel.exe typed there with `arguments`: its output then goes to a
// console, as from a command prompt.
std::string typedInATerminal(const std::string& arguments, int limitMs = 30000);

// How many voxtrel.exe processes run in the prefix.
int programProcesses();

// The program's visible windows by their role.
std::vector<std::string> cursorWindows();
std::optional<std::string> menuWindow();
std::optional<std::string> windowNamed(const std::string& title);
// The cursor windows, once there are `count` of them standing still.
std::vector<std::string> waitForCursors(std::size_t count, int limitMs = 30000);

// The notification area (trayer, started by the test), where Wine docks the program's icon.
std::optional<Geometry> trayArea();
// Opens the main menu with a right press on the tray icon; false when it does not show.
bool openMainMenu();
// Chooses the item `downs` steps down a menu that shows, with the keyboard.
void chooseMenuItem(int downs);

} // namespace voxtrel::testing_support
