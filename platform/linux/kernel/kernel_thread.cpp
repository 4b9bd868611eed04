// CreateThread on POSIX threads: the handle is signalled once the start routine has returned,
// the thread's exit work (windows, message queue) is done, and the POSIX thread has ended
// altogether, as Windows signals a thread that has terminated. The libraries' per-thread state
// (OpenGL's, the C library's) is torn down after the start routine returns; a process that
// exits as soon as its threads' handles are signalled must not meet that teardown.
#include "platform/linux/kernel/kernel_control.h"
#include "platform/linux/kernel/kernel_objects.h"

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <ctime>
#include <condition_variable>
#include <deque>
#include <set>
#include <thread>

namespace voxtrel::kernel {

namespace {

// Test controls: creations still to fail, and the ids of threads whose end is held back.
std::atomic<int> creationsToFail{0};
std::set<DWORD> heldEnds; // guarded by lock()
std::condition_variable endReleased;

void waitWhileEndHeld(DWORD id) {
    std::unique_lock<std::mutex> guard(lock());
    endReleased.wait(guard, [&] { return heldEnds.count(id) == 0; });
}

class ThreadObject : public Object {
public:
    bool signalledFor(DWORD) const override { return ended; }

    LPTHREAD_START_ROUTINE start = nullptr;
    LPVOID parameter = nullptr;
    DWORD id = 0;
    bool ended = false;
    DWORD exitCode = STILL_ACTIVE;
};

// Joins each thread whose start routine has returned, and only then signals its handle: one
// thread of the layer's own, for the life of the process.
struct Ending {
    pthread_t posixThread;
    ThreadObject* thread;
    DWORD exitCode;
};

struct Reaper {
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<Ending> ending;
};

void reapEndedThreads(Reaper* reaper) {
    for (;;) {
        Ending next{};
        {
            std::unique_lock<std::mutex> guard(reaper->mutex);
            reaper->arrived.wait(guard, [reaper] { return !reaper->ending.empty(); });
            next = reaper->ending.front();
            reaper->ending.pop_front();
        }
        pthread_join(next.posixThread, nullptr);
        {
            std::lock_guard<std::mutex> guard(lock());
            abandonMutexesOf(next.thread->id);
            next.thread->exitCode = next.exitCode;
            next.thread->ended = true;
            release(next.thread); // the running thread's own reference
        }
        changed().notify_all();
    }
}

Reaper& reaper() {
    // Never destroyed: threads may end while the process exits.
    static Reaper* const made = [] {
        auto* created = new Reaper;
        std::thread(reapEndedThreads, created).detach();
        return created;
    }();
    return *made;
}

void* threadMain(void* argument) {
    auto* thread = static_cast<ThreadObject*>(argument);
    assignCurrentThreadId(thread->id);
    const DWORD exitCode = thread->start(thread->parameter);
    runThreadExitHooks();
    waitWhileEndHeld(thread->id);
    Reaper& ends = reaper();
    {
        std::lock_guard<std::mutex> guard(ends.mutex);
        ends.ending.push_back({pthread_self(), thread, exitCode});
    }
    ends.arrived.notify_one();
    return nullptr;
}

} // namespace

void failThreadCreations(int count) {
    creationsToFail = count;
}

void holdThreadEnd(DWORD threadId) {
    std::lock_guard<std::mutex> guard(lock());
    heldEnds.insert(threadId);
}

void releaseThreadEnd(DWORD threadId) {
    {
        std::lock_guard<std::mutex> guard(lock());
        heldEnds.erase(threadId);
    }
    endReleased.notify_all();
}

} // namespace voxtrel::kernel

using namespace voxtrel::kernel;

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                           LPVOID parameter, DWORD flags, LPDWORD threadId) {
    if (start == nullptr || (flags & CREATE_SUSPENDED) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    for (int left = creationsToFail.load(); left > 0;) {
        if (creationsToFail.compare_exchange_weak(left, left - 1)) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
    }
    auto* thread = new ThreadObject;
    thread->start = start;
    thread->parameter = parameter;
    thread->id = allocateThreadId();
    thread->references = 2; // the caller's handle and the running thread
    HANDLE handle = adopt(thread);
    // Stored before the thread runs, as Windows does: the new thread may read it at once.
    if (threadId != nullptr)
        *threadId = thread->id;

    static_cast<void>(reaper()); // running before any thread needs it
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    if (stackSize != 0)
        pthread_attr_setstacksize(&attributes, std::max<SIZE_T>(stackSize, PTHREAD_STACK_MIN));
    pthread_t posixThread;
    const int error = pthread_create(&posixThread, &attributes, threadMain, thread);
    pthread_attr_destroy(&attributes);
    if (error != 0) {
        std::lock_guard<std::mutex> guard(lock());
        release(thread);
        release(thread);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return handle;
}

BOOL WINAPI GetExitCodeThread(HANDLE handle, LPDWORD exitCode) {
    std::lock_guard<std::mutex> guard(lock());
    auto* thread = dynamic_cast<ThreadObject*>(lookup(handle));
    if (thread == nullptr || exitCode == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *exitCode = thread->exitCode;
    return TRUE;
}

void WINAPI Sleep(DWORD milliseconds) {
    timespec duration{static_cast<time_t>(milliseconds / 1000),
                      static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&duration, &duration) != 0) {
    }
}
