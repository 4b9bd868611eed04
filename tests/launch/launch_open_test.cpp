// Opening launch entries end to end: GIO looks up the default application of a private XDG
// data folder, whose handler records what it was given.
#include "launch/launch.h"

#include "platform/win32.h"
#include "platform/linux/display/headless/headless_control.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <memory>
#include <thread>

namespace voxtrel {
namespace {

using testing_support::readFile;
using testing_support::TempDir;
using testing_support::waitForFile;

// Notes its blocked and ignored signals in "signals" (read by the shell itself: while it forks a
// command, it blocks every signal for a moment), writes its argument count and first
// argument to "received" (each atomically, by a rename), then waits for the test to create
// "release" and notes in "status" how it ended.
constexpr const char* kRecorderScript = R"(#!/bin/sh
dir=$(dirname "$0")
while read -r key value; do case $key in SigBlk:|SigIgn:) printf '%s\t%s\n' "$key" "$value";; esac; done < /proc/$$/status > "$dir/signals.part"
mv "$dir/signals.part" "$dir/signals"
printf '%s\n%s' "$#" "$1" > "$dir/received.part" && mv "$dir/received.part" "$dir/received"
i=0
while [ ! -e "$dir/release" ]; do
    i=$((i + 1))
    if [ "$i" -gt 400 ]; then echo timed-out > "$dir/status"; exit 1; fi
    sleep 0.05
done
echo released > "$dir/status"
)";

constexpr const char* kFreshSignals = "SigBlk:\t0000000000000000\nSigIgn:\t0000000000000000\n";

class LaunchOpen : public testing::Test {
protected:
    // GIO reads the XDG folders once per process, so they are set before its first use; every
    // test case runs in a process of its own.
    static void SetUpTestSuite() {
        // Signals blocked and ignored in the opening thread, as whatever started the program may
        // have left them: what a face opens starts afresh all the same.
        sigset_t ending;
        sigemptyset(&ending);
        for (int signal : {SIGTERM, SIGINT, SIGHUP})
            sigaddset(&ending, signal);
        pthread_sigmask(SIG_BLOCK, &ending, nullptr);
        std::signal(SIGUSR2, SIG_IGN);
        xdg = new TempDir;
        recorder = xdg->write("recorder.sh", kRecorderScript, true);
        makeDefaultTextHandler(*xdg, recorder);
    }
    static void TearDownTestSuite() {
        delete xdg;
        xdg = nullptr;
    }

    std::string file(const char* name) const { return xdg->path() + "/" + name; }

    // Lets the recorder finish and checks that it was still waiting, which it could not be if
    // the call that started it had waited for it. What it started with was a fresh program's
    // signal state, so that the user can end it.
    void releaseRecorder() const {
        EXPECT_EQ(waitForFile(file("signals")).value_or("none"), kFreshSignals);
        xdg->write("release", "");
        EXPECT_EQ(waitForFile(file("status")).value_or("none"), "released\n");
    }

    static inline TempDir* xdg = nullptr;
    static inline std::string recorder;
};

TEST_F(LaunchOpen, HandsAPathWithSpacesToTheDefaultApplicationUnchanged) {
    const std::string document = xdg->write("my documents/notes for today.txt", "hello\n");
    Launch entry;
    entry.assign(document.c_str());

    entry.open();

    EXPECT_FALSE(readFile(file("status")).has_value()) << "open() waited for the application";
    EXPECT_EQ(waitForFile(file("received")).value_or("nothing received"), "1\n" + document);
    releaseRecorder();
}

TEST_F(LaunchOpen, ReportsAPathThatNoLongerExistsAndStartsNothing) {
    Launch entry;
    const std::string missing = xdg->path() + "/moved away.txt";
    entry.assign(missing.c_str());

    // The report is a modal box on the opening thread, answered here as the user would.
    std::thread opener([&] { entry.open(); });
    const auto box = headless::waitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_NE(box->text.find("Cannot open \"" + missing + "\""), std::string::npos) << box->text;
    EXPECT_EQ(box->caption, "moved away.txt");
    EXPECT_EQ(box->type & MB_ICONERROR, static_cast<UINT>(MB_ICONERROR));
    headless::answerMessageBox(IDOK);
    opener.join();
    EXPECT_FALSE(waitForFile(file("received"), std::chrono::milliseconds(300)).has_value());
}

TEST_F(LaunchOpen, AnEmptySlotOpensNothingAndSaysNothing) {
    Launch entry;
    entry.open(); // returns at once: no box waits for an answer
    EXPECT_FALSE(headless::waitForMessageBox(std::chrono::milliseconds(0)).has_value());

    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof(info);
    info.lpFile = "";
    EXPECT_FALSE(ShellExecuteExA(&info));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(LaunchOpen, FailureIsReportedThroughTheRecordAndLastError) {
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_FLAG_NO_UI;
    const std::string missing = xdg->path() + "/absent.txt";
    info.lpFile = missing.c_str();

    EXPECT_FALSE(ShellExecuteExA(&info));
    EXPECT_FALSE(headless::waitForMessageBox(std::chrono::milliseconds(0)).has_value())
        << "SEE_MASK_FLAG_NO_UI must stay quiet";
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(info.hInstApp),
              static_cast<std::uintptr_t>(SE_ERR_FNF));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    info.cbSize = 60 - 1;
    EXPECT_FALSE(ShellExecuteExA(&info));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(LaunchOpen, ADesktopLauncherStartsItsApplication) {
    const std::string launcher = xdg->write(
        "my launcher.desktop",
        "[Desktop Entry]\nType=Application\nName=Tool\nExec=" + recorder + " from-launcher\n");
    Launch entry;
    entry.assign(launcher.c_str());
    entry.open();
    EXPECT_EQ(waitForFile(file("received")).value_or("nothing received"), "1\nfrom-launcher");
    releaseRecorder();
}

TEST_F(LaunchOpen, ANativeProgramRunsWithItsParametersAndSucceeds) {
    // A copy of touch stands in for a program the user dropped on a slot.
    const std::string program = xdg->path() + "/my tool";
    const auto touch = readFile("/usr/bin/touch");
    ASSERT_TRUE(touch.has_value());
    xdg->write("my tool", *touch, true);

    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof(info);
    info.lpFile = program.c_str();
    const std::string parameters = "'" + file("ran it") + "'";
    info.lpParameters = parameters.c_str();

    EXPECT_TRUE(ShellExecuteExA(&info));
    EXPECT_GT(reinterpret_cast<std::uintptr_t>(info.hInstApp), 32u);
    EXPECT_TRUE(waitForFile(file("ran it")).has_value());
}

TEST_F(LaunchOpen, AnExecutableScriptRunsAndAnExecutableTextWithoutInterpreterLineIsRead) {
    // A script dropped on a slot runs, as a batch file does on Windows, whether or not its
    // content type is known as a program's (this one's is plain text).
    const std::string marker = file("script ran");
    const std::string script = xdg->write(
        "my script",
        "#!/usr/bin/env -S sh -e\nwhile read -r key value; do case $key in SigBlk:|SigIgn:) "
        "printf '%s\\t%s\\n' \"$key\" \"$value\";; esac; done < /proc/$$/status > '" +
            marker + ".part'\nmv '" + marker + ".part' '" + marker + "'\n",
        true);
    Launch entry;
    entry.assign(script.c_str());
    entry.open();
    EXPECT_EQ(waitForFile(marker).value_or("did not run"), kFreshSignals);

    // Plain text that merely carries the execute bit goes to its editor, as before.
    const std::string notes = xdg->write("notes.txt", "not a program\n", true);
    Launch text;
    text.assign(notes.c_str());
    text.open();
    EXPECT_EQ(waitForFile(file("received")).value_or("nothing received"), "1\n" + notes);
    releaseRecorder();
}

} // namespace
} // namespace voxtrel
