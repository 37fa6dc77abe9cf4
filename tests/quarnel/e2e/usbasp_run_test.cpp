// Whole quarnel runs through USBasps of the libusb stand-in, and avrdude's usbasp programmer on
// the same chip.
#include "tests/quarnel/e2e/avrdude_client.h"
#include "tests/quarnel/e2e/ftdi_stand_in.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

namespace {

std::string usbasp_library_dir(const std::string& version) {
    return std::filesystem::path(bin_path("quarnel")).parent_path().parent_path() / "usbasp" /
           ("libusb-" + version);
}

// A virtual chip on a USBasp of the stand-in, its counts in "usb.stats".
class UsbaspBench {
  public:
    UsbaspBench(const std::string& chip, std::vector<std::string> settings = {})
        : bench(chip, with_defaults(std::move(settings))) {}

    BenchRun quarnel(const std::vector<std::string>& args,
                     const std::map<std::string, std::string>& environment = {}) const {
        ProgramRun run;
        run.env = environment;
        run.env["LD_LIBRARY_PATH"] = usbasp_library_dir("1.0");
        return bench.quarnel(args, run);
    }
    ProgramResult avrdude(const std::vector<std::string>& operations) const {
        std::vector<std::string> args = {"-c", "usbasp", "-p", "m328p"};
        args.insert(args.end(), operations.begin(), operations.end());
        return run_avrdude(bench, args, {{"LD_LIBRARY_PATH", usbasp_library_dir("0.1")}});
    }
    std::map<std::string, long> stats() const {
        std::map<std::string, long> values;
        std::istringstream lines(bench.get("usb.stats"));
        std::string name;
        long value = 0;
        while (lines >> name >> value) {
            values[name] = value;
        }
        return values;
    }

    Bench bench;

  private:
    static std::vector<std::string> with_defaults(std::vector<std::string> settings) {
        settings.insert(settings.begin(), {"clock=16MHz", "usbasp_stats=usb.stats"});
        return settings;
    }
};

// The flash goes in blocks (no instruction per byte), is verified, and reads back equal; above
// 64 KB the blocks carry long addresses, and above 128 KB the firmware's extended address.
TEST(UsbaspRun, WritesVerifiesAndReadsBackWholeFlash) {
    const struct {
        std::string chip;
        std::size_t size;
        long blocks; // a page each (two for 256 bytes), three for each 512 bytes verified
    } cases[] = {{"mega328P", 32768, 256 + 64 * 3}, {"mega2560", 262144, 2 * 1024 + 512 * 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chip);
        const UsbaspBench usb(c.chip);
        const Bytes image = firmware(c.size);
        usb.bench.put("prog.bin", std::string(image.begin(), image.end()));
        BenchRun run =
            usb.quarnel({"+" + c.chip, "-ausbasp", "-o16MHz", "-e", "-w", "-v", ":bin:prog.bin"});
        EXPECT_EQ(run.status, 0) << run.body;
        EXPECT_NE(run.body.find(" passed\n"), std::string::npos);
        EXPECT_EQ(usb.bench.memory("flash"), image);
        std::map<std::string, long> stats = usb.stats();
        EXPECT_EQ(stats["usb_block_requests"], c.blocks);
        EXPECT_LT(stats["usb_transmits"], 40);
        EXPECT_EQ(stats["target_in_reset"], 0);

        run = usb.quarnel({"+" + c.chip, "-ausbasp", "-o16MHz", "-r", "back.hex"});
        EXPECT_EQ(run.status, 0) << run.body;
        EXPECT_EQ(hex_bytes(usb.bench.get("back.hex"), image.size()), image);
    }
}

// Fuses and lock by name, and the production data, as over the other adapters.
TEST(UsbaspRun, FusesLockAndProductionData) {
    const UsbaspBench usb("mega328P", {"calibration=9A"});
    const Bytes image = firmware(256);
    usb.bench.put("prog.hex", hex_text({{0, image}}));
    usb.bench.put("data.hex", hex_text({{0, Bytes(32, 0x5A)}}));
    usb.bench.put("sn.txt", "41\n");
    BenchRun run = usb.quarnel({"+mega328P", "-ausbasp", "-o16MHz", "-e", "-w", "-v", "prog.hex",
                                "-d", "data.hex", "-n5", "-C*SERNO2=80,sn.txt", "-D*OSCCAL=10,+0",
                                "-fBOOTRST=0,SUT=1"});
    EXPECT_EQ(run.status, 0) << run.body;
    EXPECT_NE(run.body.find("Chip serial number is 41\n"), std::string::npos) << run.body;
    EXPECT_NE(run.body.find("Number of erases forced to 5\n"), std::string::npos) << run.body;
    EXPECT_EQ(usb.bench.get("sn.txt"), "42\n");
    const Bytes flash = usb.bench.memory("flash");
    EXPECT_EQ(flash[0x80], 41);
    EXPECT_EQ(flash[0x81], 0);
    EXPECT_EQ(usb.bench.memory("eeprom")[0x10], 0x9A);
    EXPECT_EQ(usb.bench.setting("fuse_high"), "D8");
    EXPECT_EQ(usb.bench.setting("fuse_low"), "52");

    run = usb.quarnel({"+mega328P", "-ausbasp", "-o16MHz", "-e", "-w", "prog.hex", "-l2"});
    EXPECT_EQ(run.status, 0) << run.body;
    EXPECT_NE(run.body.find("Device locked to level 2!\n"), std::string::npos) << run.body;
    EXPECT_EQ(usb.bench.setting("lock"), "FC");
}

// Which USBasp a run takes, and each way a run ends early: what is said and the status, and no
// output file from a run cut short.
TEST(UsbaspRun, ChoosesTheDeviceAndEndsEveryFailureWithItsStatus) {
    const std::string body_ok = "Device connected, mega328P detected\n";
    const std::string denied =
        "Can't open USBasp at bus 001 address 006: permission denied (the udev rule "
        "70-quarnel-usbasp.rules gives the group plugdev access)\n\n";
    const struct {
        std::vector<std::string> settings;
        std::vector<std::string> switches;
        std::string said; // the start of what follows the command line
        int status;
    } cases[] = {
        {{"usbasp_serial=AB12"},
         {"-p?"},
         "1 USBasp devices detected\n 0: bus 001 address 006, "
         "serno \"AB12\"\n\n",
         0},
        {{"usbasp_others=-,CD34"},
         {"-p?"},
         "3 USBasp devices detected\n 0: bus 001 address 006, no serial number\n 1: bus 001 "
         "address 007, no serial number\n 2: bus 001 address 008, serno \"CD34\"\n\n",
         0},
        {{"usbasp_fault=permission"},
         {"-p?"},
         "1 USBasp devices detected\n 0: bus 001 address 006, no permission (see "
         "70-quarnel-usbasp.rules)\n\n",
         0},
        {{"usbasp_serial=AB12", "usbasp_others=CD34"}, {"-ps=AB12"}, body_ok, 0},
        {{"usbasp_others=-"}, {"-pb=1:6"}, body_ok, 0},
        {{"usbasp_others=-"},
         {},
         "2 USBasps found, pick one with -ps=SERIAL or -pb=BUS:ADDR (-p? lists them)\n\n",
         70},
        // The other USBasp has no chip on its lines.
        {{"usbasp_others=-"}, {"-pb=1:7"}, "Can't resync\n", 40},
        {{}, {"-ps=XY"}, "No USBasp with serial number \"XY\" found\n\n", 70},
        {{}, {"-pb=1:9"}, "No USBasp at bus 001 address 009\n\n", 70},
        {{},
         {"-pb=1"},
         "Bad USBasp port 'b=1', use s=SERIAL or b=BUS:ADDR (-p? lists them)\n\n",
         70},
        {{"usbasp_fault=missing"}, {}, "No USBasp found\n\n", 70},
        {{"usbasp_fault=permission"}, {}, denied, 70},
        {{}, {"-o0"}, "USBasp can't generate XTAL\n\n", 70},
        // Firmware without SETISPSCK: fine at 16 MHz, too fast for a chip at 1 MHz.
        {{"usbasp_firmware=1.02"},
         {},
         "Warning: USBasp firmware can't set SCK (update it), it clocks at 0.38MHz\n" + body_ok,
         0},
        {{"usbasp_firmware=1.02", "clock=1MHz"},
         {"-o1MHz"},
         "Warning: USBasp firmware can't set SCK (update it), it clocks at 0.38MHz\nUSBasp's own "
         "SCK is too fast for the target (at most 238kHz)\n\n",
         70},
        {{"usbasp_fault=stall", "usbasp_fault_after=10"},
         {},
         body_ok +
             "Chip not locked\nCan't send USBasp request TRANSMIT (LIBUSB_ERROR_PIPE)\n\nReset pin "
             "released\n",
         70},
    };
    for (const auto& c : cases) {
        const UsbaspBench usb("mega328P", c.settings);
        std::vector<std::string> args = {"+mega328P", "-ausbasp", "-o16MHz"};
        args.insert(args.end(), c.switches.begin(), c.switches.end());
        SCOPED_TRACE(args.back() + (c.settings.empty() ? "" : " " + c.settings.back()));
        const BenchRun run = usb.quarnel(args);
        EXPECT_EQ(run.body.substr(0, echo(args).size() + c.said.size()), echo(args) + c.said);
        EXPECT_EQ(run.status, c.status);
    }

    // Unplugged while the flash is read: the file is not made.
    const UsbaspBench usb("mega328P", {"usbasp_fault=unplug", "usbasp_fault_after=60"});
    const BenchRun run = usb.quarnel({"+mega328P", "-ausbasp", "-o16MHz", "-r", "back.hex"});
    EXPECT_NE(run.body.find("Can't send USBasp request READFLASH (LIBUSB_ERROR_NO_DEVICE), USBasp "
                            "unplugged\n"),
              std::string::npos)
        << run.body;
    EXPECT_EQ(run.status, 70);
    EXPECT_EQ(usb.bench.files().count("back.hex"), 0U);
}

// avrdude verifies what quarnel wrote, and quarnel reads back what avrdude wrote; quarnel's
// write and verify takes no more USB time than avrdude's.
TEST(UsbaspRun, AvrdudeAndQuarnelReadWhatTheOtherWrote) {
    if (!avrdude_installed()) {
        GTEST_SKIP() << "avrdude is not installed";
    }
    const UsbaspBench usb("mega328P");
    Bytes image = firmware(32768, 0x77);
    usb.bench.put("prog.hex", hex_text({{0, image}}));
    const BenchRun run =
        usb.quarnel({"+mega328P", "-ausbasp", "-o16MHz", "-e", "-w", "-v", "prog.hex"});
    EXPECT_EQ(run.status, 0) << run.body;
    const long quarnel_time = usb.stats()["bus_time_us"];
    usb.bench.put("prog.bin", std::string(image.begin(), image.end()));
    ProgramResult avrdude = usb.avrdude({"-U", "flash:v:prog.bin:r"});
    EXPECT_EQ(avrdude.status, 0) << avrdude.output;
    EXPECT_NE(avrdude.output.find("32768 bytes of flash verified"), std::string::npos);

    image = firmware(32768, 0x99);
    usb.bench.put("other.bin", std::string(image.begin(), image.end()));
    avrdude = usb.avrdude({"-e", "-U", "flash:w:other.bin:r"});
    EXPECT_EQ(avrdude.status, 0) << avrdude.output;
    EXPECT_LE(quarnel_time, usb.stats()["bus_time_us"]);
    const BenchRun back = usb.quarnel({"+mega328P", "-ausbasp", "-o16MHz", "-r", "back.hex"});
    EXPECT_EQ(back.status, 0) << back.body;
    EXPECT_EQ(hex_bytes(usb.bench.get("back.hex"), image.size()), image);
}

} // namespace
