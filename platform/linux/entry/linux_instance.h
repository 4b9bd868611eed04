// One running program per user and configuration folder: a second start asks the first to show
// its cursors and ends, so that two registries never save over each other's configuration. The
// same channel carries the commands of the command line to the running program.
#pragma once

#include "app/instance_request.h"

#include <string>

namespace voxtrel::entry {

// The name that identifies the running program of this user and configuration folder.
std::string instanceKey();

// Claims `key` for this process, or hands `request` to its holder. The claim is an abstract
// Unix socket, which the kernel releases when the process ends however it ends, so a crashed
// instance never blocks the next start.
InstanceClaim claimInstance(const std::string& key,
                            InstanceRequest request = InstanceRequest::Start);

// Hands `request` to the program holding `key`, without claiming it when none runs.
RequestOutcome sendToInstance(const std::string& key, InstanceRequest request);

} // namespace voxtrel::entry
