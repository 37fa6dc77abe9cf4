// Whole quarnel runs through an ArduinoISP board of avrsim on a pseudo-terminal, and avrdude's
// stk500v1 programmer on the same board.
#include "tests/quarnel/e2e/arduino_board.h"
#include "tests/quarnel/e2e/avrdude_client.h"
#include "tests/quarnel/e2e/ftdi_stand_in.h"
#include "tests/support/golden_text.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::string dots(std::size_t bytes) {
    return std::string(bytes / 512, '.');
}

std::vector<std::string> with(std::vector<std::string> args, const ArduinoBoard& board,
                              unsigned baud) {
    args.insert(args.begin() + 1,
                {"-aarduinoisp", "-p" + board.path() + ",b=" + std::to_string(baud)});
    return args;
}

// A board whose sketch clocks SPI at 1 MHz, for a chip at 16 MHz; the bootloader's wait kept
// short.
std::vector<std::string> fast_board(unsigned baud, std::vector<std::string> more = {}) {
    more.insert(more.begin(), {"baud=" + std::to_string(baud), "sck_hz=1000000", "boot_ms=300"});
    return more;
}

TEST(ArduinoIspRun, WritesVerifiesAndReadsBackEachChip) {
    // The mega2560's board is built without the wait after a page write: quarnel's own waits
    // keep its pages whole.
    const struct {
        const char* chip;
        std::size_t size;
        unsigned baud;
        std::vector<std::string> board;
    } cases[] = {{"mega328P", 32768, 19200, {}}, {"mega2560", 262144, 115200, {"page_wait_ms=0"}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chip);
        const Bench bench(c.chip, {"clock=16MHz"});
        const ArduinoBoard board(bench, fast_board(c.baud, c.board));
        const Bytes image = firmware(c.size);
        bench.put("prog.bin", std::string(image.begin(), image.end()));
        const std::string name = std::string("+") + c.chip;
        std::vector<std::string> args =
            with({name, "-e", "-w", "-v", ":bin:prog.bin"}, board, c.baud);
        BenchRun run = bench.quarnel(args);
        EXPECT_EQ(run.status, 0) << run.body;
        EXPECT_NE(run.body.find("Programming CODE memory\n" + dots(c.size) +
                                " done (T)\nVerifying CODE memory\n" + dots(c.size) +
                                " passed\n done (T)\nTotal time T\n"),
                  std::string::npos)
            << run.body;
        EXPECT_EQ(bench.memory("flash"), image);
        run = bench.quarnel(with({name, "-r", "back.hex"}, board, c.baud));
        EXPECT_EQ(run.status, 0) << run.body;
        EXPECT_EQ(hex_bytes(bench.get("back.hex"), image.size()), image);
    }
}

// Fuses and lock by name, an erase counter, a serial number and the calibration byte: the
// same words and the same chip as over the parallel port.
TEST(ArduinoIspRun, ProductionDataFusesAndLockAsOverTheParallelPort) {
    const Bench parallel("mega328P", {"clock=16MHz"});
    const Bench arduino("mega328P", {"clock=16MHz"});
    const ArduinoBoard board(arduino, fast_board(115200));
    const Bytes image = firmware(4096);
    const std::vector<std::vector<std::string>> runs = {
        {"+mega328P", "-e", "-n", "-w", "-v", "p.hex", "-d", "d.hex", "-C*SERNO2=0x100,sn.txt",
         "-D*OSCCAL0=2,+0", "-fBOOTRST=0,SUT=1"},
        {"+mega328P", "-e", "-n", "-w", "-v", "p.hex", "-C*SERNO2=0x100,sn.txt"},
        {"+mega328P", "-e", "-w", "-l1", "p.hex"},
    };
    for (const Bench* bench : {&parallel, &arduino}) {
        bench->put("p.hex", hex_text({{0, image}}));
        bench->put("d.hex", hex_text({{0, {0x11, 0x22, 0x33, 0x44, 0x55}}}));
        bench->put("sn.txt", "4660\n");
    }
    for (const std::vector<std::string>& args : runs) {
        SCOPED_TRACE(args.back());
        const BenchRun expected = parallel.quarnel(args);
        const BenchRun run = arduino.quarnel(with(args, board, 115200));
        EXPECT_EQ(expected.status, 0) << expected.body;
        EXPECT_EQ(run.status, expected.status);
        // All but the echo of the command line.
        const auto after_command = [](const std::string& body) {
            return body.substr(body.find('\n', body.find('\n') + 1));
        };
        EXPECT_EQ(after_command(run.body), after_command(expected.body));
    }
    for (const char* memory : {"flash", "eeprom"}) {
        EXPECT_EQ(arduino.memory(memory), parallel.memory(memory)) << memory;
    }
    for (const char* key : {"fuse_low", "fuse_high", "fuse_ext", "lock"}) {
        EXPECT_EQ(arduino.setting(key), parallel.setting(key)) << key;
    }
    EXPECT_EQ(arduino.get("sn.txt"), parallel.get("sn.txt"));
}

// A board that never answers, one that answers garbage, one that goes silent or out of step
// mid-run, and a port that is not there: what is said, the status, and no read-back file.
TEST(ArduinoIspRun, BoardsThatFailEndWithMessageStatusAndNoFile) {
    const struct {
        std::vector<std::string> options;
        std::string said; // "PORT" stands for the board's path, "CC" for a command
        int status;
    } cases[] = {
        {{"fault=silent"},
         "No ArduinoISP answers on PORT at 115200 baud (is the sketch on the board and the "
         "port the board's?)\n\n",
         70},
        {{"fault=garbage"},
         "No ArduinoISP answers on PORT at 115200 baud (is the sketch on the board and the "
         "port the board's?)\n\n",
         70},
        {{"stall_after=40"}, "ArduinoISP on PORT stopped answering\n\n", 70},
        {{"garbage_after=40"},
         "ArduinoISP on PORT answered 0x4E to command 0xCC\n\nSynchronisation lost\n\n",
         40},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.front());
        const Bench bench("mega328P", {"clock=16MHz"});
        const ArduinoBoard board(bench, fast_board(115200, c.options));
        const BenchRun run = bench.quarnel(with({"+mega328P", "-r", "back.hex"}, board, 115200));
        std::string said = c.said;
        said.replace(said.find("PORT"), 4, board.path());
        // "CC": the command the garbage answered, whichever it was.
        const std::size_t command = said.find("CC");
        const std::size_t at = run.body.find(said.substr(0, command));
        ASSERT_NE(at, std::string::npos) << run.body;
        if (command != std::string::npos) {
            said.replace(command, 2, run.body.substr(at + command, 2));
        }
        EXPECT_EQ(run.body.substr(at, said.size()), said);
        EXPECT_EQ(run.status, c.status);
        EXPECT_FALSE(bench.files().count("back.hex"));
    }
    const Bench bench("mega328P");
    const std::vector<std::string> args = {"+mega328P", "-aarduinoisp", "-p/dev/ttyACM97", "-r",
                                           "back.hex"};
    const BenchRun run = bench.quarnel(args);
    EXPECT_EQ(run.body, echo(args) + "can't open /dev/ttyACM97: No such file or directory\n\n");
    EXPECT_EQ(run.status, 70);
}

// avrdude's stk500v1 programmer writes and verifies through the board, and quarnel reads back
// what it wrote.
TEST(ArduinoIspRun, AvrdudeProgramsTheChipThroughTheBoard) {
    if (!avrdude_installed()) {
        GTEST_SKIP() << "avrdude is not installed";
    }
    const Bench bench("mega328P", {"clock=16MHz"});
    const ArduinoBoard board(bench, fast_board(115200));
    const Bytes image = firmware(32768, 0x55);
    bench.put("prog.bin", std::string(image.begin(), image.end()));
    const ProgramResult avrdude =
        run_avrdude(bench, {"-c", "stk500v1", "-P", board.path(), "-b", "115200", "-p", "m328p",
                            "-e", "-U", "flash:w:prog.bin:r"});
    EXPECT_EQ(avrdude.status, 0) << avrdude.output;
    EXPECT_NE(avrdude.output.find("32768 bytes of flash verified"), std::string::npos);
    EXPECT_EQ(bench.memory("flash"), image);
    const BenchRun back = bench.quarnel(with({"+mega328P", "-r", "back.hex"}, board, 115200));
    EXPECT_EQ(back.status, 0) << back.body;
    EXPECT_EQ(hex_bytes(bench.get("back.hex"), image.size()), image);
}

// A sketch built without the LED flicker waits nothing after a page write: avrdude, which
// leaves that wait to the board, reads its first bytes while the chip still writes the last
// page; quarnel waits the page's time itself.
TEST(ArduinoIspRun, OnlyTheHostWaitsForAPageWhenTheSketchDoesNot) {
    const Bench bench("mega328P", {"clock=16MHz"});
    const ArduinoBoard board(bench, fast_board(115200, {"page_wait_ms=0"}));
    const Bytes image = firmware(4096, 0x33);
    bench.put("prog.hex", hex_text({{0, image}}));
    const BenchRun run =
        bench.quarnel(with({"+mega328P", "-e", "-w", "-v", "prog.hex"}, board, 115200));
    EXPECT_EQ(run.status, 0) << run.body;
    Bytes flash(32768, 0xFF);
    std::copy(image.begin(), image.end(), flash.begin());
    EXPECT_EQ(bench.memory("flash"), flash);
    if (!avrdude_installed()) {
        GTEST_SKIP() << "avrdude is not installed";
    }
    bench.put("prog.bin", std::string(image.begin(), image.end()));
    const ProgramResult avrdude =
        run_avrdude(bench, {"-c", "stk500v1", "-P", board.path(), "-b", "115200", "-p", "m328p",
                            "-e", "-U", "flash:w:prog.bin:r"});
    EXPECT_NE(avrdude.output.find("device 0xff != input"), std::string::npos) << avrdude.output;
}

} // namespace
