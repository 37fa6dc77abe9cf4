// The run's operations through a programmer with page commands of its own (no spi_t): program,
// verify, fuses and a production insert in one run, the read of the chip in a second.
#include "quarnel/common/errors.h"
#include "quarnel/isp/target_power.h"
#include "quarnel/run/command_check.h"
#include "quarnel/run/command_line.h"
#include "quarnel/run/run_sequence.h"
#include "quarnel/run/run_steps.h"
#include "tests/support/page_programmer.h"
#include "tests/support/run_program.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace quarnel;

namespace {

// Intel HEX text of `bytes` from address 0.
std::string hex_of(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    char line[64];
    for (std::size_t at = 0; at < bytes.size(); at += 16) {
        const std::size_t n = std::min<std::size_t>(16, bytes.size() - at);
        unsigned sum = unsigned(n) + (at >> 8 & 0xFF) + (at & 0xFF);
        std::snprintf(line, sizeof line, ":%02X%04X00", unsigned(n), unsigned(at));
        text += line;
        for (std::size_t i = 0; i < n; ++i) {
            std::snprintf(line, sizeof line, "%02X", bytes[at + i]);
            text += line;
            sum += bytes[at + i];
        }
        std::snprintf(line, sizeof line, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
        text += line;
    }
    return text + ":00000001FF\n";
}

// One run of `args` as main runs it, with `programmer` in place of an adapter.
std::string run_on(page_programmer_t& programmer, RunState& state, std::vector<std::string> args) {
    args.insert(args.begin(), "quarnel");
    std::vector<const char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(arg.c_str());
    }
    testing::internal::CaptureStdout();
    try {
        parse_command_line(static_cast<int>(argv.size()), argv.data(), state.options);
        check_command(state.options, state.session.fuses);
        settle_run(state);
        load_files(state);
        state.session.programmer = &programmer;
        power_up_target(state.session);
        run_operations(state);
        release_target(state.session);
    } catch (const app_error& error) {
        const std::string printed = testing::internal::GetCapturedStdout();
        ADD_FAILURE() << "status " << error.code << ": " << printed;
        return printed;
    }
    return testing::internal::GetCapturedStdout();
}

} // namespace

TEST(PageProgrammerRun, ProgramVerifyFusesInsertsAndReadGoThroughPagesAndBlocks) {
    TempDir dir;
    std::vector<std::uint8_t> image(1000);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = std::uint8_t(i * 13 + 1);
    }
    write_file(dir.file("prog.hex"), hex_of(image));
    page_programmer_t programmer("mega8");

    RunState write_run;
    const std::string printed =
        run_on(programmer, write_run,
               {"+mega8", "-e", "-w", "-v", "-fSUT=1", "-C*BYTES2=10,A55A", dir.file("prog.hex")});
    EXPECT_NE(printed.find("Verifying CODE memory\n"), std::string::npos) << printed;
    EXPECT_NE(printed.find("New fuses value"), std::string::npos) << printed;
    EXPECT_EQ(printed.find("failed"), std::string::npos) << printed;
    // 1000 bytes fill 16 pages of 64; the verify reads them in two blocks, 512 and 488.
    EXPECT_EQ(programmer.pages_written, 16);
    EXPECT_EQ(programmer.bytes_written, 0);
    EXPECT_EQ(programmer.blocks_read, 2);
    image[0x10] = 0xA5; // the insert
    image[0x11] = 0x5A;
    const ChipState& chip = programmer.wire().state();
    EXPECT_TRUE(std::equal(image.begin(), image.end(), chip.flash.begin()));

    RunState read_run;
    const int blocks_before = programmer.blocks_read;
    run_on(programmer, read_run, {"+mega8", "-r", dir.file("read.hex")});
    EXPECT_EQ(programmer.blocks_read - blocks_before, 16) << "8 KB in blocks of 512";
    std::vector<std::uint8_t> read;
    for (const CodePortion& portion : read_run.flash) {
        read.insert(read.end(), portion.bytes(), portion.bytes() + portion.length);
    }
    ASSERT_EQ(read.size(), 8192u);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), read.begin()));
}
