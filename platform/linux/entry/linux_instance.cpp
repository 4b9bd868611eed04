// The single-instance guard of the Linux program. The holder of the claim answers every later
// start on a thread of its own: a plain start becomes a double-click on its tray icon, which
// shows all cursors (or the main menu's "New Cursor" when it has none), a command becomes the
// main menu's item of that name, and the answer tells the new start that it may end.
#include "platform/linux/entry/linux_instance.h"

#include "platform/linux/shell/shell_tray.h"
#include "resources/menu_ids.h"
#include "platform/win32.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace voxtrel::entry {

namespace {

// One line each way: the request's word, then "done" or "not-ready".
struct RequestWord {
    InstanceRequest request;
    const char* line;
};
constexpr RequestWord kRequestWords[] = {
    {InstanceRequest::Start, "start\n"},      {InstanceRequest::NewCursor, "new-cursor\n"},
    {InstanceRequest::ShowAll, "show-all\n"}, {InstanceRequest::HideAll, "hide-all\n"},
    {InstanceRequest::Save, "save\n"},        {InstanceRequest::Exit, "exit\n"},
};
constexpr std::size_t kLongestRequest = 16;
constexpr char kAnswer[] = "done\n";
constexpr char kNotReady[] = "not-ready\n";
constexpr int kAnswerWaitMs = 2000;
// How long a new start keeps trying to reach a holder that is still setting up its socket, or
// has not made the tray icon that takes commands yet: five seconds.
constexpr int kConnectAttempts = 200;
constexpr int kConnectRetryMs = 25;

// FNV-1a: a short, stable name for a folder path of any length.
unsigned long long hashOf(const std::string& text) {
    unsigned long long hash = 14695981039346656037ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

socklen_t abstractAddress(const std::string& key, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    // A leading zero byte puts the name in the abstract namespace: no file, nothing stale.
    const std::size_t length = std::min(key.size(), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, key.data(), length);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

bool writeAll(int socket, const char* text) {
    std::size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t written = send(socket, text, left, MSG_NOSIGNAL);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        text += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

// Reads up to a newline or `limit` bytes within `timeoutMs`.
std::string readLine(int socket, std::size_t limit, int timeoutMs) {
    std::string line;
    pollfd ready{socket, POLLIN, 0};
    while (line.size() < limit && line.find('\n') == std::string::npos) {
        const int polled = poll(&ready, 1, timeoutMs);
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled <= 0)
            break;
        char buffer[64];
        const ssize_t got = recv(socket, buffer, std::min(sizeof buffer, limit - line.size()), 0);
        if (got <= 0)
            break;
        line.append(buffer, static_cast<std::size_t>(got));
    }
    return line;
}

const char* lineOf(InstanceRequest request) {
    for (const RequestWord& word : kRequestWords) {
        if (word.request == request)
            return word.line;
    }
    return kRequestWords[0].line;
}

// Carries out a request in this process. False when it cannot be yet: the main thread has not
// made its tray icon, whose owner takes the commands.
bool carryOut(InstanceRequest request) {
    switch (request) {
    case InstanceRequest::Start:
        // Before the tray icon exists every cursor is about to be shown anyway.
        if (shell::onlyTrayOwnersExist() && shell::commandTrayOwner(IDM_NEW_CURSOR))
            return true;
        static_cast<void>(shell::doubleClickTrayIcon());
        return true;
    case InstanceRequest::ShowAll:
        static_cast<void>(shell::doubleClickTrayIcon());
        return true;
    case InstanceRequest::NewCursor:
        return shell::commandTrayOwner(IDM_NEW_CURSOR);
    case InstanceRequest::HideAll:
        return shell::commandTrayOwner(IDM_HIDE_ALL);
    case InstanceRequest::Save:
        return shell::commandTrayOwner(IDM_SAVE_CONFIG);
    case InstanceRequest::Exit:
        return shell::commandTrayOwner(IDM_EXIT);
    }
    return false;
}

void answerLaterStarts(int listener) {
    for (;;) {
        const int caller = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (caller < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return;
        }
        // Only this user's processes may ask: the name is visible to every user.
        ucred peer{};
        socklen_t peerSize = sizeof peer;
        const bool sameUser = getsockopt(caller, SOL_SOCKET, SO_PEERCRED, &peer, &peerSize) == 0 &&
                              peer.uid == getuid();
        if (sameUser) {
            const std::string line = readLine(caller, kLongestRequest, kAnswerWaitMs);
            for (const RequestWord& word : kRequestWords) {
                if (line == word.line) {
                    writeAll(caller, carryOut(word.request) ? kAnswer : kNotReady);
                    break;
                }
            }
        }
        close(caller);
    }
}

bool askHolder(const sockaddr_un& address, socklen_t size, InstanceRequest request) {
    for (int attempt = 0; attempt < kConnectAttempts; ++attempt) {
        const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (socket < 0)
            return false;
        if (connect(socket, reinterpret_cast<const sockaddr*>(&address), size) == 0) {
            const std::string answer = writeAll(socket, lineOf(request))
                                           ? readLine(socket, sizeof kNotReady, kAnswerWaitMs)
                                           : std::string();
            close(socket);
            if (answer == kAnswer)
                return true;
            // A holder still starting has no tray icon to take the command yet.
            if (answer != kNotReady)
                return false;
        } else {
            const int error = errno;
            close(socket);
            // Refused: the holder has bound its name but does not listen yet.
            if (error != ECONNREFUSED && error != EAGAIN)
                return false;
        }
        usleep(kConnectRetryMs * 1000);
    }
    return false;
}

} // namespace

std::string instanceKey() {
    char folder[PATH_MAX + 1] = {};
    const DWORD length = GetEnvironmentVariableA("APPDATA", folder, sizeof folder);
    std::string path = length > 0 && length < sizeof folder ? folder : "";
    // The same folder reached by another spelling is the same configuration.
    if (char* resolved = realpath(path.c_str(), nullptr)) {
        path = resolved;
        std::free(resolved);
    }
    char key[80];
    std::snprintf(key, sizeof key, "voxtrel-instance-%u-%016llx", static_cast<unsigned>(getuid()),
                  hashOf(path));
    return key;
}

RequestOutcome sendToInstance(const std::string& key, InstanceRequest request) {
    sockaddr_un address;
    const socklen_t size = abstractAddress(key, address);
    // A name nobody holds can be bound: then no program runs (the binding goes with the close).
    const int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe >= 0) {
        const bool free = bind(probe, reinterpret_cast<const sockaddr*>(&address), size) == 0;
        close(probe);
        if (free)
            return RequestOutcome::NotRunning;
    }
    return askHolder(address, size, request) ? RequestOutcome::Done : RequestOutcome::NoAnswer;
}

InstanceClaim claimInstance(const std::string& key, InstanceRequest request) {
    sockaddr_un address;
    const socklen_t size = abstractAddress(key, address);
    const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0)
        return InstanceClaim::Unguarded;
    if (bind(listener, reinterpret_cast<const sockaddr*>(&address), size) == 0) {
        if (listen(listener, 8) != 0) {
            close(listener);
            return InstanceClaim::Unguarded;
        }
        std::thread(answerLaterStarts, listener).detach();
        return InstanceClaim::Claimed;
    }
    const int error = errno;
    close(listener);
    if (error != EADDRINUSE)
        return InstanceClaim::Unguarded;
    // Taken: ask its holder. A holder that never answers is hung, not gone (the kernel frees
    // the name of a process that ended), and a second registry must not run beside it either.
    if (!askHolder(address, size, request))
        std::fprintf(stderr, "voxtrel: another instance holds this configuration but does not "
                             "answer; not starting a second one\n");
    return InstanceClaim::AnsweredByOther;
}

} // namespace voxtrel::entry
