// Random argument vectors: the parser and its checks end in a documented status, never a crash.
#include "quarnel/run/command_line.h"

#include "tests/quarnel/run/parse_runner.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

using namespace quarnel;

namespace {

// Pieces that reach deep into the switch table, mixed with random bytes.
const std::vector<std::string> fragments = {
    "-",     "+",     "-?",    "-h",     "-a",    "-ai",      "-o",     "-os",
    "-c",    "-d",    "-C*",   "-C?",    "-D*",   "-f",       "-F",     "-l",
    "-l+",   "-n",    "-w",    "-b",     "-e",    "-r",       "-v",     "-p",
    "-p?",   "-%",    "-!",    "+mega8", "+AT",   "mega8",    "tiny13", "OSCCAL",
    "SERNO", "BYTES", "=",     ",",      ":",     ":ihex:",   ":bin:",  "*",
    "?",     "0",     "1",     "2",      "65534", "65535",    "256",    "MHz",
    "kHz",   "Hz",    "A55A",  "0x",     "CKSEL", "BODLEVEL", "=ON",    "=OFF",
    "_LOW",  "_LOCK", "a.hex", "b.eep",  "1e999", "nan",      "-1",     "99999999999999999999"};

std::string random_argument(std::mt19937& rng) {
    std::string arg;
    const int pieces = std::uniform_int_distribution<int>(0, 5)(rng);
    for (int i = 0; i < pieces; ++i) {
        if (std::uniform_int_distribution<int>(0, 3)(rng) == 0) {
            arg += static_cast<char>(std::uniform_int_distribution<int>(1, 255)(rng));
        } else {
            arg +=
                fragments[std::uniform_int_distribution<std::size_t>(0, fragments.size() - 1)(rng)];
        }
    }
    return arg;
}

} // namespace

TEST(CommandLineFuzz, EveryVectorEndsInADocumentedStatus) {
    std::mt19937 rng(20261208);
    int failures = 0;
    for (int round = 0; round < 3000 && failures < 5; ++round) {
        std::vector<std::string> args;
        // Half the vectors name a device, so that the checks after parsing run too.
        if (round % 2 == 0) {
            args.push_back("+mega8");
        }
        const int count = std::uniform_int_distribution<int>(1, 6)(rng);
        for (int i = 0; i < count; ++i) {
            args.push_back(random_argument(rng));
        }
        const auto outcome = parse_args(args, true);
        const bool documented = !outcome.raised || outcome.status == 0 || outcome.status == 70;
        if (!documented || !outcome.unexpected.empty()) {
            ++failures;
            std::string shown;
            for (const auto& arg : args) {
                shown += " [" + arg + "]";
            }
            ADD_FAILURE() << "round " << round << shown << ": status " << outcome.status << " "
                          << outcome.unexpected;
        }
    }
}
