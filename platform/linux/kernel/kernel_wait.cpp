// WaitForSingleObject and WaitForMultipleObjectsEx over the shared wait lock: a wait for all
// takes its objects only when every one of them is signalled at the same moment.
#include "platform/linux/kernel/kernel_objects.h"

#include <chrono>
#include <vector>

using namespace voxtrel::kernel;

namespace {

DWORD waitForObjects(DWORD count, const HANDLE* handles, bool waitAll, DWORD milliseconds) {
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || handles == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    const DWORD tid = currentThreadId();
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);

    std::unique_lock<std::mutex> guard(lock());
    std::vector<Object*> objects(count);
    for (DWORD i = 0; i < count; ++i) {
        objects[i] = lookup(handles[i]);
        if (objects[i] == nullptr) {
            SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
    }
    // Held for the wait, so that a CloseHandle on another thread cannot free them under us.
    for (Object* object : objects)
        ++object->references;

    DWORD result = WAIT_TIMEOUT;
    auto satisfy = [&]() {
        if (waitAll) {
            for (Object* object : objects) {
                if (!object->signalledFor(tid))
                    return false;
            }
            bool abandoned = false;
            for (Object* object : objects)
                abandoned = object->acquire(tid) || abandoned;
            result = abandoned ? WAIT_ABANDONED_0 : WAIT_OBJECT_0;
            return true;
        }
        for (DWORD i = 0; i < count; ++i) {
            if (objects[i]->signalledFor(tid)) {
                result = objects[i]->acquire(tid) ? WAIT_ABANDONED_0 + i : WAIT_OBJECT_0 + i;
                return true;
            }
        }
        return false;
    };
    for (;;) {
        if (satisfy() || milliseconds == 0)
            break;
        if (milliseconds == INFINITE) {
            changed().wait(guard);
        } else if (changed().wait_until(guard, deadline) == std::cv_status::timeout) {
            satisfy(); // the change may have come together with the timeout
            break;
        }
    }
    for (Object* object : objects)
        release(object);
    return result;
}

} // namespace

DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    return waitForObjects(1, &handle, false, milliseconds);
}

DWORD WINAPI WaitForMultipleObjectsEx(DWORD count, const HANDLE* handles, BOOL waitAll,
                                      DWORD milliseconds, BOOL) {
    return waitForObjects(count, handles, waitAll != FALSE, milliseconds);
}

DWORD WINAPI WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll,
                                    DWORD milliseconds) {
    return waitForObjects(count, handles, waitAll != FALSE, milliseconds);
}
