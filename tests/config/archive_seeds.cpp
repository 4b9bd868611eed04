// Writes the fuzzer's starting files into the folder named on its command line: configurations
// as the program saves them, each read back first. Exits 1, writing nothing more, when one does
// not load: a fuzzer that starts from a refused file explores only the refusals.
#include "config/archive.h"
#include "tests/config/real_configurations.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: archive_seeds FOLDER\n");
        return 2;
    }
    setenv("VOXTREL_DISPLAY", "headless", 1);
    const auto configurations = voxtrel::testing_support::realConfigurations();
    for (std::size_t index = 0; index < configurations.size(); ++index) {
        voxtrel::Desktop registry;
        const auto problem = voxtrel::readArchive(configurations[index], registry);
        registry.discardUnstarted();
        if (problem) {
            std::fprintf(stderr, "archive_seeds: a saved configuration is refused: %s\n",
                         problem->c_str());
            return 1;
        }
        std::ofstream(std::string(argv[1]) + "/saved-" + std::to_string(index))
            << configurations[index];
    }
    return 0;
}
