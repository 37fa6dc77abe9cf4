// The USBasp's SCK choice and the -p texts that pick one.
#include "quarnel/programmers/usbasp/usbasp_devices.h"
#include "quarnel/programmers/usbasp/usbasp_protocol.h"
#include "tests/quarnel/adapters/captured.h"

TEST(UsbaspSettings, SckIsTheFastestSettingNotAboveTheLimit) {
    const struct {
        std::uint32_t limit_hz;
        int setting;
    } cases[] = {{2533333, 12}, {1500000, 12}, {1499999, 11}, {237500, 9}, {93750, 8},
                 {93749, 7},    {500, 1},      {499, 0},      {0, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(usbasp::sck_setting_for(c.limit_hz), c.setting) << c.limit_hz;
    }
}

TEST(UsbaspSettings, PortTextPicksBySerialOrPlaceAndRefusesTheRest) {
    EXPECT_FALSE(parse_usbasp_port(std::nullopt).by_serial());
    EXPECT_FALSE(parse_usbasp_port(std::nullopt).by_place());
    EXPECT_EQ(parse_usbasp_port("s=0001").serial_number, "0001");
    const usbasp_request place = parse_usbasp_port("b=3:12");
    EXPECT_EQ(place.bus, 3);
    EXPECT_EQ(place.address, 12);
    for (const char* bad :
         {"s=", "b=3", "b=3:", "b=:4", "b=3:256", "b=-1:4", "b=3:4x", "x=1", "1"}) {
        const Captured result = captured([&] { parse_usbasp_port(std::string(bad)); });
        EXPECT_EQ(result.status, EXIT_ENVIRONMENT) << bad;
        EXPECT_EQ(result.output, "Bad USBasp port '" + std::string(bad) +
                                     "', use s=SERIAL or b=BUS:ADDR (-p? lists them)\n");
    }
}
