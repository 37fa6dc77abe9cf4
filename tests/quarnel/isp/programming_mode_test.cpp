// Entering programming mode: reset, resynchronisation, signature and identification.
#include "quarnel/isp/programming_mode.h"

#include "isp_fixture.h"
#include "quarnel/devices/device_table.h"
#include "quarnel/isp/target_power.h"

using namespace quarnel;

using Kind = RecordingSpi::Kind;

TEST_F(IspTest, ChipInStepSeesOneResetAndNoPulses) {
    spi.signature = 0x1E950F;
    const std::string printed = output_of([&] { enter_programming_mode(session); });
    EXPECT_EQ(printed, "Device connected, mega328P detected\n");
    EXPECT_EQ(spi.count(Kind::set_reset), 1);
    EXPECT_TRUE(spi.calls[0].on);
    EXPECT_EQ(spi.count(Kind::reset_pulse), 0);
    EXPECT_EQ(spi.count(Kind::sck_pulse), 0);
    EXPECT_FLOAT_EQ(spi.calls[1].ms, 100.0f);
    EXPECT_EQ(spi.instructions()[0], (Instruction{0xAC, 0x53, 0x00, 0x00}));
    EXPECT_EQ(session.device.detected_index, find_device("mega328P"));
}

TEST_F(IspTest, SilentChipGetsOneResetPulseAnd32SckTries) {
    session.device.requested_name = "mega8";
    spi.silent = true;
    std::string printed;
    EXPECT_EQ(status_of([&] { enter_programming_mode(session); }, &printed), EXIT_SYNC_LOST);
    EXPECT_EQ(printed, "Can't resync\n");
    EXPECT_EQ(spi.count(Kind::reset_pulse), 1);
    EXPECT_EQ(spi.count(Kind::sck_pulse), 32);
    EXPECT_EQ(spi.count_opcode(0xAC), 2 + 32);
}

TEST_F(IspTest, SckPulsesBringAnOldChipBackInStep) {
    session.device.requested_name = "90S2313";
    spi.signature = 0x1E9101;
    spi.answer_after_pulses = 3;
    console.verbosity = 3;
    const std::string printed = output_of([&] { enter_programming_mode(session); });
    EXPECT_NE(printed.find("\t% Synchronised after 4 try\n"), std::string::npos) << printed;
    EXPECT_EQ(spi.count(Kind::sck_pulse), 3);
    EXPECT_EQ(session.device.detected_index, find_device("90S2313"));
}

TEST_F(IspTest, UnknownSilentChipIsLeftToTheSignatureRead) {
    spi.silent = true;
    std::string printed;
    EXPECT_EQ(status_of([&] { enter_programming_mode(session); }, &printed), EXIT_SYNC_LOST);
    EXPECT_EQ(printed, "\nSynchronisation lost\n");
    EXPECT_EQ(spi.count(Kind::reset_pulse), 1);
    EXPECT_EQ(spi.count(Kind::sck_pulse), 0);
}

TEST_F(IspTest, NoEchoChipIsIdentifiedWithoutResync) {
    session.device.requested_name = "90S1200";
    spi.echo_enable = false;
    spi.signature = 0x1E9001;
    const std::string printed = output_of([&] { enter_programming_mode(session); });
    EXPECT_EQ(printed, "Device connected, 90S1200 detected\n");
    EXPECT_EQ(spi.count(Kind::reset_pulse), 1);
    EXPECT_EQ(spi.count(Kind::sck_pulse), 0);
}

TEST_F(IspTest, ProtectedSignatureIsReported) {
    spi.signature = 0x000102;
    EXPECT_EQ(output_of([&] { enter_programming_mode(session); }),
              "Device connected, but not recognised, ID: 0x000102 (looks as protected)\n");
    spi.signature = 0x1E0000;
    EXPECT_EQ(output_of([&] { enter_programming_mode(session); }),
              "Device connected, but not recognised, ID: 0x1E0000\n");
}

TEST_F(IspTest, SharedSignatureResolvedByRequestedName) {
    const int tiny22L = find_device("tiny22L");
    const int tiny22 = find_device("tiny22");
    ASSERT_NE(tiny22L, tiny22);
    session.device.requested_name = "tiny22";
    EXPECT_EQ(identify_chip(session.device, 0x1E9106), tiny22);
    session.device.requested_name = "TINY22L";
    EXPECT_EQ(identify_chip(session.device, 0x1E9106), tiny22L);
    session.device.requested_name = "mega8";
    EXPECT_EQ(identify_chip(session.device, 0x1E9106), tiny22) << "the last row with the signature";
    session.device.requested_name.reset();
    EXPECT_EQ(identify_chip(session.device, 0x1E9106), tiny22);
    EXPECT_EQ(identify_chip(session.device, 0x123456), -1);
    EXPECT_EQ(session.device.detected_index, -1);
}

TEST_F(IspTest, SignatureWithWrongEchoLosesSynchronisation) {
    spi.on_instruction = [&](const Instruction& instruction) {
        if (instruction[0] == 0xAC) {
            spi.silent = true; // falls out of step right after programming enable
        }
    };
    std::string printed;
    EXPECT_EQ(status_of([&] { enter_programming_mode(session); }, &printed), EXIT_SYNC_LOST);
    EXPECT_EQ(printed, "\nSynchronisation lost\n");
}

TEST_F(IspTest, PowerAndReleaseFollowTheAdapterLines) {
    spi.power = true;
    spi.buffer_enable = true;
    EXPECT_EQ(output_of([&] { power_up_target(session); }), "Power ON\nAdapter enabled\n");
    EXPECT_TRUE(session.target_active);
    ASSERT_EQ(spi.calls.size(), 4u);
    EXPECT_EQ(spi.calls[0].kind, Kind::power_on);
    EXPECT_EQ(spi.calls[1].kind, Kind::enable);
    EXPECT_EQ(spi.calls[2].kind, Kind::led_error);
    EXPECT_EQ(spi.calls[3].kind, Kind::led_ok);

    EXPECT_EQ(output_of([&] { release_target(session); }),
              "Reset pin released\nAdapter disabled\nPower OFF\n");
    EXPECT_FALSE(session.target_active);
    EXPECT_EQ(output_of([&] { release_target(session); }), "") << "only once";
}

TEST_F(IspTest, ReleaseWithoutPowerLinesOnlyFreesReset) {
    output_of([&] { power_up_target(session); });
    EXPECT_EQ(output_of([&] { release_target(session); }), "Reset pin released\n");
    EXPECT_EQ(spi.calls.back().kind, Kind::set_reset);
    EXPECT_FALSE(spi.calls.back().on);
}
