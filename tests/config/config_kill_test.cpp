// Saves killed at random moments: whatever moment the process dies at, init.dat loads (the old
// content or the new), never a truncated or half-written file.
#include "config/archive.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>

namespace voxtrel {
namespace {

using testing_support::readFile;
using testing_support::TempDir;

TEST(ConfigKill, ASaveKilledAtAnyMomentLeavesAConfigurationThatLoads) {
    TempDir dir;
    const std::string appData = dir.path() + "/.appdata";
    std::filesystem::create_directories(appData);
    const std::string config = appData + "/voxtrel/init.dat";
    const auto startSaving = [&] {
        const pid_t child = fork();
        if (child == 0) {
            setenv("APPDATA", appData.c_str(), 1);
            setenv("VOXTREL_DISPLAY", "headless", 1);
            execl(VOXTREL_SAVE_LOOP, VOXTREL_SAVE_LOOP, static_cast<char*>(nullptr));
            _exit(127);
        }
        return child;
    };
    // A first save that completes, however slowly the machine starts the program: the kills
    // below then find a configuration to damage, and nothing depends on the machine's speed.
    const pid_t first = startSaving();
    ASSERT_GE(first, 0);
    for (int waited = 0; waited < 2000 && !std::filesystem::exists(config); ++waited)
        usleep(10000);
    ::kill(first, SIGKILL);
    waitpid(first, nullptr, 0);
    ASSERT_TRUE(std::filesystem::exists(config)) << "the saving program saved within 20 s";

    std::mt19937 random(4242);
    int checked = 0;
    for (int kill = 0; kill < 200; ++kill) {
        const pid_t child = startSaving();
        ASSERT_GE(child, 0);
        usleep(static_cast<useconds_t>(1000 * (5 + random() % 120)));
        ::kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saving program ended by itself";
        const auto text = readFile(config);
        if (!text)
            continue; // killed while the old file was moved aside: the next start restores it
        Desktop registry;
        const auto problem = readArchive(*text, registry);
        EXPECT_EQ(problem, std::nullopt) << "after kill " << kill;
        EXPECT_EQ(registry.threads.size(), 3u);
        registry.discardUnstarted();
        ++checked;
    }
    EXPECT_GE(checked, 150) << "most kills left init.dat in place";
}

} // namespace
} // namespace voxtrel
