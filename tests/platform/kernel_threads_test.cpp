// Threads, mutexes and waits of the kernel layer.
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace {

DWORD WINAPI returnParameter(LPVOID parameter) {
    return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(parameter));
}

struct Gate {
    HANDLE mutex = CreateMutexA(nullptr, TRUE, nullptr); // held by the test until it opens
};

DWORD WINAPI waitAtGate(LPVOID parameter) {
    auto* gate = static_cast<Gate*>(parameter);
    WaitForSingleObject(gate->mutex, INFINITE);
    ReleaseMutex(gate->mutex);
    return 7;
}

TEST(Threads, HandleIsSignalledOnceTheThreadEndsWithItsExitCode) {
    Gate gate;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, waitAtGate, &gate, 0, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(id, 0u);
    EXPECT_NE(id, GetCurrentThreadId());
    EXPECT_EQ(WaitForSingleObject(thread, 50), WAIT_TIMEOUT);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, STILL_ACTIVE);

    ReleaseMutex(gate.mutex);
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 7u);
    // Stays signalled for every later wait.
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(thread));
    EXPECT_FALSE(CloseHandle(thread));
    CloseHandle(gate.mutex);
}

// What a thread's own teardown does (its thread_local objects, the libraries' per-thread state)
// is over before its handle says it has ended: a process that exits then meets none of it.
std::atomic<bool> teardownDone{false};

struct SlowTeardown {
    ~SlowTeardown() {
        Sleep(100);
        teardownDone = true;
    }
};

DWORD WINAPI endWithASlowTeardown(LPVOID) {
    static thread_local SlowTeardown state;
    static_cast<void>(&state);
    return 0;
}

TEST(Threads, TheHandleIsSignalledOnlyOnceTheThreadsOwnTeardownIsOver) {
    HANDLE thread = CreateThread(nullptr, 0, endWithASlowTeardown, nullptr, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    EXPECT_TRUE(teardownDone);
    CloseHandle(thread);
}

TEST(Threads, EachThreadHasItsOwnId) {
    std::vector<HANDLE> handles;
    std::vector<DWORD> ids(8);
    for (DWORD& id : ids)
        handles.push_back(CreateThread(nullptr, 0, returnParameter, nullptr, 0, &id));
    EXPECT_EQ(WaitForMultipleObjectsEx(8, handles.data(), TRUE, INFINITE, FALSE), WAIT_OBJECT_0);
    for (std::size_t i = 0; i < ids.size(); ++i)
        for (std::size_t j = i + 1; j < ids.size(); ++j)
            EXPECT_NE(ids[i], ids[j]);
}

TEST(Waits, WaitAnyReportsTheFirstSignalledHandle) {
    Gate gate;
    HANDLE running = CreateThread(nullptr, 0, waitAtGate, &gate, 0, nullptr);
    HANDLE finished = CreateThread(nullptr, 0, returnParameter, nullptr, 0, nullptr);
    HANDLE both[] = {running, finished};
    EXPECT_EQ(WaitForMultipleObjectsEx(2, both, FALSE, INFINITE, FALSE), WAIT_OBJECT_0 + 1);
    // Wait-all is not satisfied while one of them still runs.
    EXPECT_EQ(WaitForMultipleObjectsEx(2, both, TRUE, 30, FALSE), WAIT_TIMEOUT);
    ReleaseMutex(gate.mutex);
    EXPECT_EQ(WaitForMultipleObjectsEx(2, both, TRUE, INFINITE, FALSE), WAIT_OBJECT_0);
}

TEST(Waits, FailAtOnceAboveSixtyFourHandlesOrWithNone) {
    HANDLE thread = CreateThread(nullptr, 0, returnParameter, nullptr, 0, nullptr);
    std::vector<HANDLE> handles(65, thread);
    EXPECT_EQ(WaitForMultipleObjectsEx(65, handles.data(), TRUE, INFINITE, FALSE), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(WaitForMultipleObjectsEx(0, handles.data(), TRUE, INFINITE, FALSE), WAIT_FAILED);
    EXPECT_EQ(WaitForMultipleObjectsEx(64, handles.data(), TRUE, INFINITE, FALSE), WAIT_OBJECT_0);
}

TEST(Waits, AnUnknownHandleFails) {
    int notAHandle = 0;
    EXPECT_EQ(WaitForSingleObject(&notAHandle, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

struct Counter {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    long value = 0; // updated without atomics: only the mutex protects it
};

DWORD WINAPI addUnderMutex(LPVOID parameter) {
    auto* counter = static_cast<Counter*>(parameter);
    for (int i = 0; i < 2000; ++i) {
        WaitForSingleObject(counter->mutex, INFINITE);
        const long seen = counter->value;
        counter->value = seen + 1;
        ReleaseMutex(counter->mutex);
    }
    return 0;
}

TEST(Mutexes, SerialiseThreadsAndAreOwnedRecursively) {
    Counter counter;
    std::vector<HANDLE> threads;
    for (int i = 0; i < 4; ++i)
        threads.push_back(CreateThread(nullptr, 0, addUnderMutex, &counter, 0, nullptr));
    WaitForMultipleObjectsEx(4, threads.data(), TRUE, INFINITE, FALSE);
    EXPECT_EQ(counter.value, 8000);

    EXPECT_EQ(WaitForSingleObject(counter.mutex, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(counter.mutex, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(counter.mutex));
    EXPECT_TRUE(ReleaseMutex(counter.mutex));
    EXPECT_FALSE(ReleaseMutex(counter.mutex)) << "released more often than taken";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_OWNER));
    EXPECT_EQ(CreateMutexA(nullptr, FALSE, "named"), nullptr);
}

DWORD WINAPI takeAndLeave(LPVOID parameter) {
    WaitForSingleObject(static_cast<HANDLE>(parameter), INFINITE);
    return 0; // ends while owning it
}

TEST(Mutexes, OneLeftOwnedByAnEndedThreadIsAbandoned) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, takeAndLeave, mutex, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    EXPECT_EQ(WaitForSingleObject(mutex, 1000), WAIT_ABANDONED_0);
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
}

} // namespace
