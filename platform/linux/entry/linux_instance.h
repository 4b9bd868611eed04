// One running program per user and configuration folder: a second start asks the first to show
// its cursors and ends, so that two registries never save over each other's configuration.
#pragma once

#include <string>

namespace voxtrel::entry {

enum class InstanceClaim {
    Claimed,         // this process is the only one; later starts are answered from now on
    AnsweredByOther, // another process runs and was asked to show its cursors
    Unguarded,       // no claim could be made (no sockets): run without the guard
};

// The name that identifies the running program of this user and configuration folder.
std::string instanceKey();

// Claims `key` for this process, or asks its holder to show its cursors. The claim is an
// abstract Unix socket, which the kernel releases when the process ends however it ends, so
// a crashed instance never blocks the next start.
InstanceClaim claimInstance(const std::string& key);

} // namespace voxtrel::entry
