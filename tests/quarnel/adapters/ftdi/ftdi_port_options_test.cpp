// Device selection options of the -p switch and the chips' factory descriptions.
#include "quarnel/adapters/ftdi/ftdi_port_options.h"
#include "tests/quarnel/adapters/captured.h"

#include <gtest/gtest.h>

using namespace quarnel;

namespace {

TEST(FtdiPortOptions, DescriptionAndSerialNumberAreTakenInOrder) {
    ftdi_device_params_t request;
    parse_ftdi_port_options("d=Dual RS232-HS B,s=FT123,s=FT456", request);
    EXPECT_EQ(request.description, "Dual RS232-HS B");
    EXPECT_EQ(request.serial_number, "FT456"); // a later option replaces an earlier one
    parse_ftdi_port_options("s=" + std::string(16, '7') + ",d=" + std::string(64, 'x'), request);
    EXPECT_EQ(request.serial_number, std::string(16, '7'));
    EXPECT_EQ(request.description, std::string(64, 'x'));
    parse_ftdi_port_options("v=1a86,p=7523,v=0403", request);
    EXPECT_EQ(request.vendor_id, 0x0403);
    EXPECT_EQ(request.product_id, 0x7523);
}

TEST(FtdiPortOptions, MalformedOptionsAreRefused) {
    struct refusal {
        const char* port_spec;
        const char* message;
    };
    const std::string long_description = "d=" + std::string(65, 'y');
    const std::string long_serial = "s=" + std::string(17, '1');
    const refusal refusals[] = {
        {"s=", "Invalid FTDI chip option 's='\n"},
        {"x=1", "Invalid FTDI chip option 'x=1'\n"},
        {"d:abc", "Invalid FTDI chip option 'd:abc'\n"},
        {"D=abc", "Invalid FTDI chip option 'D=abc'\n"},
        {"d=ok,", "Invalid FTDI chip option ''\n"},
        {"v=0", "Invalid FTDI chip option 'v=0'\n"},
        {"p=6010x", "Invalid FTDI chip option 'p=6010x'\n"},
        {"v=-403", "Invalid FTDI chip option 'v=-403'\n"},
        {long_serial.c_str(), "Serial number too long: 's=11111111111111111'\n"},
    };
    for (const refusal& r : refusals) {
        ftdi_device_params_t request;
        const Captured result = captured([&] { parse_ftdi_port_options(r.port_spec, request); });
        EXPECT_EQ(result.status, 70) << r.port_spec;
        EXPECT_EQ(result.output, r.message);
    }
    ftdi_device_params_t request;
    const Captured result =
        captured([&] { parse_ftdi_port_options("s=1," + long_description + ",s=2", request); });
    EXPECT_EQ(result.status, 70);
    EXPECT_EQ(result.output, "Option too long: '" + long_description + "'\n");
}

TEST(FtdiPortOptions, FactoryDescriptionsNameTheFirstMpsseChannel) {
    EXPECT_STREQ(default_ftdi_description(ftdi_chip_type::ft2232c), "Dual RS232 A");
    EXPECT_STREQ(default_ftdi_description(ftdi_chip_type::ft2232h), "Dual RS232-HS A");
    EXPECT_STREQ(default_ftdi_description(ftdi_chip_type::ft4232h), "Quad RS232-HS A");
    EXPECT_STREQ(default_ftdi_description(ftdi_chip_type::ft232h), "Single RS232-HS");
}

} // namespace
