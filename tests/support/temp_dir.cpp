// Temporary folders and file helpers for tests.
#include "tests/support/temp_dir.h"
#include "tests/support/polling.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

namespace voxtrel::testing_support {

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "voxtrel-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary folder");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string TempDir::write(const std::string& relative, const std::string& content,
                           bool executable) const {
    const fs::path full = fs::path(path_) / relative;
    fs::create_directories(full.parent_path());
    std::ofstream(full, std::ios::binary) << content;
    if (executable)
        fs::permissions(full, fs::perms::owner_exec | fs::perms::group_exec, fs::perm_options::add);
    return full.string();
}

std::optional<std::string> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::optional<std::string> waitForFile(const std::string& path, std::chrono::milliseconds limit) {
    if (!waitFor([&] { return fs::exists(path); }, static_cast<int>(limit.count())))
        return std::nullopt;
    return readFile(path);
}

void makeDefaultTextHandler(const TempDir& xdg, const std::string& handler) {
    xdg.write("data/applications/voxtrel-test-recorder.desktop",
              "[Desktop Entry]\nType=Application\nName=Recorder\nNoDisplay=true\n"
              "MimeType=text/plain;\nExec=" +
                  handler + " %f\n");
    xdg.write("config/mimeapps.list",
              "[Default Applications]\ntext/plain=voxtrel-test-recorder.desktop\n");
    setenv("XDG_DATA_HOME", (xdg.path() + "/data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (xdg.path() + "/config").c_str(), 1);
    setenv("XDG_DATA_DIRS", "/usr/share", 1); // the shared MIME database
}

} // namespace voxtrel::testing_support
