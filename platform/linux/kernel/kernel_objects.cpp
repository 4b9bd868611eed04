// The handle table of waitable objects and the shared wait lock.
#include "platform/linux/kernel/kernel_objects.h"

#include <atomic>
#include <unordered_set>
#include <vector>

namespace voxtrel::kernel {

namespace {

std::unordered_set<Object*>& liveObjects() {
    // Never destroyed: threads may still use it while the process exits.
    static auto* objects = new std::unordered_set<Object*>;
    return *objects;
}

std::mutex hooksMutex;
std::vector<void (*)()>& exitHooks() {
    // Never destroyed: threads may still use it while the process exits.
    static auto* hooks = new std::vector<void (*)()>;
    return *hooks;
}

// Thread ids are multiples of 4 as on Windows; never 0, which means "no thread".
std::atomic<DWORD> nextThreadId{1000};
thread_local DWORD threadId = 0;

} // namespace

std::mutex& lock() {
    // Never destroyed: threads may still use it while the process exits.
    static auto* mutex = new std::mutex;
    return *mutex;
}

std::condition_variable& changed() {
    // Never destroyed: threads may still use it while the process exits.
    static auto* condition = new std::condition_variable;
    return *condition;
}

HANDLE adopt(Object* object) {
    std::lock_guard<std::mutex> guard(lock());
    liveObjects().insert(object);
    return static_cast<HANDLE>(object);
}

Object* lookup(HANDLE handle) {
    auto* object = static_cast<Object*>(handle);
    return liveObjects().count(object) != 0 ? object : nullptr;
}

void release(Object* object) {
    if (--object->references == 0) {
        liveObjects().erase(object);
        delete object;
    }
}

DWORD currentThreadId() {
    if (threadId == 0)
        threadId = nextThreadId.fetch_add(4);
    return threadId;
}

void assignCurrentThreadId(DWORD id) {
    threadId = id;
}

DWORD allocateThreadId() {
    return nextThreadId.fetch_add(4);
}

void addThreadExitHook(void (*hook)()) {
    std::lock_guard<std::mutex> guard(hooksMutex);
    exitHooks().push_back(hook);
}

void runThreadExitHooks() {
    std::vector<void (*)()> hooks;
    {
        std::lock_guard<std::mutex> guard(hooksMutex);
        hooks = exitHooks();
    }
    for (auto hook : hooks)
        hook();
}

} // namespace voxtrel::kernel

DWORD WINAPI GetCurrentThreadId() {
    return voxtrel::kernel::currentThreadId();
}

BOOL WINAPI CloseHandle(HANDLE handle) {
    std::lock_guard<std::mutex> guard(voxtrel::kernel::lock());
    voxtrel::kernel::Object* object = voxtrel::kernel::lookup(handle);
    if (object == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    voxtrel::kernel::release(object);
    return TRUE;
}
