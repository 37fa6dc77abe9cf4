// Chip choice and pin-map rules of the FTDI -a text.
#include "quarnel/adapters/ftdi/mpsse/mpsse_adapter.h"
#include "tests/quarnel/adapters/captured.h"

#include <gtest/gtest.h>

using namespace quarnel;

namespace {

TEST(MpsseAdapterSpec, TheNameChoosesChipAndLineNames) {
    EXPECT_EQ(parse_mpsse_adapter_spec("ft2232").chip_type, ftdi_chip_type::ft2232c);
    EXPECT_EQ(parse_mpsse_adapter_spec("FT2232H").chip_type, ftdi_chip_type::ft2232h);
    EXPECT_EQ(parse_mpsse_adapter_spec("ft4232h").chip_type, ftdi_chip_type::ft4232h);
    EXPECT_EQ(parse_mpsse_adapter_spec("Ft232H").chip_type, ftdi_chip_type::ft232h);
    EXPECT_EQ(parse_mpsse_adapter_spec("ft2232:reset=acbus3").pins[SIG_RESET].inverted, 0x800u);
    EXPECT_EQ(parse_mpsse_adapter_spec("ft2232h:reset=cbus7").pins[SIG_RESET].inverted, 0x8000u);
    const Captured h_name_on_c = captured([] { parse_mpsse_adapter_spec("ft2232:reset=dbus4"); });
    EXPECT_EQ(h_name_on_c.status, 70);
    EXPECT_EQ(h_name_on_c.output, "adapter: invalid pin name 'dbus4'\n");
    const Captured no_high_byte = captured([] { parse_mpsse_adapter_spec("ft4232h:reset=cbus0"); });
    EXPECT_EQ(no_high_byte.status, 70);
    EXPECT_EQ(no_high_byte.output, "adapter: invalid pin name 'cbus0'\n");

    EXPECT_TRUE(is_mpsse_adapter_spec("FT2232d"));
    EXPECT_TRUE(is_mpsse_adapter_spec("ft232h=my.cfg"));
    EXPECT_FALSE(is_mpsse_adapter_spec("ft232r"));
    EXPECT_FALSE(is_mpsse_adapter_spec("stk200"));
}

TEST(MpsseAdapterSpec, DefaultsFillWhatThePinMapLeavesOut) {
    const mpsse_adapter_spec_t parsed = parse_mpsse_adapter_spec("ft2232h:name=Bench:led_ok=dbus7");
    EXPECT_STREQ(parsed.pins.name, "Bench");
    EXPECT_EQ(parsed.pins[SIG_MOSI].normal, 0x2u);
    EXPECT_EQ(parsed.pins[SIG_MISO].normal, 0x4u);
    EXPECT_EQ(parsed.pins[SIG_SCK].normal, 0x1u);
    // A plainly listed reset is driven low to hold the target.
    EXPECT_EQ(parsed.pins[SIG_RESET].normal, 0u);
    EXPECT_EQ(parsed.pins[SIG_RESET].inverted, 0x8u);
    EXPECT_EQ(parsed.pins[SIG_LED_OK].normal, 0x80u);
    EXPECT_STREQ(parse_mpsse_adapter_spec("ft2232").pins.name, "FT2232 MPSSE");
    // ~reset: the line goes high while the target is held (an inverting driver).
    EXPECT_EQ(parse_mpsse_adapter_spec("ft2232:reset=~adbus4").pins[SIG_RESET].normal, 0x10u);
}

TEST(MpsseAdapterSpec, DataLinesMustStayOnTheMpsseLines) {
    EXPECT_EQ(parse_mpsse_adapter_spec("ft2232:sck=~adbus0").pins[SIG_SCK].inverted, 0x1u);
    for (const char* parsed :
         {"ft2232:sck=adbus4", "ft2232h:mosi=dbus2:miso=dbus1", "ft232h:miso=cbus0"}) {
        const Captured result = captured([&] { parse_mpsse_adapter_spec(parsed); });
        EXPECT_EQ(result.status, 70) << parsed;
        EXPECT_EQ(result.output, "FTDI hardware SPI adapter (MPSSE) can use only predefind "
                                 "MOSI,MISO and SCK\n")
            << parsed;
    }
}

} // namespace
