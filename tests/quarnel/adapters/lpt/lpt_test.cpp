// The direction-bit test, the cycle-time measurement and its lower bound.
#include "quarnel/adapters/lpt/lpt.h"

#include "quarnel/common/console.h"
#include "tests/quarnel/adapters/captured.h"
#include "tests/quarnel/adapters/lpt/fake_port.h"

#include <gtest/gtest.h>

using namespace quarnel;

TEST(LptMeasure, DirectionBitThatReadsBackIsTestedAndRestored) {
    fake_port_t port;
    port.control = 0x1C; // interrupt enable and INIT set
    port.data = 0x5A;
    captured([&] { port.measure(); });
    EXPECT_TRUE(port.can_set_direction);
    const auto& log = *port.log;
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log[0], (PortAccess{'r', LPT_CONTROL, {0x1C}}));
    EXPECT_EQ(log[1], (PortAccess{'w', LPT_CONTROL, {0x2C}})); // IRQ off, data lines in
    EXPECT_EQ(log[2], (PortAccess{'r', LPT_CONTROL, {0x2C}}));
    EXPECT_EQ(log[3], (PortAccess{'w', LPT_CONTROL, {0x0C}}));
    // The measurement repeats the data lines' present value: no output moves.
    for (const PortAccess& a : log) {
        if (a.kind == 'b') {
            for (std::uint8_t b : a.bytes) {
                ASSERT_EQ(b, 0x5A);
            }
        }
    }
    EXPECT_EQ(count_accesses(log, 'b', LPT_DATA), 200);
    EXPECT_EQ(port.data, 0x5A);
}

TEST(LptMeasure, DirectionBitThatDoesNotReadBackIsLeftAsItReads) {
    fake_port_t port;
    port.direction_reads_back = false;
    captured([&] { port.measure(); });
    EXPECT_FALSE(port.can_set_direction);
    EXPECT_EQ(count_accesses(*port.log, 'w', LPT_CONTROL), 1);
}

TEST(LptMeasure, CycleIsTheDifferenceOf96Writes) {
    EXPECT_FLOAT_EQ(cycle_time_from(0.1, 0.004), 1.0f);
    EXPECT_FLOAT_EQ(cycle_time_from(0.0487, 0.0007), 0.5f);
}

TEST(LptMeasure, IncrediblyFastPortIsHeldAtFifthOfMicrosecond) {
    float cycle = 0;
    const Captured run = captured([&] { cycle = cycle_time_from(0.0096, 0.0); });
    EXPECT_FLOAT_EQ(cycle, 0.2f);
    EXPECT_EQ(run.output, "Warning: incredibly fast LPT found, min write cycle time 100ns\n"
                          "Cycle time forced to 0.20us\n");
    const Captured quiet = captured([&] { cycle = cycle_time_from(0.0193, 0.0); });
    EXPECT_EQ(quiet.output, "");
    EXPECT_GT(cycle, 0.2f);
}

TEST(LptMeasure, SetDataOutputClearsOnlyTheDirectionBit) {
    fake_port_t port;
    port.control = 0x2F;
    port.set_data_output();
    EXPECT_EQ(port.control, 0x0F);
}
