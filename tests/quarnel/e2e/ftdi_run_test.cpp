// Whole quarnel runs over FTDI adapters: the stand-in D2XX and libftdi libraries with the
// virtual chip on them. Each table runs over both.
#include "tests/quarnel/e2e/ftdi_stand_in.h"
#include "tests/support/golden_text.h"

#include <gtest/gtest.h>
#include <tuple>

namespace {

const std::string mega328p = connected("mega328P");

std::string mega328p_fuses() {
    return golden_text("quarnel/fuse-values-mega328p.txt");
}

// What a run that only identifies the chip prints after the command echo.
std::string identified() {
    return mega328p + "Chip not locked\n" + mega328p_fuses() + "Total time T\nReset pin released\n";
}

// Each backend with each case of a table.
template <typename Case, std::size_t N>
std::vector<std::pair<const Backend*, Case>> all_pairs(const Backend* const (&used)[2],
                                                       const Case (&cases)[N]) {
    std::vector<std::pair<const Backend*, Case>> pairs;
    for (const Backend* backend : used) {
        for (const Case& c : cases) {
            pairs.emplace_back(backend, c);
        }
    }
    return pairs;
}

std::string dots(std::size_t bytes) {
    return std::string(bytes / 512, '.');
}

struct ProgramCase {
    std::vector<std::string> settings;
    std::string adapter;
    std::size_t size;
    std::string tail; // printed after the reset is released
};

// Erase, write and verify on each FTDI chip and wiring; the whole flash read back into a file.
TEST(FtdiRun, ProgramVerifyAndReadBackOnEveryChip) {
    const std::string lazy =
        "FTDI chip left in MPSSE mode with programming pins configured as inputs\n";
    const ProgramCase cases[] = {
        {{"ftdi=ft2232h"}, "-aft2232h", 32768, ""},
        {{"ftdi=ft4232h"}, "-aft4232h", 2048, ""},
        // bench.cfg: reset on cbus7
        {{"ftdi=ft232h", "ftdi_wiring=reset=acbus7"}, "-aft232h=bench.cfg", 2048, ""},
        // Inverting drivers on every programming line, and the lines kept in MPSSE mode.
        {{"ftdi=ft2232c", "ftdi_wiring=sck=~adbus0:mosi=~adbus1:miso=~adbus2:reset=~adbus5"},
         "-aft2232:sck=~adbus0:mosi=~adbus1:miso=~adbus2:reset=~adbus5",
         2048,
         lazy},
    };
    for (const auto& [backend, c] : all_pairs(backends, cases)) {
        SCOPED_TRACE(backend->name + " " + c.adapter);
        const FtdiBench ftdi(c.settings, *backend);
        const Bytes image = firmware(c.size);
        ftdi.bench.put("prog.hex", hex_text({{0, image}}));
        ftdi.bench.put("bench.cfg", "name = Bench\nreset = cbus7   # moved off dbus3\n");
        const std::vector<std::string> extra =
            c.tail.empty() ? std::vector<std::string>{} : std::vector<std::string>{"-az"};

        std::vector<std::string> args = {"+mega328P", c.adapter, "-o16MHz", "-e", "-w", "-v"};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back("prog.hex");
        BenchRun run = ftdi.quarnel(args);
        EXPECT_EQ(run.body, echo(args) + mega328p + "Chip not locked\nDevice erased\n" + mega328p +
                                mega328p_fuses() + "Programming CODE memory\n" + dots(c.size) +
                                " done (T)\nVerifying CODE memory\n" + dots(c.size) +
                                " passed\n done (T)\nTotal time T\nReset pin released\n" + c.tail);
        EXPECT_EQ(run.status, 0);

        Bytes flash(32768, 0xFF);
        std::copy(image.begin(), image.end(), flash.begin());
        EXPECT_EQ(ftdi.bench.memory("flash"), flash);
        if (c.size != flash.size()) {
            continue;
        }
        args = {"+mega328P", c.adapter, "-o16MHz", "-r", "back.hex"};
        run = ftdi.quarnel(args);
        EXPECT_EQ(run.body, echo(args) + mega328p + "Chip not locked\n" + mega328p_fuses() +
                                "Reading CODE memory\n" + dots(32768) +
                                " done (T)\nTotal time T\nReset pin released\n");
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(hex_bytes(ftdi.bench.get("back.hex"), flash.size()), flash);
    }
}

TEST(FtdiRun, PortQuestionMarkListsTheDevicesAndEndsWithStatusZero) {
    struct ListingCase {
        std::vector<std::string> settings;
        std::string adapter;
        std::string listing;
        bool d2xx_only = false; // channels that libusb would not show as one chip's
    };
    const ListingCase cases[] = {
        {{"ftdi=ft2232h"},
         "-aft2232h",
         "2 FTDI devices detected\n"
         " 0: FT_DEVICE_2232H (0x6) - \"Dual RS232-HS A\", serno \"AVRSIM01A\"\n"
         " 1: FT_DEVICE_2232H (0x6) - \"Dual RS232-HS B\", serno \"AVRSIM01B\"\n"},
        {{"ftdi=ft4232h"},
         "-aft4232h",
         "4 FTDI devices detected\n"
         " 0: FT_DEVICE_4232H (0x7) - \"Quad RS232-HS A\", serno \"AVRSIM01A\"\n"
         " 1: FT_DEVICE_4232H (0x7) - \"Quad RS232-HS B\", serno \"AVRSIM01B\"\n"
         " 2: FT_DEVICE_4232H (0x7) - \"Quad RS232-HS C\", serno \"AVRSIM01C\"\n"
         " 3: FT_DEVICE_4232H (0x7) - \"Quad RS232-HS D\", serno \"AVRSIM01D\"\n"},
        {{"ftdi=ft232h"},
         "-aft232h",
         "1 FTDI devices detected\n"
         " 0: FT_DEVICE_232H (0x8) - \"Single RS232-HS\", serno \"AVRSIM01\"\n"},
        // Any device is listed, whatever the adapter's chip; one open elsewhere shows only that.
        {{"ftdi_devices=ft2232c|S1|Dual RS232 A;5|R1|FT232R USB UART;ft2232h|H1|Bench|opened;"
          "12|Z9|Odd"},
         "-aft2232",
         "4 FTDI devices detected\n"
         " 0: FT_DEVICE_2232C (0x4) - \"Dual RS232 A\", serno \"S1\"\n"
         " 1: FT_DEVICE_232R (0x5) - \"FT232R USB UART\", serno \"R1\"\n"
         " 2: opened by another process\n"
         " 3: TOO HIGH TYPE CODE (0xC) - \"Odd\", serno \"Z9\"\n",
         true},
        {{"ftdi_devices=ft2232h|FT1A|Dual RS232-HS A;ft2232h|FT1B|Dual RS232-HS B|opened;"
          "ft232h|FT2|Single RS232-HS"},
         "-aft2232h",
         "3 FTDI devices detected\n"
         " 0: FT_DEVICE_2232H (0x6) - \"Dual RS232-HS A\", serno \"FT1A\"\n"
         " 1: opened by another process\n"
         " 2: FT_DEVICE_232H (0x8) - \"Single RS232-HS\", serno \"FT2\"\n"},
    };
    for (const auto& [backend, c] : all_pairs(backends, cases)) {
        if (c.d2xx_only && backend != &d2xx) {
            continue;
        }
        SCOPED_TRACE(backend->name + " " + c.adapter);
        const FtdiBench ftdi(c.settings, *backend);
        const std::vector<std::string> args = {"+mega328P", c.adapter, "-p?"};
        const BenchRun run = ftdi.quarnel(args);
        EXPECT_EQ(run.body, echo(args) + c.listing + "\n");
        EXPECT_EQ(run.status, 0);
    }
}

// The chip is wired to channel B: only a -p that names it reaches the chip.
TEST(FtdiRun, DescriptionOrSerialNumberSelectsTheDevice) {
    for (const Backend* backend : backends) {
        SCOPED_TRACE(backend->name);
        const FtdiBench ftdi({"ftdi=ft2232h", "ftdi_target=1"}, *backend);
        for (const std::string port : {"-pd=Dual RS232-HS B", "-ps=AVRSIM01B",
                                       "-ps=AVRSIM01A,d=Dual RS232-HS B,s=AVRSIM01B"}) {
            const std::vector<std::string> args = {"+mega328P", "-aft2232h", "-o16MHz", port};
            const BenchRun run = ftdi.quarnel(args);
            EXPECT_EQ(run.body, echo(args) + identified()) << port;
            EXPECT_EQ(run.status, 0) << port;
        }
        const std::vector<std::string> args = {"+mega328P", "-aft2232h", "-o16MHz"};
        const BenchRun run = ftdi.quarnel(args);
        EXPECT_EQ(run.body, echo(args) + "Can't resync\n\nReset pin released\n");
        EXPECT_EQ(run.status, 40);
    }
}

// An adapter with USB IDs of its own is found only once -pv=VID,p=PID names them; the listing
// takes the same IDs after its '?'.
TEST(FtdiRun, AdapterWithOwnUsbIdsIsFoundThroughThem) {
    for (const Backend* backend : backends) {
        SCOPED_TRACE(backend->name);
        const FtdiBench ftdi({"ftdi=ft232h", "ftdi_usb_id=1A86:7523"}, *backend);
        const std::string& not_found = backend->not_found;
        const std::string listing =
            "1 FTDI devices detected\n"
            " 0: FT_DEVICE_232H (0x8) - \"Single RS232-HS\", serno \"AVRSIM01\"\n\n";
        const struct {
            std::vector<std::string> switches;
            std::string said;
            int status;
        } cases[] = {
            {{"-pv=1a86,p=7523"}, identified(), 0},
            {{"-ps=AVRSIM01,v=1A86,p=7523"}, identified(), 0},
            {{"-p?v=1A86,p=7523"}, listing, 0},
            {{"-p?"}, "No FTDI devices found\n\n", 70},
            {{"-ps=AVRSIM01"},
             "Can't open FTDI device with serial number \"AVRSIM01\" (" + not_found + ")\n\n",
             70},
            {{"-pv=1A86,p=6014"},
             "Can't open FTDI device with description \"Single RS232-HS\" (" + not_found + ")\n\n",
             70},
            {{"-pv=0x1A86"}, "Invalid FTDI chip option 'v=0x1A86'\n\n", 70},
            {{"-pp=10000"}, "Invalid FTDI chip option 'p=10000'\n\n", 70},
        };
        for (const auto& c : cases) {
            std::vector<std::string> args = {"+mega328P", "-aft232h", "-o16MHz"};
            args.insert(args.end(), c.switches.begin(), c.switches.end());
            const BenchRun run = ftdi.quarnel(args);
            EXPECT_EQ(run.body, echo(args) + c.said) << c.switches[0];
            EXPECT_EQ(run.status, c.status) << c.switches[0];
        }

        // Beside a device with FTDI's IDs and the same description, the IDs choose the one
        // the chip is wired to; IDs no device has find none.
        const FtdiBench both({"ftdi_devices=ft232h|DEF1|Single RS232-HS;"
                              "ft232h|OWN1|Single RS232-HS|1A86:7523",
                              "ftdi_target=1"},
                             *backend);
        for (const auto& [port, said, status] :
             {std::tuple<std::string, std::string, int>{"-pv=1A86,p=7523", identified(), 0},
              {"-pv=1A86,p=7524",
               "Can't open FTDI device with description \"Single RS232-HS\" (" + not_found +
                   ")\n\n",
               70}}) {
            const std::vector<std::string> args = {"+mega328P", "-aft232h", "-o16MHz", port};
            const BenchRun run = both.quarnel(args);
            EXPECT_EQ(run.body, echo(args) + said) << port;
            EXPECT_EQ(run.status, status) << port;
        }
    }
}

TEST(FtdiRun, TraceNamesBackendLibraryDriverDeviceAndSck) {
    const std::vector<std::string> args = {"+mega328P", "-aft2232h", "-os100", "-%"};
    const std::string options =
        echo(args) + "No FTDI \"port\" switch found\n"
                     "device with default description \"Dual RS232-HS A\" will be used\n";
    const std::string adapter = "\t% FT2232 MPSSE SPI adapter created, SCK frequency 100kHz\n";
    const std::pair<const Backend*, std::string> cases[] = {
        {&d2xx, "\t% FTDI access through D2XX\n\t% '" + bin_path("libavrsim_ftd2xx.so") +
                    "' successfully loaded, version 1.4.27\n"
                    "\t% FTDI driver version 1.4.27\n"},
        {&libftdi, "\t% FTDI access through libftdi1\n\t% 'libftdi1.so.2' successfully loaded\n"},
    };
    for (const auto& [backend, library] : cases) {
        const BenchRun run = FtdiBench({}, *backend).quarnel(args);
        const std::string opening = options + library + adapter;
        EXPECT_EQ(run.body.substr(0, opening.size()), opening);
        EXPECT_EQ(run.status, 0);
    }
}

TEST(FtdiRun, RefusedSettingsAndFailingDevicesEndWithStatus70) {
    for (const Backend* backend : backends) {
        const std::string& not_found = backend->not_found;
        const std::string write_failed =
            "Can't write to FTDI chip (" + backend->write_failed + ")\n";
        const struct {
            std::vector<std::string> settings;
            std::vector<std::string> switches;
            std::string said;
        } cases[] = {
            {{"ftdi_fault=short_read", "ftdi_fault_after=3"},
             {"-aft2232h"},
             "Can't read from FTDI chip\n\nReset pin released\n"},
            {{"ftdi_fault=missing"}, {"-aft2232h", "-p?"}, "No FTDI devices found\n\n"},
            {{"ftdi_fault=missing"},
             {"-aft2232h"},
             "Can't open FTDI device with description \"Dual RS232-HS A\" (" + not_found + ")\n\n"},
            {{"ftdi_devices=ft2232h|AVRSIM01A|Dual RS232-HS A|opened;ft2232h|AVRSIM01B|Dual "
              "RS232-HS B"},
             {"-aft2232h"},
             "Can't open FTDI device with description \"Dual RS232-HS A\" (" + backend->in_use +
                 ")\n\n"},
            // Failing writes during the erase: the error lamp and the release of reset fail too.
            {{"ftdi_fault=io_error", "ftdi_fault_after=12"},
             {"-aft2232h", "-e"},
             mega328p + "Chip not locked\n" + write_failed + "\n" + write_failed + "\n" +
                 write_failed + "\n" + write_failed},
            {{},
             {"-aft2232h", "-pd=Dual RS232-HS C"},
             "Can't open FTDI device with description \"Dual RS232-HS C\" (" + not_found + ")\n\n"},
            {{},
             {"-aft4232h", "-ps=AVRSIM01A"},
             "Can't use opened FTDI device (some of parameters not match)\n"
             "Requested  FT_DEVICE_4232H (0x7) - \"any\", serno \"AVRSIM01A\"\n"
             "Found      FT_DEVICE_2232H (0x6) - \"Dual RS232-HS A\", serno \"AVRSIM01A\"\n\n"},
            {{"ftdi=ft2232c"},
             {"-aft2232", "-ps=AVRSIM01B"},
             "Channel B can't be used for MPSSE mode\n\n"},
            {{"ftdi=ft4232h"},
             {"-aft4232h", "-pd=Quad RS232-HS C"},
             "Channel C can't be used for MPSSE mode\n\n"},
            {{}, {"-aft2232h", "-ps="}, "Invalid FTDI chip option 's='\n\n"},
            {{}, {"-aft2232h", "-pd=x,x=1"}, "Invalid FTDI chip option 'x=1'\n\n"},
            {{},
             {"-aft2232h", "-ps=AVRSIM01234567890"},
             "Serial number too long: 's=AVRSIM01234567890'\n\n"},
            {{},
             {"-aft2232h", "-pd=" + std::string(65, 'D')},
             "Option too long: 'd=" + std::string(65, 'D') + "'\n\n"},
            {{}, {"-aft2232h", "-o0"}, "FTDI hardware SPI adapter (MPSSE) can't generate XTAL\n\n"},
            // 1 kHz less 5 % over two of 17 clocks: 27 Hz; the 6 MHz base divides down to 91.6 Hz.
            {{},
             {"-aft2232", "-o1kHz", "+86RF401"}, // the later device name counts
             "SCK frequency for FTDI hardware SPI adapter (MPSSE) must be higher than 92Hz\n\n"},
            {{},
             {"-aft2232h:sck=dbus4"},
             "FTDI hardware SPI adapter (MPSSE) can use only predefind MOSI,MISO and SCK\n\n"},
            {{}, {"-aft2232h:reset=adbus4"}, "adapter: invalid pin name 'adbus4'\n\n"},
            // A signal on a line the default wiring gives to another signal.
            {{},
             {"-aft2232h:reset=dbus0"},
             "adapter: can't use 'dbus0' for 'reset' - already used for 'sck'\n\n"},
            {{},
             {"-aft2232h:led_ok=dbus3"},
             "adapter: can't use 'dbus3' for 'led_ok' - already used for 'reset'\n\n"},
            {{},
             {"-aft232h:reset=cbus0:led_error=dbus2"},
             "adapter: can't use 'dbus2' for 'led_error' - already used for 'miso'\n\n"},
        };
        for (const auto& c : cases) {
            std::vector<std::string> settings = {"ftdi=ft2232h"};
            settings.insert(settings.end(), c.settings.begin(), c.settings.end());
            const FtdiBench ftdi(settings, *backend);
            std::vector<std::string> args = {"+mega328P", "-o16MHz"}; // a later -o0 replaces it
            args.insert(args.end(), c.switches.begin(), c.switches.end());
            SCOPED_TRACE(backend->name + " " + args.back());
            const BenchRun run = ftdi.quarnel(args);
            EXPECT_EQ(run.body, echo(args) + c.said);
            EXPECT_EQ(run.status, 70);
        }
    }
}

} // namespace
