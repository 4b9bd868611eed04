// File contents for the configuration: open, write, flush to the disk, delete, move and
// replace. A file handle is a kernel object that never becomes signalled; CloseHandle closes it.
// Does not implement: sharing modes, overlapped I/O, attributes other than the default.
#include "platform/linux/kernel/kernel_objects.h"

#include <fcntl.h>
#include <libgen.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace voxtrel::kernel {

namespace {

class FileObject : public Object {
public:
    explicit FileObject(int fd) : fd(fd) {}
    ~FileObject() override { ::close(fd); }
    bool signalledFor(DWORD) const override { return false; }
    const int fd;
};

BOOL failWith(int error) {
    SetLastError(errorFromErrno(error));
    return FALSE;
}

int fileDescriptor(HANDLE handle) {
    std::lock_guard<std::mutex> guard(lock());
    auto* file = dynamic_cast<FileObject*>(lookup(handle));
    return file != nullptr ? file->fd : -1;
}

// A rename is on the disk only once the folder that holds the name is.
void syncFolderOf(const std::string& path) {
    std::string copy = path;
    const int folder = ::open(dirname(copy.data()), O_RDONLY | O_DIRECTORY);
    if (folder < 0)
        return;
    static_cast<void>(::fsync(folder)); // a folder that cannot be synced is still renamed
    ::close(folder);
}

// For file systems without hard links: the bytes, flushed.
bool copyFile(const char* from, const char* to) {
    const int in = ::open(from, O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    const int out = ::open(to, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    bool ok = out >= 0;
    char buffer[65536];
    while (ok) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got == 0)
            break;
        ok = got > 0 && ::write(out, buffer, static_cast<std::size_t>(got)) == got;
    }
    ok = ok && ::fsync(out) == 0;
    ::close(in);
    if (out >= 0)
        ::close(out);
    return ok;
}

} // namespace

} // namespace voxtrel::kernel

using namespace voxtrel::kernel;

HANDLE WINAPI CreateFileA(LPCSTR path, DWORD access, DWORD, LPSECURITY_ATTRIBUTES,
                          DWORD disposition, DWORD, HANDLE) {
    int flags = O_CLOEXEC;
    if (disposition == CREATE_ALWAYS && (access & GENERIC_WRITE) != 0) {
        flags |= O_WRONLY | O_CREAT | O_TRUNC;
    } else if (disposition == OPEN_EXISTING && access == GENERIC_READ) {
        flags |= O_RDONLY;
    } else {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const int fd = path != nullptr ? ::open(path, flags, 0666) : -1;
    if (fd < 0) {
        SetLastError(path == nullptr ? ERROR_INVALID_PARAMETER : errorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    return adopt(new FileObject(fd));
}

BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written, LPVOID) {
    const int fd = fileDescriptor(file);
    if (fd < 0 || (buffer == nullptr && size != 0)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const auto* bytes = static_cast<const char*>(buffer);
    DWORD done = 0;
    while (done < size) {
        const ssize_t step = ::write(fd, bytes + done, size - done);
        if (step < 0) {
            if (errno == EINTR)
                continue;
            if (written != nullptr)
                *written = done;
            return failWith(errno);
        }
        done += static_cast<DWORD>(step);
    }
    if (written != nullptr)
        *written = done;
    return TRUE;
}

BOOL WINAPI FlushFileBuffers(HANDLE file) {
    const int fd = fileDescriptor(file);
    if (fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return ::fsync(fd) == 0 ? TRUE : failWith(errno);
}

BOOL WINAPI DeleteFileA(LPCSTR path) {
    if (path == nullptr)
        return failWith(ENOENT);
    return ::unlink(path) == 0 ? TRUE : failWith(errno);
}

BOOL WINAPI MoveFileExA(LPCSTR existing, LPCSTR replacement, DWORD flags) {
    if (existing == nullptr || replacement == nullptr)
        return failWith(ENOENT);
    struct stat target;
    if ((flags & MOVEFILE_REPLACE_EXISTING) == 0 && ::stat(replacement, &target) == 0)
        return failWith(EEXIST);
    if (::rename(existing, replacement) != 0)
        return failWith(errno);
    if ((flags & MOVEFILE_WRITE_THROUGH) != 0)
        syncFolderOf(replacement);
    return TRUE;
}

BOOL WINAPI ReplaceFileA(LPCSTR replaced, LPCSTR replacement, LPCSTR backup, DWORD flags, LPVOID,
                         LPVOID) {
    if (replaced == nullptr || replacement == nullptr)
        return failWith(ENOENT);
    struct stat info;
    if (::stat(replaced, &info) != 0 || ::stat(replacement, &info) != 0)
        return failWith(errno);
    if (backup != nullptr) {
        // The backup is a second name of the replaced file, made beside it and renamed into
        // place, so the replaced name never goes missing.
        const std::string staging = std::string(backup) + ".new";
        ::unlink(staging.c_str());
        const bool staged =
            ::link(replaced, staging.c_str()) == 0 || copyFile(replaced, staging.c_str());
        if (!staged || ::rename(staging.c_str(), backup) != 0) {
            const int error = errno;
            ::unlink(staging.c_str());
            return failWith(error);
        }
    }
    if (::rename(replacement, replaced) != 0)
        return failWith(errno);
    if ((flags & REPLACEFILE_WRITE_THROUGH) != 0)
        syncFolderOf(replaced);
    return TRUE;
}
