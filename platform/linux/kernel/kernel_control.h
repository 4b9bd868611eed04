// What tests use to steer the kernel services: the tick count and the reported version.
#pragma once

#include "platform/win32.h"

namespace voxtrel::kernel {

// Added to every GetTickCount, so that a test can bring the 2^32 wrap within reach.
void setTickOffset(DWORD offset);
// The Windows version the layer reports to VerifyVersionInfoA (10.0 unless set).
void setReportedVersion(DWORD major, DWORD minor);

} // namespace voxtrel::kernel
