// Waitable kernel objects (threads, mutexes) behind HANDLE values, and the one lock and
// condition that every wait and every change of a signalled state goes through.
#pragma once

#include "platform/win32.h"

#include <condition_variable>
#include <mutex>

namespace voxtrel::kernel {

class Object {
public:
    virtual ~Object() = default;
    // Whether a wait by thread `tid` would be satisfied now. Called with lock() held.
    virtual bool signalledFor(DWORD tid) const = 0;
    // Takes what a satisfied wait takes (a mutex's ownership); true when that mutex was
    // abandoned by a thread that ended while owning it. Called with lock() held.
    virtual bool acquire(DWORD) { return false; }

    int references = 1; // guarded by lock()
};

std::mutex& lock();
// Notified whenever an object may have become signalled.
std::condition_variable& changed();

// Registers a new object and returns its handle.
HANDLE adopt(Object* object);
// The live object behind a handle, or null. Called with lock() held.
Object* lookup(HANDLE handle);
// Drops one reference; the last one frees the object. Called with lock() held.
void release(Object* object);

DWORD currentThreadId();
// For CreateThread: an id for a thread still to start, reported to the caller at once, and the
// same id given to the thread once it runs.
DWORD allocateThreadId();
void assignCurrentThreadId(DWORD id);

// Whether `instance` is the program's own module, whose resources are built into the layer.
bool isProgramModule(HINSTANCE instance);

// The Win32 error code for a POSIX errno value of a file call.
DWORD errorFromErrno(int error);

// Work each thread does when it ends, before its handle is signalled: the user layer drops the
// thread's windows and message queue there, so a waiter never sees them half gone.
void addThreadExitHook(void (*hook)());
void runThreadExitHooks();

// Called at thread end with lock() held: mutexes still owned by `tid` become abandoned.
void abandonMutexesOf(DWORD tid);

} // namespace voxtrel::kernel
