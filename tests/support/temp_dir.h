// A private temporary folder for one test, removed with everything in it afterwards, and small
// file helpers around it.
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace voxtrel::testing_support {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // Writes `content` to `relative` (parent folders made as needed) and returns the full path.
    std::string write(const std::string& relative, const std::string& content,
                      bool executable = false) const;

private:
    std::string path_;
};

std::optional<std::string> readFile(const std::string& path);

// Polls until `path` exists and returns its content, or nothing once `limit` has passed. Only a
// deadline for something that must happen, never a measure of speed.
std::optional<std::string> waitForFile(const std::string& path,
                                       std::chrono::milliseconds limit = std::chrono::seconds(20));

// Makes `handler` (a script in `xdg`) the default application for plain text, through a private
// XDG data and config folder inside `xdg`. GIO reads these folders once per process, so this
// comes before its first use.
void makeDefaultTextHandler(const TempDir& xdg, const std::string& handler);

} // namespace voxtrel::testing_support
