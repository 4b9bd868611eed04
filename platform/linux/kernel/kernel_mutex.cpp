// Unnamed mutexes: recursive ownership by one thread, abandoned when their owner ends.
#include "platform/linux/kernel/kernel_objects.h"

#include <unordered_set>

namespace voxtrel::kernel {

namespace {

class MutexObject : public Object {
public:
    MutexObject();
    ~MutexObject() override;

    bool signalledFor(DWORD tid) const override { return owner == 0 || owner == tid; }
    bool acquire(DWORD tid) override {
        owner = tid;
        ++count;
        const bool wasAbandoned = abandoned;
        abandoned = false;
        return wasAbandoned;
    }

    DWORD owner = 0;
    unsigned count = 0;
    bool abandoned = false;
};

// Every live mutex, so that a thread's end can find those it still owns. Guarded by lock().
std::unordered_set<MutexObject*>& mutexes() {
    // Never destroyed: threads may still use it while the process exits.
    static auto* all = new std::unordered_set<MutexObject*>;
    return *all;
}

MutexObject::MutexObject() {
    mutexes().insert(this);
}
MutexObject::~MutexObject() {
    mutexes().erase(this);
}

} // namespace

void abandonMutexesOf(DWORD tid) {
    for (MutexObject* mutex : mutexes()) {
        if (mutex->owner == tid) {
            mutex->owner = 0;
            mutex->count = 0;
            mutex->abandoned = true;
        }
    }
}

} // namespace voxtrel::kernel

using namespace voxtrel::kernel;

HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCSTR name) {
    if (name != nullptr) {
        // Named mutexes are shared between processes on Windows; nothing here needs them.
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    MutexObject* mutex;
    {
        std::lock_guard<std::mutex> guard(lock());
        mutex = new MutexObject;
        if (initialOwner)
            mutex->acquire(currentThreadId());
    }
    return adopt(mutex);
}

BOOL WINAPI ReleaseMutex(HANDLE handle) {
    {
        std::lock_guard<std::mutex> guard(lock());
        auto* mutex = dynamic_cast<MutexObject*>(lookup(handle));
        if (mutex == nullptr) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        if (mutex->owner != currentThreadId() || mutex->count == 0) {
            SetLastError(ERROR_NOT_OWNER);
            return FALSE;
        }
        if (--mutex->count == 0)
            mutex->owner = 0;
    }
    changed().notify_all();
    return TRUE;
}
