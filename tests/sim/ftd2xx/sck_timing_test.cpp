// Whole quarnel runs over the stand-in FTDI library: the chip sees each SCK phase exactly as
// long as the programmed divisor makes it, so a clock too fast for the chip loses its bits.
#include "tests/support/run_program.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// What quarnel prints after its command echo.
std::string after_command(const ProgramResult& result, const std::string& command_line) {
    const std::string echo = "Command:\n  " + command_line + "\n";
    const std::size_t at = result.output.find(echo);
    return at == std::string::npos ? result.output : result.output.substr(at + echo.size());
}

// A mega328P at 16 MHz needs SCK phases over three of its clock periods (187.5 ns): the
// FT2232H gives 2.5 MHz (200 ns) as the nearest legal speed and 3 MHz (167 ns) above it.
TEST(FtdiSckTiming, AFastChipAnswersAtItsSpeedAndMissesBitsAboveIt) {
    const struct {
        const char* speed;
        int status;
        const char* said; // the start of what follows the command echo
    } cases[] = {
        {"-o16MHz", 0, "Device connected, mega328P detected\nChip not locked\n"},
        {"-os2500kHz", 0, "Device connected, mega328P detected\nChip not locked\n"},
        {"-os3MHz", 40, "Can't resync\n\nReset pin released\n"},
        {"-os6MHz", 40, "Can't resync\n\nReset pin released\n"},
    };
    // The bus counted ahead of the host, and the bus waited out on the host.
    for (const char* timing : {"fast", "real"}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(timing) + " " + c.speed);
            const TempDir dir;
            const std::string target = dir.file("chip.avr");
            ProgramRun run;
            run.program = "avrsim";
            run.args = {"new", target, "mega328P", "clock=16MHz", "ftdi=ft2232h"};
            const ProgramResult made = run_program(run);
            ASSERT_EQ(made.status, 0) << made.output;

            run.program = "quarnel";
            run.args = {"+mega328P", "-aft2232h", c.speed};
            run.env = {{"AVRSIM_TARGET", target},
                       {"AVRSIM_FTDI_TIMING", timing},
                       {"FTD2XX_LIBRARY", bin_path("libavrsim_ftd2xx.so")}};
            const ProgramResult result = run_program(run);
            const std::string said =
                after_command(result, std::string("+mega328P -aft2232h ") + c.speed);
            EXPECT_EQ(said.substr(0, std::string(c.said).size()), c.said) << result.output;
            EXPECT_EQ(result.status, c.status);
        }
    }
}

} // namespace
