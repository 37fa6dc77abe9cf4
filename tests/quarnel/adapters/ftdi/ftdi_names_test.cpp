// Status and type names, and the device identity line.
#include "quarnel/adapters/ftdi/d2xx/ftdi_chip_ftd2xx.h"
#include "quarnel/adapters/ftdi/ftdi_chip.h"
#include "quarnel/adapters/ftdi/ftdi_names.h"
#include "quarnel/common/console.h"
#include "tests/quarnel/adapters/captured.h"

#include <gtest/gtest.h>

using namespace quarnel;

namespace {

TEST(FtdiNames, StatusAndTypeCodesAreNamedUpToTheirLastCode) {
    EXPECT_STREQ(ftdi_status_name(0), "FT_OK");
    EXPECT_STREQ(ftdi_status_name(4), "FT_IO_ERROR");
    EXPECT_STREQ(ftdi_status_name(19), "FT_DEVICE_LIST_NOT_READY");
    EXPECT_STREQ(ftdi_status_name(20), "TOO HIGH ERROR CODE");
    EXPECT_STREQ(ftdi_status_name(25), "TOO HIGH ERROR CODE");
    EXPECT_STREQ(ftdi_type_name(ftdi_chip_type::bm), "FT_DEVICE_BM");
    EXPECT_STREQ(ftdi_type_name(ftdi_chip_type::ft2232c), "FT_DEVICE_2232C");
    EXPECT_STREQ(ftdi_type_name(ftdi_chip_type::ft232h), "FT_DEVICE_232H");
    EXPECT_STREQ(ftdi_type_name(ftdi_chip_type::later), "TOO HIGH TYPE CODE");
}

TEST(FtdiNames, StatusCheckNamesTheFailureOrTheShortTransfer) {
    Captured result = captured([] { check_ftdi_status("set bit mode", 2, false); });
    EXPECT_EQ(result.status, 70);
    EXPECT_EQ(result.output, "Can't set bit mode (FT_DEVICE_NOT_FOUND)\n");
    result = captured([] { check_ftdi_status("read from FTDI chip", 0, true); });
    EXPECT_EQ(result.status, 70);
    EXPECT_EQ(result.output, "Can't read from FTDI chip\n");
    result = captured([] { check_ftdi_status("write to FTDI chip", 0, false); });
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, "");
}

TEST(FtdiNames, DeviceParametersShowEmptyFieldsAsAny) {
    ftdi_device_params_t params{ftdi_chip_type::ft2232h, "", "Dual RS232-HS A"};
    Captured result = captured([&] { print_ftdi_device_params(0, "Requested", params); });
    EXPECT_EQ(result.output,
              "Requested  FT_DEVICE_2232H (0x6) - \"Dual RS232-HS A\", serno \"any\"\n");
    params = {ftdi_chip_type::ft2232c, "FT1A", ""};
    console.verbosity = 3;
    result = captured([&] { print_ftdi_device_params(3, "Found    ", params); });
    console.verbosity = 2;
    EXPECT_EQ(result.output, "\t% Found      FT_DEVICE_2232C (0x4) - \"any\", serno \"FT1A\"\n");
}

} // namespace
