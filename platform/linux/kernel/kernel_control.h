// What tests use to steer the kernel services: the tick count and the reported version.
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

} // namespace voxtrel::kernel
