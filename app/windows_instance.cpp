// The single-instance guard of the Windows program.
#include "app/windows_instance.h"

#include "app/app_shell.h"
#include "app/windows_console.h"
#include "common/wide_text.h"

#include <cstdio>

namespace voxtrel::entry {

namespace {

// How long a later start looks for the central window of a holder still starting: 5 s.
constexpr int FIND_ATTEMPTS = 200;
constexpr DWORD FIND_RETRY_MS = 25;
// A save of many cursors is answered once the file is written.
constexpr UINT ANSWER_WAIT_MS = 10000;

// FNV-1a: a short, stable name for a folder path of any length.
unsigned long long hashOf(const std::wstring& text) {
    unsigned long long hash = 14695981039346656037ull;
    for (wchar_t c : text) {
        for (int shift = 0; shift < 16; shift += 8) {
            hash ^= static_cast<unsigned char>(static_cast<unsigned>(c) >> shift);
            hash *= 1099511628211ull;
        }
    }
    return hash;
}

std::wstring mutexNameOf(const std::string& name) {
    // Local: one claim per sign-in session, where the user's tray and desktop are.
    return L"Local\\" + wideOf(name);
}

// Whether the mutex is held by a running program: taking it at once means nobody holds it (or
// its holder ended without letting go), and then this thread keeps it.
bool heldByAnother(HANDLE mutex) {
    const DWORD taken = WaitForSingleObject(mutex, 0);
    return taken != WAIT_OBJECT_0 && taken != WAIT_ABANDONED;
}

RequestOutcome askHolder(const std::string& name, InstanceRequest request) {
    for (int attempt = 0; attempt < FIND_ATTEMPTS; ++attempt) {
        HWND holder = FindWindowA(CENTRAL_CLASS_NAME, name.c_str());
        if (holder != nullptr) {
            DWORD_PTR answer = 0;
            if (SendMessageTimeoutA(holder, INSTANCE_REQUEST_MESSAGE, static_cast<WPARAM>(request),
                                    0, SMTO_ABORTIFHUNG, ANSWER_WAIT_MS, &answer) == 0)
                return RequestOutcome::NoAnswer;
            return answer == INSTANCE_REQUEST_DONE ? RequestOutcome::Done
                                                   : RequestOutcome::NoAnswer;
        }
        Sleep(FIND_RETRY_MS);
    }
    return RequestOutcome::NoAnswer;
}

} // namespace

std::string instanceName() {
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD length = GetEnvironmentVariableW(L"APPDATA", folder, MAX_PATH + 1);
    std::wstring path = length > 0 && length <= MAX_PATH ? folder : L"";
    // The same folder reached by another spelling is the same configuration.
    wchar_t full[MAX_PATH + 1] = {};
    const DWORD fullLength = GetFullPathNameW(path.c_str(), MAX_PATH + 1, full, nullptr);
    if (!path.empty() && fullLength > 0 && fullLength <= MAX_PATH)
        path = full;
    if (!path.empty())
        CharLowerBuffW(path.data(), static_cast<DWORD>(path.size()));
    char name[48];
    std::snprintf(name, sizeof name, "voxtrel-instance-%016llx", hashOf(path));
    return name;
}

InstanceClaim claimInstance(const std::string& name, InstanceRequest request) {
    // Kept open, and owned by the main thread, for the life of the process.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, mutexNameOf(name).c_str());
    if (mutex == nullptr)
        return InstanceClaim::Unguarded;
    if (!heldByAnother(mutex))
        return InstanceClaim::Claimed;
    CloseHandle(mutex);
    // A holder that never answers is hung, not gone, and a second program must not run beside
    // it either.
    if (askHolder(name, request) != RequestOutcome::Done)
        say("voxtrel: another instance holds this configuration but does not answer; not "
            "starting a second one\n",
            true);
    return InstanceClaim::AnsweredByOther;
}

RequestOutcome sendToInstance(const std::string& name, InstanceRequest request) {
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, mutexNameOf(name).c_str());
    if (mutex == nullptr)
        return RequestOutcome::NotRunning;
    const bool held = heldByAnother(mutex);
    if (!held)
        ReleaseMutex(mutex);
    CloseHandle(mutex);
    return held ? askHolder(name, request) : RequestOutcome::NotRunning;
}

} // namespace voxtrel::entry
