// Reading the command line. One option at most: the program is either started, asked
// something once, or told how to be used.
#include "app/command_line.h"

#include <cstring>

namespace voxtrel::entry {

namespace {

struct CommandOption {
    const char* name;
    InstanceRequest request;
    const char* help;
};

constexpr CommandOption kCommands[] = {
    {"--new-cursor", InstanceRequest::NewCursor,
     "add a cursor (starts Voxtrel if it is not running)"},
    {"--show-all", InstanceRequest::ShowAll,
     "show every cursor (starts Voxtrel if it is not running)"},
    {"--hide-all", InstanceRequest::HideAll, "hide every cursor"},
    {"--save", InstanceRequest::Save, "save the cursors, as \"Save Config\" does"},
    {"--exit", InstanceRequest::Exit, "end the running Voxtrel"},
};

} // namespace

StartRequest parseCommandLine(int argc, const char* const* argv) {
    StartRequest request;
    if (argc <= 1)
        return request;
    if (argc > 2) {
        request.action = StartAction::Misuse;
        request.problem = "one option at a time";
        return request;
    }
    const char* option = argv[1];
    if (std::strcmp(option, "--help") == 0 || std::strcmp(option, "-h") == 0) {
        request.action = StartAction::Help;
        return request;
    }
    if (std::strcmp(option, "--version") == 0) {
        request.action = StartAction::Version;
        return request;
    }
    for (const CommandOption& command : kCommands) {
        if (std::strcmp(option, command.name) == 0) {
            request.action = StartAction::Command;
            request.request = command.request;
            return request;
        }
    }
    request.action = StartAction::Misuse;
    request.problem = std::string("unknown option '") + option + "'";
    return request;
}

std::string usageText() {
    std::string text =
        "Usage: voxtrel [OPTION]\n"
        "Spinning launcher solids on the desktop. Without an option, starts Voxtrel,\n"
        "or shows the cursors of the one already running.\n\n"
        "Commands to the running Voxtrel:\n";
    for (const CommandOption& command : kCommands) {
        std::string line = "  " + std::string(command.name);
        line.resize(18, ' ');
        text += line + command.help + "\n";
    }
    text += "\n  -h, --help        show this help and end\n"
            "      --version     show the version and end\n";
    return text;
}

bool startsTheProgram(InstanceRequest request) {
    return request == InstanceRequest::Start || request == InstanceRequest::NewCursor ||
           request == InstanceRequest::ShowAll;
}

} // namespace voxtrel::entry
