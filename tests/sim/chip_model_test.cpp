// The virtual chip's framing, echo, resynchronisation and clock limits.
#include "sim/chip_model.h"

#include <gtest/gtest.h>

#include "tests/sim/isp_helpers.h"

using namespace avrsim;

namespace {

ChipSettings with_slip(int bits) {
    ChipSettings settings;
    settings.slip_bits = bits;
    return settings;
}

TEST(ChipFraming, ProgrammingEnableEchoesAndSignatureReads) {
    chip_spi_t spi("mega8");
    EXPECT_EQ(enter_programming(spi), 0x53);
    EXPECT_EQ(read_signature(spi), 0x1E9307u);
    // Every byte echoes the one before it.
    const Reply reply = isp(spi, 0x30, 0x00, 0x01, 0x00);
    EXPECT_EQ(reply[1], 0x30);
    EXPECT_EQ(reply[2], 0x00);
}

TEST(ChipFraming, NothingHappensWithoutResetOrBeforeTheStartupTime) {
    chip_spi_t spi("mega8");
    EXPECT_EQ(isp(spi, 0xAC, 0x53, 0x00, 0x00), (Reply{0xFF, 0xFF, 0xFF, 0xFF}));
    spi.set_reset(true);
    spi.delay_ms(5); // datasheet: 20 ms after RESET goes low
    EXPECT_NE(isp(spi, 0xAC, 0x53, 0x00, 0x00)[2], 0x53);
    spi.delay_ms(20);
    EXPECT_EQ(isp(spi, 0xAC, 0x53, 0x00, 0x00)[2], 0x53);
}

TEST(ChipFraming, InstructionsNeedProgrammingEnableAndResetReleaseLeaves) {
    chip_spi_t spi("mega8");
    spi.set_reset(true);
    spi.delay_ms(25);
    EXPECT_EQ(isp(spi, 0x30, 0x00, 0x00, 0x00)[3], 0xFF); // MISO not driven yet
    EXPECT_EQ(isp(spi, 0xAC, 0x53, 0x00, 0x00)[2], 0x53);
    EXPECT_EQ(isp(spi, 0x30, 0x00, 0x00, 0x00)[3], 0x1E);
    spi.set_reset(false);
    spi.delay_ms(5);
    spi.set_reset(true);
    spi.delay_ms(25);
    EXPECT_EQ(isp(spi, 0x30, 0x00, 0x00, 0x00)[3], 0xFF);
}

TEST(ChipFraming, NoEchoChipNeverEchoesButAnswers) {
    chip_spi_t spi("90S1200");
    EXPECT_NE(enter_programming(spi), 0x53);
    EXPECT_EQ(read_signature(spi), 0x1E9001u);
}

TEST(ChipResync, NewChipOutOfStepComesBackWithAResetPulse) {
    chip_spi_t spi("mega8", with_slip(5));
    spi.set_reset(true); // a reset without clocking does not use up the slip
    spi.delay_ms(1);
    spi.set_reset(false);
    spi.delay_ms(5);
    EXPECT_NE(enter_programming(spi), 0x53);
    spi.sck_pulse(); // a single pulse does not realign by itself
    EXPECT_NE(isp(spi, 0xAC, 0x53, 0x00, 0x00)[2], 0x53);
    spi.reset_pulse();
    EXPECT_EQ(isp(spi, 0xAC, 0x53, 0x00, 0x00)[2], 0x53);
    EXPECT_EQ(read_signature(spi), 0x1E9307u);
}

TEST(ChipResync, OldChipNeedsSckPulsesAndStaysOutAfterAResetPulse) {
    chip_spi_t spi("90S2313", with_slip(5));
    EXPECT_NE(enter_programming(spi), 0x53);
    spi.reset_pulse();
    EXPECT_NE(isp(spi, 0xAC, 0x53, 0x00, 0x00)[2], 0x53);
    int tries = 0;
    while (tries < 32) {
        ++tries;
        spi.sck_pulse();
        if (isp(spi, 0xAC, 0x53, 0x00, 0x00)[2] == 0x53) {
            break;
        }
    }
    EXPECT_EQ(tries, 27); // 5 bits ahead: 32 - 5 single pulses realign it
    EXPECT_EQ(read_signature(spi), 0x1E9101u);
}

TEST(ChipResync, ChipLosesStepAfterTheGivenNumberOfInstructions) {
    ChipSettings settings;
    settings.lose_step_after = 4; // programming enable and three signature reads
    chip_spi_t spi("mega8", settings);
    EXPECT_EQ(enter_programming(spi), 0x53);
    EXPECT_EQ(read_signature(spi), 0x1E9307u);
    EXPECT_NE(isp(spi, 0x30, 0x00, 0x00, 0x00)[1], 0x30);
}

TEST(ChipResync, AbsentChipAnswersNothing) {
    ChipSettings settings;
    settings.absent = true;
    chip_spi_t spi("mega8", settings);
    EXPECT_EQ(enter_programming(spi), 0xFF);
    EXPECT_EQ(read_signature(spi), 0xFFFFFFu);
}

TEST(ChipClock, SckPhasesOfTwoClockPeriodsOrLessAreMissed) {
    chip_spi_t spi("mega8"); // 1 MHz: phases of more than 2 us
    spi.set_phase_us(1.9);
    EXPECT_NE(enter_programming(spi), 0x53);
    EXPECT_GT(spi.chip().missed_edges(), 0);
    spi.set_phase_us(2.0); // exactly two periods is not enough
    spi.reset_pulse();
    EXPECT_NE(isp(spi, 0xAC, 0x53, 0x00, 0x00)[2], 0x53);
    spi.set_phase_us(2.1);
    spi.reset_pulse();
    EXPECT_EQ(isp(spi, 0xAC, 0x53, 0x00, 0x00)[2], 0x53);
}

TEST(ChipClock, FastChipsNeedThreePeriodsAndSlowFlagsMore) {
    // Three periods from 12 MHz on, not only above it.
    const struct {
        double clock_hz, too_short_us, enough_us;
    } fast[] = {{16e6, 0.18, 0.19}, {12e6, 0.21, 0.26}}; // 2.9 and 2.5 periods too short
    for (const auto& row : fast) {
        ChipSettings settings;
        settings.clock_hz = row.clock_hz;
        chip_spi_t mega("mega328P", settings);
        mega.set_phase_us(row.too_short_us);
        EXPECT_NE(enter_programming(mega), 0x53) << row.clock_hz;
        mega.set_phase_us(row.enough_us);
        mega.reset_pulse();
        EXPECT_EQ(isp(mega, 0xAC, 0x53, 0x00, 0x00)[2], 0x53) << row.clock_hz;
    }

    chip_spi_t old("90S1200"); // low 2, high 5 periods
    old.set_phase_us(4.5);
    enter_programming(old);
    EXPECT_NE(read_signature(old), 0x1E9001u);
    chip_spi_t slow("90S1200");
    EXPECT_DOUBLE_EQ(slow.high_us(), 5.25); // five periods and the 5 % margin
    enter_programming(slow);
    EXPECT_EQ(read_signature(slow), 0x1E9001u);
}

// Drives a chip clocked from its XTAL pin: `toggles` XTAL edges in every SCK phase.
class XtalDriver {
  public:
    XtalDriver() : state_(factory_chip(find_mega8())), chip_(state_, settings(), clock_) {}

    std::uint8_t transfer(std::uint8_t out, int toggles) {
        std::uint8_t in = 0;
        for (int bit = 7; bit >= 0; --bit) {
            chip_.set_mosi((out >> bit) & 1);
            run_clock(toggles);
            chip_.set_sck(true);
            run_clock(toggles);
            in = std::uint8_t((in << 1) | chip_.miso());
            chip_.set_sck(false);
        }
        return in;
    }
    std::uint8_t enable(int toggles) {
        chip_.set_reset(true);
        clock_.advance_us(25000);
        run_clock(100);
        transfer(0xAC, toggles);
        transfer(0x53, toggles);
        const std::uint8_t echo = transfer(0x00, toggles);
        transfer(0x00, toggles);
        return echo;
    }

  private:
    static int find_mega8() { return chip_spi_t("mega8").state().device; }
    static const ChipSettings& settings() {
        static ChipSettings xtal = [] {
            ChipSettings s;
            s.clock = clock_source::xtal_pin;
            return s;
        }();
        return xtal;
    }
    void run_clock(int toggles) {
        for (int i = 0; i < toggles; ++i) {
            xtal_ = !xtal_;
            chip_.set_xtal(xtal_);
        }
        clock_.advance_us(10);
    }

    manual_clock clock_;
    ChipState state_;
    ChipModel chip_;
    bool xtal_ = false;
};

TEST(ChipClock, XtalClockedChipAnswersOnlyWhileXtalRunsLongEnough) {
    EXPECT_NE(XtalDriver().enable(0), 0x53); // no clock at all
    EXPECT_NE(XtalDriver().enable(3), 0x53); // 1.5 periods a phase
    EXPECT_EQ(XtalDriver().enable(4), 0x53); // 2 periods a phase
}

} // namespace
