// File attributes, folder creation and the process-wide current directory.
#include "platform/linux/kernel/kernel_objects.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The last path component, ignoring trailing separators ("/a/.b/" gives ".b").
std::string baseName(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// The XDG configuration home is where per-user settings live, as AppData is on Windows, which
// marks that folder hidden; it counts as hidden here too, whatever its name.
bool isConfigHome(const char* path) {
    std::string home;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/')
        home = xdg;
    else if (const char* user = std::getenv("HOME"); user != nullptr && *user != '\0')
        home = std::string(user) + "/.config";
    return !home.empty() && withoutTrailingSlashes(home) == withoutTrailingSlashes(path);
}

} // namespace

using voxtrel::kernel::errorFromErrno;

DWORD voxtrel::kernel::errorFromErrno(int error) {
    switch (error) {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case EEXIST:
        return ERROR_ALREADY_EXISTS;
    case ELOOP: // links that lead round in a circle, as Windows says of looping reparse points
        return ERROR_CANT_RESOLVE_FILENAME;
    default:
        return ERROR_INVALID_PARAMETER;
    }
}

DWORD WINAPI GetFileAttributesA(LPCSTR path) {
    struct stat info;
    if (path == nullptr || *path == '\0' || stat(path, &info) != 0) {
        SetLastError(path == nullptr || *path == '\0' ? ERROR_FILE_NOT_FOUND
                                                      : errorFromErrno(errno));
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD attributes = 0;
    if (S_ISDIR(info.st_mode))
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    else
        attributes |= FILE_ATTRIBUTE_ARCHIVE;
    const std::string name = baseName(path);
    if ((name.size() > 1 && name[0] == '.' && name != "..") || isConfigHome(path))
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    // Read-only as a file's own mark says, whoever asks: no write permission for anybody
    // (which even root respects here), or none for this user.
    if (!S_ISDIR(info.st_mode) &&
        ((info.st_mode & 0222) == 0 || (access(path, W_OK) != 0 && errno == EACCES)))
        attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes;
}

// A folder made with the default security is its user's alone, as a Windows profile's folders
// are, and as the XDG rules ask of the folders a program makes for its settings.
constexpr mode_t kOwnFolderMode = 0700;

BOOL WINAPI CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES) {
    if (path == nullptr || mkdir(path, kOwnFolderMode) != 0) {
        SetLastError(path == nullptr
                         ? ERROR_PATH_NOT_FOUND
                         : (errno == ENOENT ? ERROR_PATH_NOT_FOUND : errorFromErrno(errno)));
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
    std::string current(4096, '\0');
    while (getcwd(current.data(), current.size()) == nullptr) {
        if (errno != ERANGE) {
            SetLastError(errorFromErrno(errno));
            return 0;
        }
        current.resize(current.size() * 2);
    }
    current.resize(std::strlen(current.c_str()));
    if (buffer == nullptr || current.size() + 1 > size)
        return static_cast<DWORD>(current.size() + 1); // the size needed, terminator included
    std::memcpy(buffer, current.c_str(), current.size() + 1);
    return static_cast<DWORD>(current.size());
}

BOOL WINAPI SetCurrentDirectoryA(LPCSTR path) {
    if (path == nullptr || chdir(path) != 0) {
        SetLastError(path == nullptr ? ERROR_PATH_NOT_FOUND : errorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}
