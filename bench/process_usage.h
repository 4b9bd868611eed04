// What a process has used so far, from /proc: CPU time and resident memory. For benchmarks.
#pragma once

#include <string>

namespace voxtrel::bench {

// User and system CPU time of process `pid` ("self" for this one), in seconds.
double cpuSeconds(const std::string& pid = "self");
// Resident memory of this process, in megabytes.
double residentMegabytes();

} // namespace voxtrel::bench
