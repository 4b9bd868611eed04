// What tests use to steer the kernel services: the tick count, the reported version and threads.
#pragma once

#include "platform/win32.h"

namespace voxtrel::kernel {

// Added to every GetTickCount, so that a test can bring the 2^32 wrap within reach.
void setTickOffset(DWORD offset);
// Holds GetTickCount at exactly `tick` until the clock is let go, so that a test can
// step a frame loop through exact times.
void holdTickCount(DWORD tick);
void releaseTickCount();
// The Windows version the layer reports to VerifyVersionInfoA (10.0 unless set).
void setReportedVersion(DWORD major, DWORD minor);
// The next `count` CreateThread calls fail with ERROR_NOT_ENOUGH_MEMORY, as when the system
// has no threads left to give.
void failThreadCreations(int count);
// The thread with this id, once its start routine and exit work are done, is not signalled
// until it is let go: a thread slow to tear down, that a wait must not miss.
void holdThreadEnd(DWORD threadId);
void releaseThreadEnd(DWORD threadId);

} // namespace voxtrel::kernel
