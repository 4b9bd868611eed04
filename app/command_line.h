// The program's command line, the same on every system: help, version, and the commands it
// hands to the program already running. A plain start takes no argument.
#pragma once

#include "app/instance_request.h"

#include <string>

namespace voxtrel::entry {

enum class StartAction {
    Run,     // start, or bring the running program forward (`request` is Start)
    Command, // hand `request` to the running program
    Help,
    Version,
    Misuse, // `problem` says what was wrong
};

struct StartRequest {
    StartAction action = StartAction::Run;
    InstanceRequest request = InstanceRequest::Start;
    std::string problem;
};

StartRequest parseCommandLine(int argc, const char* const* argv);

// What --help prints: how to start the program and every option.
std::string usageText();

// Whether a command starts the program when none runs yet (the others need one running).
bool startsTheProgram(InstanceRequest request);

} // namespace voxtrel::entry
