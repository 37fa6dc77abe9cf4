// The stand-in D2XX library through its exported calls: device list, opening, transfers, faults,
// time model and statistics.
#include "platform/clock.h"
#include "platform/shared_library.h"
#include "tests/support/run_program.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using DWORD = std::uint32_t;
using FT_STATUS = std::uint32_t;
using FT_HANDLE = void*;

struct node {
    std::uint32_t flags, type, id, location;
    char serial_number[16];
    char description[64];
    void* handle;
};

// The library loaded for one test, its calls bound by name.
class StandIn : public testing::Test {
  protected:
    void make_target(const std::vector<std::string>& settings) {
        ProgramRun run;
        run.program = "avrsim";
        run.args = {"new", target, "mega328P"};
        run.args.insert(run.args.end(), settings.begin(), settings.end());
        const ProgramResult made = run_program(run);
        ASSERT_EQ(made.status, 0) << made.output;
        ::setenv("AVRSIM_TARGET", target.c_str(), 1);
        library = platform::shared_library(bin_path("libavrsim_ftd2xx.so").c_str());
        ASSERT_TRUE(library.loaded());
    }
    void unload() { library = platform::shared_library(); }
    ~StandIn() override {
        unload();
        ::unsetenv("AVRSIM_TARGET");
    }

    template <typename Function> Function call(const char* name) {
        return library.function<Function>(name);
    }
    FT_STATUS open_by(DWORD flags, const void* key, FT_HANDLE* handle) {
        return call<FT_STATUS (*)(const void*, DWORD, FT_HANDLE*)>("FT_OpenEx")(key, flags, handle);
    }
    FT_STATUS write(FT_HANDLE handle, std::vector<std::uint8_t> data, DWORD* written) {
        return call<FT_STATUS (*)(FT_HANDLE, void*, DWORD, DWORD*)>("FT_Write")(
            handle, data.data(), static_cast<DWORD>(data.size()), written);
    }
    FT_STATUS read(FT_HANDLE handle, std::uint8_t* buffer, DWORD size, DWORD* returned) {
        return call<FT_STATUS (*)(FT_HANDLE, void*, DWORD, DWORD*)>("FT_Read")(handle, buffer, size,
                                                                               returned);
    }
    FT_STATUS mpsse(FT_HANDLE handle) {
        return call<FT_STATUS (*)(FT_HANDLE, unsigned char, unsigned char)>("FT_SetBitMode")(handle,
                                                                                             0, 2);
    }

    TempDir dir;
    const std::string target = dir.file("chip.target");
    platform::shared_library library;
};

TEST_F(StandIn, DeviceListCarriesTypesNamesAndFlags) {
    make_target({"ftdi_devices=2232C|FTC1|Dual RS232 A;2232H|FTH1|Dual RS232-HS A|opened;"
                 "232H|" +
                 std::string(16, 'S') + "|Single RS232-HS"});
    DWORD count = 0;
    ASSERT_EQ(call<FT_STATUS (*)(DWORD*)>("FT_CreateDeviceInfoList")(&count), 0u);
    ASSERT_EQ(count, 3u);
    std::vector<node> nodes(count);
    std::memset(nodes.data(), 0x55, nodes.size() * sizeof(node));
    ASSERT_EQ(call<FT_STATUS (*)(node*, DWORD*)>("FT_GetDeviceInfoList")(nodes.data(), &count), 0u);
    EXPECT_EQ(nodes[0].flags, 0u);
    EXPECT_EQ(nodes[0].type, 4u);
    EXPECT_EQ(nodes[0].id, 0x04036010u);
    EXPECT_STREQ(nodes[0].description, "Dual RS232 A");
    EXPECT_EQ(nodes[1].flags, 3u); // opened elsewhere, high speed
    EXPECT_EQ(nodes[2].type, 8u);
    EXPECT_EQ(nodes[2].id, 0x04036014u);
    EXPECT_EQ(std::string(nodes[2].serial_number, 16), std::string(16, 'S')); // no room for a NUL
    EXPECT_EQ(nodes[2].handle, nullptr);

    char text[64] = {};
    const auto list = call<FT_STATUS (*)(void*, void*, DWORD)>("FT_ListDevices");
    DWORD number = 0;
    EXPECT_EQ(list(&number, nullptr, 0x80000000), 0u);
    EXPECT_EQ(number, 3u);
    EXPECT_EQ(list(reinterpret_cast<void*>(std::uintptr_t{1}), text, 0x40000002), 0u);
    EXPECT_STREQ(text, "Dual RS232-HS A");
    EXPECT_EQ(list(reinterpret_cast<void*>(std::uintptr_t{7}), text, 0x40000001), 2u);
}

TEST_F(StandIn, DevicesOpenOncePerKeyAndHandlesDieWithClose) {
    make_target({"ftdi=ft2232h"});
    FT_HANDLE a = nullptr, b = nullptr, again = nullptr;
    EXPECT_EQ(open_by(1, "AVRSIM01A", &a), 0u);
    EXPECT_EQ(open_by(2, "Dual RS232-HS B", &b), 0u);
    EXPECT_EQ(open_by(2, "Dual RS232-HS A", &again), 3u); // FT_DEVICE_NOT_OPENED: in use
    EXPECT_EQ(open_by(1, "AVRSIM01", &again), 2u);        // FT_DEVICE_NOT_FOUND
    std::uint32_t type = 0;
    DWORD id = 0;
    char serial[17] = {}, description[65] = {};
    EXPECT_EQ(call<FT_STATUS (*)(FT_HANDLE, std::uint32_t*, DWORD*, char*, char*, void*)>(
                  "FT_GetDeviceInfo")(b, &type, &id, serial, description, nullptr),
              0u);
    EXPECT_EQ(type, 6u);
    EXPECT_STREQ(serial, "AVRSIM01B");
    EXPECT_STREQ(description, "Dual RS232-HS B");
    const auto close = call<FT_STATUS (*)(FT_HANDLE)>("FT_Close");
    EXPECT_EQ(close(a), 0u);
    EXPECT_EQ(close(a), 1u); // FT_INVALID_HANDLE
    DWORD written = 0;
    EXPECT_EQ(write(a, {0x87}, &written), 1u);
    EXPECT_EQ(open_by(4, reinterpret_cast<void*>(std::uintptr_t{0x11}), &again), 0u);
    EXPECT_EQ(again, a); // by location: the first device again
}

TEST_F(StandIn, ShortRepliesWaitTheTimeOutAndHeldRepliesTheLatencyTimer) {
    const std::string stats = dir.file("usb.stats");
    make_target({"ftdi=ft2232h", "ftdi_stats=" + stats});
    FT_HANDLE h = nullptr;
    ASSERT_EQ(open_by(2, "Dual RS232-HS A", &h), 0u);
    ASSERT_EQ(mpsse(h), 0u);
    call<FT_STATUS (*)(FT_HANDLE, std::uint32_t, std::uint32_t)>("FT_SetTimeouts")(h, 50, 50);
    DWORD done = 0;
    ASSERT_EQ(write(h, {0x81}, &done), 0u); // no Send Immediate
    EXPECT_EQ(done, 1u);
    std::uint8_t reply[2] = {};
    EXPECT_EQ(read(h, reply, 2, &done), 0u); // FT_OK with fewer bytes, as on a time-out
    EXPECT_EQ(done, 1u);
    ASSERT_EQ(write(h, {0x81, 0x87}, &done), 0u);
    EXPECT_EQ(read(h, reply, 1, &done), 0u);
    EXPECT_EQ(done, 1u);
    unload();
    // The last line, the stand-in's own processor time, varies from run to run.
    const std::string text = read_file(stats);
    const std::string counts = "usb_writes 2\nusb_reads 2\nbytes_written 3\nbytes_read 2\n"
                               "sck_clocks 0\nbus_time_us 66250\nlatency_us 66250\n"
                               "target_in_reset 0\nstand_in_cpu_us ";
    EXPECT_EQ(text.substr(0, counts.size()), counts);
    EXPECT_EQ(text.find_first_not_of("0123456789", counts.size()), text.size() - 1) << text;
    EXPECT_EQ(text.back(), '\n');
}

TEST_F(StandIn, RealTimeMakesTheHostWaitTheBusTime) {
    make_target({"ftdi=ft2232c", "ftdi_timing=real"});
    FT_HANDLE h = nullptr;
    ASSERT_EQ(open_by(2, "Dual RS232 A", &h), 0u);
    ASSERT_EQ(mpsse(h), 0u);
    DWORD done = 0;
    // 2000 bytes at 6 MHz / 60 = 100 kHz: 160 ms of SCK.
    std::vector<std::uint8_t> command{0x86, 59, 0, 0x11, 0xCF, 0x07};
    command.resize(command.size() + 2000, 0xFF);
    const std::int64_t start = platform::counter_now();
    ASSERT_EQ(write(h, command, &done), 0u);
    std::uint8_t reply[1];
    ASSERT_EQ(write(h, {0x81}, &done), 0u);
    ASSERT_EQ(read(h, reply, 1, &done), 0u); // full-speed round trip plus the latency timer
    const double elapsed_ms = static_cast<double>(platform::counter_now() - start) * 1000.0 /
                              static_cast<double>(platform::counter_frequency());
    EXPECT_GE(elapsed_ms, 160.0 + 1.0 + 16.0);
}

TEST_F(StandIn, InjectedFaultsHitFromTheirCallOn) {
    make_target({"ftdi_fault=short_read", "ftdi_fault_after=2"});
    FT_HANDLE h = nullptr;
    ASSERT_EQ(open_by(2, "Dual RS232-HS A", &h), 0u);
    ASSERT_EQ(mpsse(h), 0u);
    DWORD done = 0;
    std::uint8_t reply[2];
    ASSERT_EQ(write(h, {0x81, 0x83, 0x87}, &done), 0u);
    EXPECT_EQ(read(h, reply, 2, &done), 0u);
    EXPECT_EQ(done, 2u);
    ASSERT_EQ(write(h, {0x81, 0x83, 0x87}, &done), 0u);
    EXPECT_EQ(read(h, reply, 2, &done), 0u);
    EXPECT_EQ(done, 1u);
    unload();

    make_target({"ftdi_fault=io_error"});
    ASSERT_EQ(open_by(2, "Dual RS232-HS A", &h), 0u);
    EXPECT_EQ(write(h, {0x87}, &done), 4u); // FT_IO_ERROR
    EXPECT_EQ(done, 0u);
    unload();

    make_target({"ftdi_fault=missing"});
    DWORD count = 9;
    EXPECT_EQ(call<FT_STATUS (*)(DWORD*)>("FT_CreateDeviceInfoList")(&count), 0u);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(open_by(2, "Dual RS232-HS A", &h), 2u);
}

TEST_F(StandIn, BadBenchSettingsLeaveNoDeviceAndSayWhy) {
    for (const char* setting :
         {"ftdi_fault=sometimes", "ftdi_wiring=reset=adbus9", "ftdi_devices=2232H|S1",
          "ftdi_target=x", "ftdi_timing=slow", "ftdi_colour=blue"}) {
        make_target({setting});
        testing::internal::CaptureStderr();
        DWORD count = 9;
        call<FT_STATUS (*)(DWORD*)>("FT_CreateDeviceInfoList")(&count);
        const std::string complaint = testing::internal::GetCapturedStderr();
        EXPECT_EQ(count, 0u) << setting;
        EXPECT_NE(complaint.find("avrsim ftd2xx: "), std::string::npos) << setting;
        EXPECT_NE(complaint.find("no FTDI device present"), std::string::npos) << complaint;
        unload();
    }
}

} // namespace
