// GetEnvironmentVariableA. APPDATA, the per-user data folder of a Windows program, answers the
// XDG configuration home when it is not set: $XDG_CONFIG_HOME, else ~/.config.
#include "platform/win32.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return home;
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr)
        return entry->pw_dir;
    return {};
}

bool lookup(const char* name, std::string& value) {
    if (const char* set = std::getenv(name); set != nullptr) {
        value = set;
        return true;
    }
    if (std::strcmp(name, "APPDATA") != 0)
        return false;
    // The XDG rules: an unset, empty or relative XDG_CONFIG_HOME falls back to ~/.config.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/') {
        value = xdg;
        return true;
    }
    const std::string home = homeFolder();
    if (home.empty())
        return false;
    value = home + "/.config";
    return true;
}

} // namespace

DWORD WINAPI GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size) {
    std::string value;
    if (name == nullptr || !lookup(name, value)) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    if (buffer == nullptr || value.size() + 1 > size)
        return static_cast<DWORD>(value.size() + 1); // the size needed, terminator included
    std::memcpy(buffer, value.c_str(), value.size() + 1);
    return static_cast<DWORD>(value.size());
}
