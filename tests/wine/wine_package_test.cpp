// The Windows packages that scripts/package makes, under Wine as a user installs them: the
// installer, run silently, puts the program, its licences and its shortcut in place and lists
// its uninstaller; the installed program starts and ends with Exit; the silent uninstaller takes
// back every file and key the installer made and leaves the user's configuration. The portable
// zip's program runs from any folder.
#include "tests/wine/wine_session.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <iterator>
#include <thread>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <string>

namespace voxtrel {
namespace {

using namespace testing_support;
namespace fs = std::filesystem;

constexpr int MAIN_EXIT = 5;
const char* const UNINSTALL_KEY =
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Voxtrel";
const char* const RUN_KEY = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// A cursor saved at (600, 500), as either program saves it.
const char* const SAVED =
    "22 serialization::archive 18 0 0 0 0 1 0 2 1 0\n0 3 1 1\n1 600 500 256 256 "
    "2.50000000000000000e-01 1 1 1 1 40030 0  6 0 0 0  0  0  0  0  0 \n";

// Voxtrel's licence and those of what voxtrel.exe links, beside it in both packages.
const char* const LICENCES[] = {"/licenses/Voxtrel-GPL-3.0.txt",
                                "/licenses/DevIL-LGPL-2.1.txt",
                                "/licenses/DevIL-relinking.txt",
                                "/licenses/Boost.txt",
                                "/licenses/zlib.txt",
                                "/licenses/libpng.txt",
                                "/licenses/libjpeg-turbo.md"};

// `folder` holds the program and every licence.
void holdsTheProgramAndItsLicences(const std::string& folder) {
    EXPECT_TRUE(fs::exists(folder + "/voxtrel.exe"));
    for (const char* file : LICENCES)
        EXPECT_TRUE(fs::exists(folder + file)) << file;
}

// The package whose name ends in `suffix`, in the folder scripts/package fills.
std::string package(const std::string& suffix) {
    for (const auto& entry : fs::directory_iterator(VOXTREL_PACKAGES_DIR)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > suffix.size() && name.rfind("voxtrel-", 0) == 0 &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            return entry.path().string();
    }
    return {};
}

std::string driveC() {
    return std::string(std::getenv("WINEPREFIX")) + "/drive_c";
}

// Every file and folder under the places an installer writes to.
std::set<std::string> installedPlaces() {
    std::set<std::string> found;
    for (const char* place : {"/Program Files", "/ProgramData/Microsoft/Windows/Start Menu"}) {
        for (const auto& entry : fs::recursive_directory_iterator(driveC() + place))
            found.insert(entry.path().string());
    }
    return found;
}

// A registry key, or one value of it, as `wine reg query` finds it; empty when there is none.
std::string registryQuery(const std::string& key, const std::string& value = "") {
    const auto output =
        runCommand("wine reg query '" + key + "'" + (value.empty() ? "" : " /v '" + value + "'") +
                   " 2>/dev/null && wineserver -w");
    return output.value_or("");
}

// Runs a Windows program of the prefix silently and waits for it and everything it started.
void runSilently(const std::string& program) {
    runCommand("wine '" + program + "' /S >/dev/null 2>&1; wineserver -w");
}

// The program starts (a cursor and its tray icon show) and Exit ends it.
void startsAndEnds(const std::string& program) {
    WineProgram running("", program);
    ASSERT_EQ(waitForCursors(1).size(), 1u) << running.log();
    EXPECT_TRUE(trayArea().has_value()) << "its tray icon shows";
    ASSERT_TRUE(openMainMenu()) << running.log();
    chooseMenuItem(MAIN_EXIT);
    EXPECT_TRUE(running.waitForExit(5000)) << "Exit ends it";
}

class WinePackages : public testing::Test {
protected:
    void SetUp() override {
        if (!useWineSession())
            GTEST_SKIP() << "no Wine session (scripts/test prepares one)";
        fs::remove_all(wineDataFolder());
        std::system("xsetroot -solid '#406080'");
        tray = startNotificationArea();
        ASSERT_TRUE(tray);
    }
    std::unique_ptr<Helper> tray;
};

TEST_F(WinePackages, TheInstallerPutsTheProgramInPlaceAndItsUninstallerTakesBackAllItMade) {
    const std::string installer = package("-windows-x64.exe");
    ASSERT_FALSE(installer.empty()) << "no installer in " << VOXTREL_PACKAGES_DIR;
    fs::create_directories(wineDataFolder());
    std::ofstream(wineDataFolder() + "/init.dat", std::ios::binary) << SAVED;
    const auto before = installedPlaces();

    runSilently(installer);
    const std::string folder = driveC() + "/Program Files/Voxtrel";
    holdsTheProgramAndItsLicences(folder);
    EXPECT_TRUE(fs::exists(folder + "/Uninstall.exe"));
    EXPECT_TRUE(
        fs::exists(driveC() + "/ProgramData/Microsoft/Windows/Start Menu/Programs/Voxtrel.lnk"))
        << "the Start menu shortcut";
    const std::string listed = registryQuery(UNINSTALL_KEY);
    for (const std::string& entry :
         {std::string("DisplayName    REG_SZ    Voxtrel"),
          std::string("DisplayVersion    REG_SZ    ") + VOXTREL_VERSION,
          std::string("Publisher    REG_SZ    Voxtrel developers"),
          std::string("DisplayIcon    REG_SZ    C:\\Program Files\\Voxtrel\\voxtrel.exe,0"),
          std::string(
              "UninstallString    REG_SZ    \"C:\\Program Files\\Voxtrel\\Uninstall.exe\"")})
        EXPECT_NE(listed.find(entry), std::string::npos) << entry << " in\n" << listed;
    EXPECT_EQ(registryQuery(RUN_KEY, "Voxtrel"), "") << "no start at sign-in unless chosen";

    const std::string startup =
        driveC() + "/ProgramData/Microsoft/Windows/Start Menu/Programs/StartUp/Voxtrel.lnk";
    EXPECT_FALSE(fs::exists(startup)) << "no start at sign-in unless chosen";

    {
        // While it runs, the uninstaller, unattended, leaves every file where it is.
        WineProgram running("", "C:\\Program Files\\Voxtrel\\voxtrel.exe");
        ASSERT_EQ(waitForCursors(1).size(), 1u) << running.log();
        EXPECT_TRUE(trayArea().has_value()) << "its tray icon shows";
        // Run in place (`_?=`, with no space, which the uninstaller would not take), so that
        // Wine returns with the uninstaller's own status, not a copy's, and without waiting for
        // every Wine process, the program among them.
        EXPECT_EQ(runCommand("wine 'C:\\Program Files\\Voxtrel\\Uninstall.exe' /S "
                             "'_?=C:\\PROGRA~1\\Voxtrel' >/dev/null 2>&1; echo $?"),
                  "2\n")
            << "it ends with status 2";
        EXPECT_TRUE(fs::exists(folder + "/voxtrel.exe")) << "not removed while it runs";
        EXPECT_TRUE(running.running());
        ASSERT_TRUE(openMainMenu()) << running.log();
        chooseMenuItem(MAIN_EXIT);
        EXPECT_TRUE(running.waitForExit(5000)) << "Exit ends it";
    }

    // The sign-in option, as if it had been chosen (its all-users Startup shortcut), and the
    // value earlier installers wrote: the uninstaller takes both back.
    fs::copy_file(driveC() + "/ProgramData/Microsoft/Windows/Start Menu/Programs/Voxtrel.lnk",
                  startup);
    runCommand("wine reg add '" + std::string(RUN_KEY) +
               "' /v Voxtrel /d 'C:\\Program Files\\Voxtrel\\voxtrel.exe' /f >/dev/null 2>&1");
    runSilently("C:\\Program Files\\Voxtrel\\Uninstall.exe");
    EXPECT_FALSE(fs::exists(startup)) << "the Startup shortcut is gone";
    const auto after = installedPlaces();
    for (const std::string& left : after)
        EXPECT_TRUE(before.count(left) != 0) << "the uninstaller left " << left;
    EXPECT_EQ(registryQuery(UNINSTALL_KEY), "") << "the uninstall key is gone";
    EXPECT_EQ(registryQuery(RUN_KEY, "Voxtrel"), "") << "the sign-in value is gone";
    EXPECT_EQ(readFile(wineDataFolder() + "/init.dat").value_or("gone"), SAVED)
        << "the user's configuration stays";
}

TEST_F(WinePackages, TheZipsProgramRunsFromAnyFolderWithTheLicencesOfWhatItLinks) {
    const std::string zip = package("-windows-x64.zip");
    ASSERT_FALSE(zip.empty()) << "no zip in " << VOXTREL_PACKAGES_DIR;
    TempDir somewhere;
    const std::string folder = somewhere.path() + "/Downloads/voxtrel portable";
    fs::create_directories(folder);
    ASSERT_TRUE(runCommand("unzip -q '" + zip + "' -d '" + folder + "'").has_value());
    // Extracted here, its files stay together in a folder of their own.
    const std::string unpacked = folder + "/Voxtrel-" + VOXTREL_VERSION;
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    holdsTheProgramAndItsLicences(unpacked);
    startsAndEnds(unpacked + "/voxtrel.exe");
}

TEST_F(WinePackages, ThroughItsPagesTheInstallerStartsTheProgramAndTheUninstallerEnds) {
    const std::string installer = package("-windows-x64.exe");
    ASSERT_FALSE(installer.empty()) << "no installer in " << VOXTREL_PACKAGES_DIR;
    const std::string setup = std::string("Voxtrel ") + VOXTREL_VERSION + " Setup";
    const std::string uninstall = std::string("Voxtrel ") + VOXTREL_VERSION + " Uninstall";
    // Each page's title is exactly the setup's name, without a space after it.
    const auto onPage = [](const std::string& title) {
        return waitFor([&] { return windowNamed(title).has_value(); }, 20000);
    };
    const auto next = [](const std::string& title) {
        if (const auto window = windowNamed(title))
            xdotool("key --window " + *window + " Return");
    };
    // Return on the pages titled `title` until `done`, however long a busy machine takes to
    // show the next page.
    const auto nextUntil = [&](const std::string& title, const std::function<bool()>& done) {
        return waitFor(
            [&] {
                if (done())
                    return true;
                next(title);
                pause(1500);
                return false;
            },
            60000);
    };
    runCommand("wine '" + installer + "' >/dev/null 2>&1 &");
    ASSERT_TRUE(onPage(setup)) << "the licence";
    // The licence, the folder, the parts, until the files are in place.
    const std::string uninstaller = driveC() + "/Program Files/Voxtrel/Uninstall.exe";
    EXPECT_TRUE(nextUntil(setup, [&] { return fs::exists(uninstaller); }));
    // The last page, whose "Run Voxtrel" is ticked.
    pause(2000);
    if (onPage(setup))
        next(setup);
    EXPECT_EQ(waitForCursors(1).size(), 1u) << "Finish starts the program";
    EXPECT_EQ(runCommand("wine 'C:\\Program Files\\Voxtrel\\voxtrel.exe' --exit >/dev/null "
                         "2>&1; echo $?"),
              "0\n");
    EXPECT_TRUE(waitFor([] { return programProcesses() == 0; }, 10000));

    runCommand("wine 'C:\\Program Files\\Voxtrel\\Uninstall.exe' >/dev/null 2>&1 &");
    ASSERT_TRUE(onPage(uninstall)) << "the confirmation";
    EXPECT_TRUE(
        nextUntil(uninstall, [] { return !fs::exists(driveC() + "/Program Files/Voxtrel"); }));
    pause(2000);
    if (onPage(uninstall))
        next(uninstall);
    runCommand("wineserver -w");
}

} // namespace
} // namespace voxtrel
