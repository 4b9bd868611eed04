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
    std::mt19937 random(4242);
    int checked = 0;
    for (int kill = 0; kill < 200; ++kill) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            setenv("APPDATA", appData.c_str(), 1);
            setenv("VOXTREL_DISPLAY", "headless", 1);
            execl(VOXTREL_SAVE_LOOP, VOXTREL_SAVE_LOOP, static_cast<char*>(nullptr));
            _exit(127);
        }
        usleep(static_cast<useconds_t>(1000 * (5 + random() % 120)));
        ::kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saving program ended by itself";
        const auto text = readFile(config);
        if (!text)
            continue; // killed before its first save
        Desktop registry;
        const auto problem = readArchive(*text, registry);
        EXPECT_EQ(problem, std::nullopt) << "after kill " << kill;
        EXPECT_EQ(registry.threads.size(), 3u);
        registry.discardUnstarted();
        ++checked;
    }
    EXPECT_GE(checked, 150) << "most kills came after a first save";
}

} // namespace
} // namespace voxtrel
