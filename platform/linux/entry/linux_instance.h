// One running program per user and configuration folder: a second start asks the first to show
// its cursors and ends, so that two registries never save over each other's configuration. The
// same channel carries the commands of the command line to the running program.
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

// What a later start asks of the running program.
enum class InstanceRequest {
    Start,     // come forward: show every cursor, or make one when there is none at all
    NewCursor, // the main menu's commands
    ShowAll,
    HideAll,
    Save,
    Exit,
};

// Claims `key` for this process, or hands `request` to its holder. The claim is an abstract
// Unix socket, which the kernel releases when the process ends however it ends, so a crashed
// instance never blocks the next start.
InstanceClaim claimInstance(const std::string& key,
                            InstanceRequest request = InstanceRequest::Start);

enum class RequestOutcome { Done, NotRunning, NoAnswer };

// Hands `request` to the program holding `key`, without claiming it when none runs.
RequestOutcome sendToInstance(const std::string& key, InstanceRequest request);

} // namespace voxtrel::entry
