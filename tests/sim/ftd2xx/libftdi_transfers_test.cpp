// Asynchronous transfers of the stand-in libftdi1 on an FT232R in synchronous bit-bang: the
// chip clocks only while its samples are taken, and a transfer lasts its USB time.
#include "platform/shared_library.h"
#include "sim/libftdi/libftdi_abi.h"
#include "tests/support/run_program.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

using avrsim::libftdi::ftdi_context;
using avrsim::libftdi::ftdi_device_list;
using avrsim::libftdi::ftdi_transfer_control;
using avrsim::libftdi::usb_device;
using submit_t = ftdi_transfer_control* (*)(ftdi_context*, unsigned char*, int);

template <typename Function>
Function bound(const platform::shared_library& library, const char* name) {
    return library.function<Function>(name);
}

// Bus time and counts from the stand-in's statistics file.
double stat(const std::string& text, const std::string& name) {
    std::istringstream lines(text);
    std::string key;
    double value = 0;
    while (lines >> key >> value) {
        if (key == name) {
            return value;
        }
    }
    return -1;
}

TEST(LibftdiTransfers, TheChipClocksWhileAReadWaitsAndStallsWithoutOne) {
    const double usb_bytes_per_us = 19 * 64 / 1000.0;
    const struct {
        int written;
        bool read_waiting; // the read submitted before the write, else after it is done
        bool written_whole;
    } cases[] = {
        {8192, true, true},
        // Without a reader the chip holds only what its FIFOs take, in whole packets.
        {320, false, true},
        {8192, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.written) + (c.read_waiting ? " read waiting" : ""));
        TempDir dir;
        const std::string target = dir.file("chip.target");
        const std::string stats = dir.file("usb.stats");
        ProgramRun made;
        made.program = "avrsim";
        made.args = {"new", target, "mega328P", "ftdi=ft232r", "ftdi_stats=" + stats};
        ASSERT_EQ(run_program(made).status, 0);
        ::setenv("AVRSIM_TARGET", target.c_str(), 1);
        {
            platform::shared_library library(bin_path("libftdi1.so.2").c_str());
            ASSERT_TRUE(library.loaded());
            ftdi_context* ftdi = bound<ftdi_context* (*)()>(library, "ftdi_new")();
            ftdi_device_list* list = nullptr;
            ASSERT_EQ((bound<int (*)(ftdi_context*, ftdi_device_list**, int, int)>(
                          library, "ftdi_usb_find_all")(ftdi, &list, 0, 0)),
                      1);
            ASSERT_EQ((bound<int (*)(ftdi_context*, usb_device*)>(library, "ftdi_usb_open_dev")(
                          ftdi, list->dev)),
                      0);
            bound<void (*)(ftdi_device_list**)>(library, "ftdi_list_free")(&list);
            ASSERT_EQ((bound<int (*)(ftdi_context*, unsigned char, unsigned char)>(
                          library, "ftdi_set_bitmode")(ftdi, 0xFF, 0x04)),
                      0);
            // 3 MHz of bit-bang clock: USB is the slower.
            ASSERT_EQ(
                (bound<int (*)(ftdi_context*, int)>(library, "ftdi_set_baudrate")(ftdi, 187500)),
                0);
            ASSERT_EQ((bound<int (*)(ftdi_context*, unsigned char)>(
                          library, "ftdi_set_latency_timer")(ftdi, 1)),
                      0);
            ftdi->usb_write_timeout = 50;
            const auto read_submit = bound<submit_t>(library, "ftdi_read_data_submit");
            const auto write_submit = bound<submit_t>(library, "ftdi_write_data_submit");
            const auto done =
                bound<int (*)(ftdi_transfer_control*)>(library, "ftdi_transfer_data_done");

            std::vector<unsigned char> out(static_cast<std::size_t>(c.written));
            for (std::size_t i = 0; i < out.size(); ++i) {
                out[i] = static_cast<unsigned char>(i * 7);
            }
            std::vector<unsigned char> in(out.size(), 0x5A);
            ftdi_transfer_control* read =
                c.read_waiting ? read_submit(ftdi, in.data(), c.written) : nullptr;
            EXPECT_EQ(done(write_submit(ftdi, out.data(), c.written)),
                      c.written_whole ? c.written : -1);
            if (!c.read_waiting && c.written_whole) {
                read = read_submit(ftdi, in.data(), c.written);
            }
            if (read != nullptr) {
                EXPECT_EQ(done(read), c.written);
                // Each sample shows the lines as the byte before it left them.
                for (std::size_t i = 1; i < out.size(); ++i) {
                    ASSERT_EQ(in[i], out[i - 1]) << i;
                }
            }
            bound<void (*)(ftdi_context*)>(library, "ftdi_free")(ftdi);
        }
        ::unsetenv("AVRSIM_TARGET");
        const std::string text = read_file(stats);
        const double bus_us = stat(text, "bus_time_us");
        if (c.written_whole) {
            // No faster than the frames carry the bytes, and no stall on the way: a few
            // round trips and latency-timer periods beyond them.
            EXPECT_GE(bus_us, c.written / usb_bytes_per_us);
            EXPECT_LE(bus_us, 1.3 * c.written / usb_bytes_per_us + 4000);
            EXPECT_EQ(stat(text, "bytes_read"), c.written);
        } else {
            EXPECT_GE(bus_us, 50000.0); // the write's time-out
            EXPECT_LE(stat(text, "bytes_written"), 384);
        }
    }
}

} // namespace
