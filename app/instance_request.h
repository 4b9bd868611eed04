// What a start of the program asks of the one already running on the same configuration, and
// how that went: the words the single-instance guard of each system speaks.
#pragma once

namespace voxtrel::entry {

enum class InstanceRequest {
    Start,     // come forward: show every cursor, or make one when there is none at all
    NewCursor, // the main menu's commands
    ShowAll,
    HideAll,
    Save,
    Exit,
};

enum class InstanceClaim {
    Claimed,         // this process is the only one; later starts are answered from now on
    AnsweredByOther, // another process runs and was asked to show its cursors
    Unguarded,       // no claim could be made: run without the guard
};

enum class RequestOutcome { Done, NotRunning, NoAnswer };

} // namespace voxtrel::entry
