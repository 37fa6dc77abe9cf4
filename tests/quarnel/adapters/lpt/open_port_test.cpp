// The -p switch: numbers, addresses, refusals, and failing host interfaces.
#include "quarnel/adapters/lpt/open_port.h"

#include "quarnel/adapters/lpt/lpt_host.h"

#include "platform/parallel_port.h"
#include "quarnel/common/console.h"
#include "tests/quarnel/adapters/captured.h"
#include "tests/support/run_program.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

using namespace quarnel;

namespace {

class PortSpec : public ::testing::Test {
  protected:
    void SetUp() override { console.verbosity = 3; }
    void TearDown() override { console.verbosity = 2; }

    Captured parse(std::optional<std::string> text, PortSelection& selection) {
        return captured([&] { selection = parse_port_spec(text); });
    }
};

} // namespace

TEST_F(PortSpec, NumbersSelectTheFixedBases) {
    PortSelection s;
    Captured run = parse("3", s);
    EXPECT_EQ(run.output, "\t% LPT port number 3\n\t% LPT base address 0x3BC\n");
    EXPECT_EQ(s.number, 3u);
    EXPECT_EQ(s.base, 0x3BCu);
    parse("1", s);
    EXPECT_EQ(s.base, 0x378u);
    run = parse(std::nullopt, s);
    EXPECT_EQ(run.output, "\t% LPT port number 2\n\t% LPT base address 0x278\n");
    EXPECT_EQ(s.number, 2u);
    EXPECT_EQ(s.base, 0x278u);
}

TEST_F(PortSpec, LargerValuesAreAddresses) {
    PortSelection s;
    Captured run = parse("378", s);
    EXPECT_EQ(run.output, "\t% LPT base address 0x378\n");
    EXPECT_FALSE(s.number);
    EXPECT_EQ(s.base, 0x378u);
    parse("100", s);
    EXPECT_EQ(s.base, 0x100u);
    parse("0xBC00", s);
    EXPECT_EQ(s.base, 0xBC00u);
    run = parse("e800", s);
    EXPECT_EQ(run.output, "\t% LPT base address 0xE800\n");
}

TEST_F(PortSpec, ForcedCycleTimeIsIgnoredWithAWarning) {
    PortSelection s;
    const Captured run = parse("378,1.5", s);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "warning: forced LPT cycle time will be ignored\n"
                          "\t% LPT base address 0x378\n");
    EXPECT_EQ(s.base, 0x378u);
}

TEST_F(PortSpec, ValuesOutsideTheRulesAreRefused) {
    for (const char* text : {"0", "4", "10", "FF", "ff", "", "/dev/parport0", "x378", "378h", "3 ",
                             " 3", "-1", "100000000", "0x"}) {
        PortSelection s;
        const Captured run = parse(std::string(text), s);
        EXPECT_EQ(run.status, 70) << text;
        EXPECT_NE(run.output.find("Invalid value for switch -p\n"), std::string::npos) << text;
    }
}

TEST(PortLookup, BaseAddressFindsItsPpdevDevice) {
    TempDir proc;
    std::filesystem::create_directories(proc.file("parport0"));
    std::filesystem::create_directories(proc.file("parport2"));
    std::filesystem::create_directories(proc.file("parport3"));
    write_file(proc.file("parport0/base-addr"), "888\t1912\n");
    write_file(proc.file("parport2/base-addr"), "632\t1656\n");
    write_file(proc.file("parport3/base-addr"), "garbage\n");
    EXPECT_EQ(platform::ppdev_device_for_base(0x378, proc.path()), "/dev/parport0");
    EXPECT_EQ(platform::ppdev_device_for_base(0x278, proc.path()), "/dev/parport2");
    EXPECT_EQ(platform::ppdev_device_for_base(0x3BC, proc.path()), std::nullopt);
    EXPECT_EQ(platform::ppdev_device_for_base(0x778, proc.path()), std::nullopt);
}

namespace {

class PortOpen : public ::testing::Test {
  protected:
    void SetUp() override { unsetenv("DLPORTIO_LIBRARY"); }
    void TearDown() override { unsetenv("DLPORTIO_LIBRARY"); }

    // Opens the port, expecting status 70; returns the message and the reason.
    std::string failure(const char* port_spec) {
        std::string reason;
        const Captured run = captured([&] {
            try {
                open_port(std::string(port_spec));
            } catch (const app_error& e) {
                reason = e.what();
                throw;
            }
        });
        EXPECT_EQ(run.status, 70) << port_spec;
        return run.output + reason;
    }
};

} // namespace

TEST_F(PortOpen, MissingDlportioLibraryIsNamed) {
    setenv("DLPORTIO_LIBRARY", "/nonexistent/libdlportio.so", 1);
    const std::string text = failure("378");
    EXPECT_EQ(text.rfind("Can't load library '/nonexistent/libdlportio.so'\n", 0), 0u) << text;
    EXPECT_NE(text.find("No such file"), std::string::npos) << text;
}

TEST_F(PortOpen, MissingPpdevDeviceIsNamedWithItsReason) {
    if (std::filesystem::exists("/dev/parport0")) {
        GTEST_SKIP() << "this host has a real parallel port";
    }
    const std::string text = failure("1");
    EXPECT_EQ(text.rfind("Can't open LPT device /dev/parport0\n", 0), 0u) << text;
    EXPECT_NE(text.find("/dev/parport0: No such file or directory"), std::string::npos) << text;
}

TEST_F(PortOpen, AddressBeyondThePortSpaceIsRefused) {
    const std::string text = failure("10000");
    EXPECT_EQ(text, "Can't open LPT port at address 0x10000\nno I/O port range at 0x10000");
}

TEST(PpdevPort, DeviceThatIsNoParallelPortCannotBeClaimed) {
    std::string reason;
    const Captured run = captured([&] {
        try {
            lpt_ppdev_t port("/dev/null");
        } catch (const app_error& e) {
            reason = e.what();
            throw;
        }
    });
    EXPECT_EQ(run.status, 70);
    EXPECT_EQ(run.output, "Can't open LPT device /dev/null\n");
    EXPECT_EQ(reason, "can't claim /dev/null: Inappropriate ioctl for device");
}
