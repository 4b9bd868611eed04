// One running program per user and configuration folder on Windows: a named mutex, owned by the
// main thread of the program that runs, claims the configuration; a later start hands its
// request to that program's central window, whose title is the claim's name.
#pragma once

#include "app/instance_request.h"

#include <string>

namespace voxtrel::entry {

// The claim's name for this configuration folder ("voxtrel-instance-" and a hash of it): also
// the title of the central window that answers for it.
std::string instanceName();

// Claims `name` for this process, or hands `request` to the program holding it. A holder that
// ended however it ended leaves the mutex abandoned, which the next start simply takes.
InstanceClaim claimInstance(const std::string& name, InstanceRequest request);

// Hands `request` to the program holding `name`, without claiming it when none runs.
RequestOutcome sendToInstance(const std::string& name, InstanceRequest request);

} // namespace voxtrel::entry
