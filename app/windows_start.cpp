// The Windows program's start: the command line as Windows hands it over, in UTF-16, read with
// the same rules as on Linux; one running program per user and configuration folder; then the
// program itself.
#include "app/app_shell.h"
#include "app/command_line.h"
#include "app/windows_console.h"
#include "app/windows_instance.h"
#include "common/wide_text.h"

#include <string>
#include <vector>

namespace voxtrel {

namespace {

std::vector<std::string> commandLineWords() {
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> result;
    for (int i = 0; words != nullptr && i < count; ++i)
        result.push_back(utf8Of(words[i]));
    if (words != nullptr)
        LocalFree(words);
    return result;
}

int sendCommand(const std::string& name, entry::InstanceRequest request) {
    switch (entry::sendToInstance(name, request)) {
    case entry::RequestOutcome::Done:
        return 0;
    case entry::RequestOutcome::NotRunning:
        say("voxtrel: Voxtrel is not running\n", true);
        return 1;
    case entry::RequestOutcome::NoAnswer:
        break;
    }
    say("voxtrel: the running Voxtrel does not answer\n", true);
    return 1;
}

} // namespace

int startProgram() {
    const std::vector<std::string> words = commandLineWords();
    std::vector<const char*> argv;
    for (const std::string& word : words)
        argv.push_back(word.c_str());
    const entry::StartRequest start =
        entry::parseCommandLine(static_cast<int>(argv.size()), argv.data());
    const std::string name = entry::instanceName();
    switch (start.action) {
    case entry::StartAction::Help:
        say(entry::usageText(), false);
        return 0;
    case entry::StartAction::Version:
        say(std::string("voxtrel ") + VOXTREL_VERSION + "\n", false);
        return 0;
    case entry::StartAction::Misuse:
        say("voxtrel: " + start.problem + "\n" + entry::usageText(), true);
        return 2;
    case entry::StartAction::Command:
        if (!entry::startsTheProgram(start.request))
            return sendCommand(name, start.request);
        break;
    case entry::StartAction::Run:
        break;
    }
    // A second start on the same configuration shows the first one's cursors and ends.
    if (entry::claimInstance(name, start.request) == entry::InstanceClaim::AnsweredByOther)
        return 0;
    return runProgram(name.c_str());
}

} // namespace voxtrel
