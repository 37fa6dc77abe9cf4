// The row in force for the run and its SCK phase lengths.
#include "quarnel/devices/current_device.h"

#include "quarnel/devices/device_lookup.h"
#include "quarnel/devices/device_table.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace quarnel;

namespace {

class CurrentDevice : public ::testing::Test {
  protected:
    DeviceSelection selection;
};

const DeviceInfo& row(const char* name) {
    return device_table[find_device(name)];
}

} // namespace

TEST_F(CurrentDevice, DetectedRowWinsOverTheRequestedOne) {
    selection.requested_name = "mega8A";
    EXPECT_EQ(&selection.current(), &device_table[41]);
    selection.detected_index = 12;
    EXPECT_EQ(&selection.current(), &device_table[12]);
}

TEST_F(CurrentDevice, AskingBeforeAnyDeviceIsKnownIsRefused) {
    EXPECT_THROW(selection.current(), std::logic_error);
    selection.requested_name = "nosuchchip";
    EXPECT_THROW(selection.current(), std::logic_error);
    selection.detected_index = device_count;
    EXPECT_THROW(selection.current(), std::logic_error);
}

TEST_F(CurrentDevice, SckPhasesFollowFlagsAndOscillator) {
    struct Case {
        const char* device;
        unsigned osc_hz;
        unsigned divider;
        unsigned low, high;
    } const cases[] = {
        {"86RF401", 800000, 1, 5, 17},  {"90S1200", 800000, 1, 2, 5},
        {"mega8", 800000, 1, 2, 2},     {"mega8", 16000000, 1, 3, 3},
        {"mega8", 11999999, 1, 2, 2},   {"mega8", 12000000, 1, 3, 3},
        {"90S1200", 16000000, 1, 2, 5}, {"86RF401", 16000000, 1, 5, 17},
        {"mega8", 0, 1, 2, 2},          {"86RF401", 800000, 4, 20, 68},
        {"90S1200", 800000, 4, 8, 20},  {"mega8", 800000, 4, 8, 8},
        {"mega8", 16000000, 4, 12, 12}, {"mega8", 0, 256, 512, 512},
    };
    for (const Case& c : cases) {
        const SckPhases phases = sck_phase_cycles(row(c.device), c.osc_hz, c.divider);
        EXPECT_EQ(phases.low, c.low) << c.device << " " << c.osc_hz << " /" << c.divider;
        EXPECT_EQ(phases.high, c.high) << c.device << " " << c.osc_hz << " /" << c.divider;
    }
}
