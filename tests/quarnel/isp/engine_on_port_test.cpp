// The ISP engine over the parallel-port adapter and the stand-in port library with a virtual chip.
#include "isp_fixture.h"
#include "quarnel/adapters/lpt/lpt_adapter_setup.h"
#include "quarnel/image/portion_list.h"
#include "quarnel/isp/chip_commands.h"
#include "quarnel/isp/memory_operations.h"
#include "quarnel/isp/programming_mode.h"
#include "quarnel/isp/target_power.h"
#include "tests/support/run_program.h"

#include <cstdlib>
#include <memory>

using namespace quarnel;

TEST_F(IspTest, Program32KOverTheStandInPort) {
    TempDir dir;
    const std::string target = dir.file("chip.target");
    ProgramRun make;
    make.program = "avrsim";
    make.args = {"new", target, "mega328P", "clock=16MHz", "port_cycle_us=0.25"};
    const ProgramResult made = run_program(make);
    ASSERT_EQ(made.status, 0) << made.output;
    ::setenv("DLPORTIO_LIBRARY", bin_path("libavrsim_dlportio.so").c_str(), 1);
    ::setenv("AVRSIM_TARGET", target.c_str(), 1);
    session.device.requested_name = "mega328P";
    AdapterSettings settings;
    settings.port_spec = "378";
    settings.osc_hz = 16000000;
    settings.sck_phases = sck_phase_cycles(session.current_device(), settings.osc_hz, 1);

    std::unique_ptr<spi_t> adapter;
    output_of([&] { adapter = create_lpt_adapter(settings); });
    ASSERT_TRUE(adapter);
    attach(*adapter);

    std::vector<std::uint8_t> bytes(32768);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = std::uint8_t(i ^ (i >> 8) ^ 0x5A);
    }
    PortionList image;
    image.append(std::make_unique<CodePortion>(0, 32768, bytes.data()));
    PortionList read_back;
    bool verified = false;
    const std::string printed = output_of([&] {
        power_up_target(session);
        enter_programming_mode(session);
        session.waits = write_waits(session.current_device(), 1.0f);
        erase_device(session);
        program_memory(session, SLOT_CODE, image);
        verified = verify_memory(session, SLOT_CODE, image);
        read_memory(session, SLOT_CODE, read_back);
        release_target(session);
    });
    EXPECT_TRUE(verified) << printed;
    std::vector<std::uint8_t> read;
    for (const CodePortion& portion : read_back) {
        read.insert(read.end(), portion.bytes(), portion.bytes() + portion.length);
    }
    EXPECT_EQ(read, bytes);
    EXPECT_NE(printed.find("Device connected, mega328P detected\n"), std::string::npos);
}
