// Listing and opening FTDI devices through the D2XX binding and the stand-in library.
#include "quarnel/adapters/ftdi/ftdi_devices.h"
#include "stand_in_bench.h"

#include <memory>

using namespace quarnel;

namespace {

constexpr const char* two_chips = "ftdi_devices=2232H|FTA1|Dual RS232-HS A;"
                                  "2232H|FTA2|Dual RS232-HS B|opened;"
                                  "4232H|FT4X|Quad RS232-HS A";

using FtdiDevices = StandInBench;

TEST_F(FtdiDevices, ListingShowsEveryDeviceAndThoseOpenElsewhere) {
    make_target("mega328P", {two_chips});
    const Captured result = captured([] { list_ftdi_devices(); });
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, "3 FTDI devices detected\n"
                             " 0: FT_DEVICE_2232H (0x6) - \"Dual RS232-HS A\", serno \"FTA1\"\n"
                             " 1: opened by another process\n"
                             " 2: FT_DEVICE_4232H (0x7) - \"Quad RS232-HS A\", serno \"FT4X\"\n");
}

TEST_F(FtdiDevices, FullLengthNamesAreShownWithoutOverrun) {
    const std::string serial(16, 'S'), description(64, 'D');
    make_target("mega8", {"ftdi_devices=232H|" + serial + "|" + description});
    const Captured result = captured([] { list_ftdi_devices(); });
    EXPECT_EQ(result.output, "1 FTDI devices detected\n"
                             " 0: FT_DEVICE_232H (0x8) - \"" +
                                 description + "\", serno \"" + serial + "\"\n");
}

TEST_F(FtdiDevices, NoDeviceOrNoLibraryEndsTheRun) {
    make_target("mega8", {"ftdi_fault=missing"});
    Captured result = captured([] { list_ftdi_devices(); });
    EXPECT_EQ(result.status, 70);
    EXPECT_EQ(result.output, "No FTDI devices found\n");

    ::setenv("FTD2XX_LIBRARY", dir.file("libnothing.so").c_str(), 1);
    result = captured([] { list_ftdi_devices(); });
    EXPECT_EQ(result.status, 70);
    EXPECT_EQ(result.output, "Can't load library '" + dir.file("libnothing.so") + "'\n");

    // A library that lacks the D2XX calls is refused at the first missing one.
    const std::string other = bin_path("libavrsim_dlportio.so");
    ::setenv("FTD2XX_LIBRARY", other.c_str(), 1);
    result = captured([] { open_ftdi_chip({ftdi_chip_type::ft2232h, "FTA1", ""}); });
    EXPECT_EQ(result.status, 70);
    EXPECT_EQ(result.output, "Can't get function 'FT_Open' from library '" + other + "'\n");
}

TEST_F(FtdiDevices, OpeningTracesTheLibraryAndDriverVersions) {
    make_target("mega328P");
    console.verbosity = 3;
    std::unique_ptr<ftdi_chip_t> chip;
    const Captured result = captured([&] {
        chip = open_ftdi_chip({ftdi_chip_type::ft2232h, "", "Dual RS232-HS A"});
    });
    ASSERT_TRUE(chip);
    EXPECT_EQ(chip->type, ftdi_chip_type::ft2232h);
    EXPECT_EQ(result.output, "\t% FTDI access through D2XX\n\t% '" +
                                 bin_path("libavrsim_ftd2xx.so") +
                                 "' successfully loaded, version 1.4.27\n"
                                 "\t% FTDI driver version 1.4.27\n");
}

TEST_F(FtdiDevices, SerialNumberOpensAndEveryGivenFieldMustMatch) {
    make_target("mega328P", {two_chips});
    Captured result = captured([] {
        open_ftdi_chip({ftdi_chip_type::ft2232h, "FTA1", "Dual RS232-HS B"});
    });
    EXPECT_EQ(result.status, 70);
    EXPECT_EQ(result.output,
              "Can't use opened FTDI device (some of parameters not match)\n"
              "Requested  FT_DEVICE_2232H (0x6) - \"Dual RS232-HS B\", serno \"FTA1\"\n"
              "Found      FT_DEVICE_2232H (0x6) - \"Dual RS232-HS A\", serno \"FTA1\"\n");
    result = captured([] { open_ftdi_chip({ftdi_chip_type::ft2232c, "", "Quad RS232-HS A"}); });
    EXPECT_EQ(result.status, 70);
    EXPECT_EQ(result.output,
              "Can't use opened FTDI device (some of parameters not match)\n"
              "Requested  FT_DEVICE_2232C (0x4) - \"Quad RS232-HS A\", serno \"any\"\n"
              "Found      FT_DEVICE_4232H (0x7) - \"Quad RS232-HS A\", serno \"FT4X\"\n");
    // The refused device was closed again: it opens now.
    std::unique_ptr<ftdi_chip_t> chip;
    result = captured([&] {
        chip = open_ftdi_chip({ftdi_chip_type::ft2232h, "FTA1", "Dual RS232-HS A"});
    });
    EXPECT_EQ(result.status, 0) << result.output;
    EXPECT_TRUE(chip);
}

TEST_F(FtdiDevices, OpeningFailuresNameTheKey) {
    make_target("mega328P", {two_chips});
    Captured result = captured([] { open_ftdi_chip({ftdi_chip_type::ft2232h, "", ""}); });
    EXPECT_EQ(result.status, 70);
    EXPECT_EQ(result.output,
              "Description and/or serial number must be set for FTDI device opening\n");
    result = captured([] { open_ftdi_chip({ftdi_chip_type::ft2232h, "", "Nothing"}); });
    EXPECT_EQ(result.output,
              "Can't open FTDI device with description \"Nothing\" (FT_DEVICE_NOT_FOUND)\n");
    result = captured([] { open_ftdi_chip({ftdi_chip_type::ft2232h, "FTA2", ""}); });
    EXPECT_EQ(result.status, 70);
    EXPECT_EQ(result.output,
              "Can't open FTDI device with serial number \"FTA2\" (FT_DEVICE_NOT_OPENED)\n");
}

TEST_F(FtdiDevices, ChannelsWithoutMpsseAreRefused) {
    make_target("mega328P", {"ftdi_devices=2232C|FTC1|Dual RS232 A;2232C|FTC2|Dual RS232 B;"
                             "4232H|FTQ2|Quad RS232-HS B;4232H|FTQ3|Quad RS232-HS C;"
                             "2232H|FTH2|Dual RS232-HS B"});
    Captured result = captured([] {
        open_ftdi_chip({ftdi_chip_type::ft2232c, "", "Dual RS232 B"});
    });
    EXPECT_EQ(result.status, 70);
    EXPECT_EQ(result.output, "Channel B can't be used for MPSSE mode\n");
    result = captured([] { open_ftdi_chip({ftdi_chip_type::ft4232h, "FTQ3", ""}); });
    EXPECT_EQ(result.output, "Channel C can't be used for MPSSE mode\n");
    for (const ftdi_device_params_t& usable :
         {ftdi_device_params_t{ftdi_chip_type::ft2232c, "FTC1", ""},
          ftdi_device_params_t{ftdi_chip_type::ft4232h, "FTQ2", ""},
          ftdi_device_params_t{ftdi_chip_type::ft2232h, "FTH2", ""}}) {
        result = captured([&] { open_ftdi_chip(usable); });
        EXPECT_EQ(result.status, 0) << usable.serial_number << result.output;
    }
}

TEST_F(FtdiDevices, FailedAndShortTransfersEndTheRun) {
    make_target("mega328P", {"ftdi_fault=short_read"});
    std::unique_ptr<ftdi_chip_t> chip =
        open_ftdi_chip({ftdi_chip_type::ft2232h, "", "Dual RS232-HS A"});
    const std::uint8_t read_lines[] = {0x81, 0x83, 0x81, 0x87};
    chip->set_bit_mode(0, ftdi_bit_mode::mpsse);
    chip->send(read_lines, sizeof read_lines);
    std::uint8_t reply[3] = {};
    Captured result = captured([&] { chip->receive(reply, 3); });
    EXPECT_EQ(result.status, 70);
    EXPECT_EQ(result.output, "Can't read from FTDI chip\n");
    chip.reset();

    make_target("mega328P", {"ftdi_fault=io_error", "ftdi_fault_after=2"});
    chip = open_ftdi_chip({ftdi_chip_type::ft2232h, "", "Dual RS232-HS A"});
    chip->send(read_lines, 1);
    result = captured([&] { chip->send(read_lines, 1); });
    EXPECT_EQ(result.status, 70);
    EXPECT_EQ(result.output, "Can't write to FTDI chip (FT_IO_ERROR)\n");
}

} // namespace
