// Engineering-unit formatting of times and frequencies.
#include "quarnel/common/units.h"

#include <gtest/gtest.h>
#include <string>

using namespace quarnel;

TEST(Units, TimesScaleToTheirBestUnit) {
    EXPECT_EQ(format_time(1234.5, TIME_MS), "1.23s");
    EXPECT_EQ(format_time(0.25, TIME_MS), "250us");
    EXPECT_EQ(format_time(45, TIME_MS), "45ms");
    EXPECT_EQ(format_time(2.5, TIME_MS), "2.50ms");
    EXPECT_EQ(format_time(0, TIME_MS), "0.000000ns");
}

TEST(Units, FrequenciesScaleToTheirBestUnit) {
    EXPECT_EQ(format_frequency(800000, FREQ_HZ), "0.80MHz");
    EXPECT_EQ(format_frequency(12000000, FREQ_HZ), "12.0MHz");
    EXPECT_EQ(format_frequency(150000, FREQ_HZ), "150kHz");
    EXPECT_EQ(format_frequency(0.0001, FREQ_HZ), "0.000100Hz");
}
