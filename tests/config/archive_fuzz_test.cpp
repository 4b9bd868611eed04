// Thousands of damaged versions of a real configuration file: cut short at every length, bytes
// flipped, numbers replaced by huge, negative and repeated values, object ids pointing back.
// Each must load or give a message, within a second, without a crash or a leak (the suite runs
// under AddressSanitizer). archive_fuzzer.cpp goes on from here for as long as one likes.
#include "config/archive.h"
#include "config/archive_check.h"

#include "tests/config/real_configurations.h"
#include "tests/support/fixed_screen.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

namespace voxtrel {
namespace {

struct Outcome {
    int loaded = 0;
    int refused = 0;
};

// Loads one input; fails the test when it takes a second or more.
void tryInput(const std::string& input, Outcome& outcome) {
    Desktop registry;
    const auto start = std::chrono::steady_clock::now();
    const auto problem = readArchive(input, registry);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::seconds(1)) << input;
    if (problem) {
        // Only an empty file goes to the library unchecked; anything else it fails on, the check
        // should have refused, since a failure half-way through an object leaks it.
        if (checkArchive(input).problem.empty() && !input.empty()) {
            static int dumped = 0;
            if (const char* dump = std::getenv("VOXTREL_FUZZ_DUMP"))
                std::ofstream(std::string(dump) + "/case" + std::to_string(dumped++)) << input;
            ADD_FAILURE() << "passed the check but not the library: " << *problem;
        }
        ++outcome.refused;
        EXPECT_FALSE(problem->empty());
        EXPECT_TRUE(registry.threads.empty()) << "a failed load adds no cursor";
    } else {
        ++outcome.loaded;
    }
    registry.discardUnstarted();
}

// Where each whitespace-separated token of `text` starts and ends.
std::vector<std::pair<std::size_t, std::size_t>> tokens(const std::string& text) {
    std::vector<std::pair<std::size_t, std::size_t>> found;
    std::size_t position = 0;
    while ((position = text.find_first_not_of(" \n", position)) != std::string::npos) {
        const std::size_t end = std::min(text.find_first_of(" \n", position), text.size());
        found.emplace_back(position, end);
        position = end;
    }
    return found;
}

TEST(ArchiveFuzz, DamagedFilesLoadOrGiveAMessageAndNeverCrashHangOrLeak) {
    testing_support::useFixedScreen();
    // The fuzzers' starting files load whole: a refused one would leave them only refusals to
    // explore.
    const auto saved = testing_support::realConfigurations();
    const std::size_t cursors[] = {3, 1, 0};
    ASSERT_EQ(saved.size(), std::size(cursors));
    for (std::size_t index = 0; index < saved.size(); ++index) {
        Desktop registry;
        EXPECT_EQ(readArchive(saved[index], registry), std::nullopt) << saved[index];
        EXPECT_EQ(registry.threads.size(), cursors[index]);
        registry.discardUnstarted();
    }
    const std::string original = saved.front();
    std::mt19937 random(20261208);
    Outcome outcome;
    int cases = 0;

    for (std::size_t length = 0; length < original.size(); ++length, ++cases)
        tryInput(original.substr(0, length), outcome);

    for (int i = 0; i < 1500; ++i, ++cases) {
        std::string flipped = original;
        const int flips = 1 + static_cast<int>(random() % 3);
        for (int f = 0; f < flips; ++f)
            flipped[random() % flipped.size()] = static_cast<char>(random() % 256);
        tryInput(flipped, outcome);
    }

    const auto numbers = tokens(original);
    const std::vector<std::string> replacements = {"1000000000000", "-1",    "-2147483649",
                                                   "4294967296",    "0",     "99999999999999999999",
                                                   "1e308",         "1e999", "-1e-999"};
    for (std::size_t t = 0; t < numbers.size(); ++t) {
        const auto [start, end] = numbers[t];
        std::vector<std::string> values = replacements;
        if (t > 0) // the value before, repeated: ids and counts pointing back
            values.push_back(original.substr(numbers[t - 1].first,
                                             numbers[t - 1].second - numbers[t - 1].first));
        for (const std::string& value : values) {
            tryInput(original.substr(0, start) + value + original.substr(end), outcome);
            ++cases;
        }
    }

    // Tokens dropped or doubled.
    for (int i = 0; i < 400; ++i, ++cases) {
        const auto [start, end] = numbers[random() % numbers.size()];
        const std::string token = original.substr(start, end - start);
        tryInput(i % 2 == 0 ? original.substr(0, start) + original.substr(end)
                            : original.substr(0, end) + " " + token + original.substr(end),
                 outcome);
    }

    EXPECT_GE(cases, 3000);
    EXPECT_GT(outcome.loaded, 0) << "some changes are harmless";
    EXPECT_GT(outcome.refused, cases / 2);
    tryInput(original, outcome);
}

} // namespace
} // namespace voxtrel
