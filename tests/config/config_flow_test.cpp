// Loading and saving through the data folder, with every failure's message box answered as a
// user would, and the current directory as it was after every flow.
#include "config/config_file.h"

#include "platform/linux/display/headless/headless_control.h"
#include "tests/support/cursor_threads.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <thread>

namespace voxtrel {
namespace {

using namespace testing_support;

struct Box {
    std::string caption;
    std::string text;
};

// Answers every message box with OK and keeps what they said.
class BoxAnswerer {
public:
    BoxAnswerer()
        : thread_([this] {
              while (!stop_) {
                  const auto box = headless::waitForMessageBox(std::chrono::milliseconds(20));
                  if (!box)
                      continue;
                  {
                      std::lock_guard<std::mutex> guard(mutex_);
                      boxes_.push_back({box->caption, box->text});
                  }
                  headless::answerMessageBox(IDOK);
              }
          }) {}
    ~BoxAnswerer() {
        stop_ = true;
        thread_.join();
    }
    std::vector<Box> take() {
        std::lock_guard<std::mutex> guard(mutex_);
        return std::exchange(boxes_, {});
    }

private:
    std::mutex mutex_;
    std::vector<Box> boxes_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

std::string currentDirectory() {
    return std::filesystem::current_path().string();
}

class ConfigFlow : public testing::Test {
protected:
    void SetUp() override {
        prepareCursorProcess();
        appData = dir.path() + "/.appdata";
        std::filesystem::create_directories(appData);
        setenv("APPDATA", appData.c_str(), 1);
        start = currentDirectory();
    }
    void TearDown() override {
        EXPECT_TRUE(stopAllCursors());
        desktop.discardUnstarted();
        EXPECT_EQ(currentDirectory(), start) << "the current directory is restored";
    }
    std::string file(const std::string& name) const { return appData + "/voxtrel/" + name; }

    // Registers a cursor without starting it, as a load would.
    Cursor& registerCursor() {
        auto* entry = new CursorThread;
        desktop.lock();
        desktop.threads.push_back(entry);
        desktop.unlock();
        return *entry->cursor;
    }

    TempDir dir;
    std::string appData;
    std::string start;
    BoxAnswerer boxes;
};

TEST_F(ConfigFlow, AFirstStartMakesTheDataFolderAndLoadsNothingQuietly) {
    EXPECT_EQ(loadConfig(), 0);
    EXPECT_TRUE(std::filesystem::is_directory(appData + "/voxtrel"));
    EXPECT_TRUE(boxes.take().empty());
    EXPECT_TRUE(registered().empty());
}

TEST_F(ConfigFlow, AFreshAccountWithoutAConfigHomeGetsOneMadeForItsUserAloneAndSaves) {
    // A new user's home has no ~/.config yet: every folder down to ours is made, private.
    const std::string home = dir.path() + "/home";
    appData = home + "/new-user/.config";
    setenv("APPDATA", appData.c_str(), 1);
    const mode_t previous = umask(022);
    EXPECT_EQ(loadConfig(), 0);
    saveConfig();
    umask(previous);
    EXPECT_TRUE(boxes.take().empty()) << "neither the load nor the save met an I/O error";
    EXPECT_TRUE(std::filesystem::exists(file("init.dat")));
    for (const std::string& made : {home, home + "/new-user", appData, appData + "/voxtrel"}) {
        struct stat info {};
        ASSERT_EQ(stat(made.c_str(), &info), 0) << made;
        EXPECT_EQ(info.st_mode & 0777, 0700u) << made;
    }
}

TEST_F(ConfigFlow, ASavedRegistryIsRestoredAndStartedAtTheNextLoad) {
    Cursor& first = registerCursor();
    first.centerX = 300;
    first.launches[2].assign("/tmp/notes.txt");
    registerCursor().shape = SHAPE_TETRAHEDRON;
    saveConfig();
    EXPECT_TRUE(boxes.take().empty()) << "a successful save shows nothing";
    ASSERT_TRUE(std::filesystem::exists(file("init.dat")));
    EXPECT_FALSE(std::filesystem::exists(file("init.dat.new")));
    desktop.discardUnstarted();

    EXPECT_EQ(loadConfig(), 1);
    const auto entries = registered();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_NE(waitForWindow(entries[0]), nullptr) << "started";
    EXPECT_NE(waitForWindow(entries[1]), nullptr);
    EXPECT_EQ(entries[0]->cursor->launches[2].path, "/tmp/notes.txt");
    EXPECT_EQ(entries[1]->cursor->shape, SHAPE_TETRAHEDRON);
    EXPECT_TRUE(boxes.take().empty());
}

TEST_F(ConfigFlow, AConfigurationWithNoCursorLoadsAsOneThatStartsNone) {
    saveConfig();
    EXPECT_EQ(loadConfig(), 1);
    EXPECT_TRUE(registered().empty());
    EXPECT_TRUE(boxes.take().empty());
}

TEST_F(ConfigFlow, AnUnusableApplicationDataFolderFailsEveryLoadAndSave) {
    const std::string visible = dir.path() + "/visible";
    std::filesystem::create_directories(visible);
    const std::string plainFile = dir.write("plain-file", "x");
    // Empty, too long, a file, and a path that runs through a file: no folder can be made.
    for (const std::string& value :
         {std::string(""), std::string(256, 'a'), plainFile, plainFile + "/.config"}) {
        setenv("APPDATA", value.c_str(), 1);
        EXPECT_EQ(loadConfig(), 0) << value;
        saveConfig();
        const auto seen = boxes.take();
        ASSERT_EQ(seen.size(), 2u) << value;
        EXPECT_EQ(seen[0].caption, "Load Config...");
        EXPECT_EQ(seen[0].text, "I/O error");
        EXPECT_EQ(seen[1].caption, "Save Config...");
        EXPECT_EQ(seen[1].text, "I/O error");
    }
    // A visible folder serves as well as a hidden one: %APPDATA% itself is visible on Windows.
    setenv("APPDATA", visible.c_str(), 1);
    saveConfig();
    EXPECT_EQ(loadConfig(), 1);
    EXPECT_TRUE(boxes.take().empty());
    EXPECT_TRUE(std::filesystem::exists(visible + "/voxtrel/init.dat"));
    // A file where the data folder should be.
    setenv("APPDATA", appData.c_str(), 1);
    dir.write(".appdata/voxtrel", "not a folder");
    EXPECT_EQ(loadConfig(), 0);
    saveConfig();
    EXPECT_EQ(boxes.take().size(), 2u);
}

TEST_F(ConfigFlow, WithoutApplicationDataTheConfigurationHomeIsUsed) {
    unsetenv("APPDATA");
    const std::string home = dir.path() + "/settings";
    std::filesystem::create_directories(home);
    setenv("XDG_CONFIG_HOME", home.c_str(), 1);
    saveConfig();
    EXPECT_TRUE(boxes.take().empty());
    EXPECT_TRUE(std::filesystem::exists(home + "/voxtrel/init.dat"));
}

TEST_F(ConfigFlow, EmptyAndUnreadableFilesAndAReadOnlyOne) {
    std::filesystem::create_directories(appData + "/voxtrel");
    dir.write(".appdata/voxtrel/init.dat", "");
    EXPECT_EQ(loadConfig(), 0);
    auto seen = boxes.take();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "Load Config...");
    EXPECT_EQ(seen[0].text, "input stream error");

    std::filesystem::remove(file("init.dat"));
    std::filesystem::create_directories(file("init.dat")); // there, but not readable as a file
    EXPECT_EQ(loadConfig(), 0);
    seen = boxes.take();
    ASSERT_EQ(seen.size(), 1u) << "unreadable is not missing";
    EXPECT_EQ(seen[0].caption, "Load Config...");
    EXPECT_NE(seen[0].text.find("init.dat could not be read (it is a folder)"), std::string::npos)
        << seen[0].text;
    std::filesystem::remove(file("init.dat"));

    saveConfig();
    const auto before = readFile(file("init.dat"));
    ASSERT_TRUE(before.has_value());
    chmod(file("init.dat").c_str(), 0444);
    registerCursor();
    saveConfig();
    seen = boxes.take();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "Save Config...");
    EXPECT_EQ(readFile(file("init.dat")), before) << "the read-only file is left as it was";
}

// A file that exists but cannot be read may be newer than the backup: the backup is not loaded
// in its place (a later save would write the older cursors over it), and neither is touched.
TEST_F(ConfigFlow, AnUnreadableFileIsNotTakenForAMissingOneAndNoBackupReplacesIt) {
    registerCursor().centerX = 100;
    saveConfig();
    registerCursor().centerX = 900;
    saveConfig(); // init.dat.bak now holds the first configuration
    desktop.discardUnstarted();
    const auto backup = readFile(file("init.dat.bak"));
    ASSERT_TRUE(backup.has_value());
    std::filesystem::remove(file("init.dat"));
    // A link that leads round in a circle: there, and unreadable even to root.
    std::filesystem::create_symlink("init.dat", file("init.dat"));

    EXPECT_EQ(loadConfig(), 0) << "a new cursor, not the backup's";
    const auto seen = boxes.take();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "Load Config...");
    EXPECT_NE(seen[0].text.find("init.dat could not be read (system error"), std::string::npos)
        << seen[0].text;
    EXPECT_TRUE(registered().empty());
    EXPECT_TRUE(std::filesystem::is_symlink(file("init.dat")));
    EXPECT_EQ(readFile(file("init.dat.bak")), backup);
}

TEST_F(ConfigFlow, ADamagedFileGivesWayToTheBackupOfTheLastSave) {
    registerCursor().centerX = 100;
    saveConfig(); // the first configuration
    registerCursor().centerX = 900;
    saveConfig(); // the second replaces it and keeps it as the backup
    desktop.discardUnstarted();
    ASSERT_TRUE(std::filesystem::exists(file("init.dat.bak")));
    dir.write(".appdata/voxtrel/init.dat", "22 serialization::archive 18 0 0 0 0 5 0 2 1 0 0 3");

    EXPECT_EQ(loadConfig(), 1);
    const auto seen = boxes.take();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].caption, "Load Config...");
    EXPECT_NE(seen[0].text.find("damaged"), std::string::npos) << seen[0].text;
    EXPECT_EQ(seen[1].caption, "Load Config...");
    EXPECT_NE(seen[1].text.find("init.dat.bak"), std::string::npos);
    const auto entries = registered();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0]->cursor->centerX, 100);
    EXPECT_EQ(readFile(file("init.dat")),
              std::optional<std::string>("22 serialization::archive 18 0 0 0 0 5 0 2 1 0 0 3"))
        << "the damaged file is kept until the next save";
}

TEST_F(ConfigFlow, ABackupWithoutItsFileIsWhatASaveCutShortLeftAndIsRestored) {
    registerCursor().centerX = 100;
    saveConfig();
    registerCursor().centerX = 900;
    saveConfig();
    desktop.discardUnstarted();
    // Windows can fail after it has moved init.dat aside and before the new file takes its name.
    std::filesystem::remove(file("init.dat"));

    EXPECT_EQ(loadConfig(), 1);
    const auto seen = boxes.take();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "Load Config...");
    EXPECT_NE(seen[0].text.find("missing"), std::string::npos) << seen[0].text;
    const auto entries = registered();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0]->cursor->centerX, 100);
}

} // namespace
} // namespace voxtrel
