// The virtual chip behind the stand-in libftdi, programmed by avrdude, a programmer nobody here
// wrote, through Debian's build of it (linked to libftdi 0.20): what avrdude writes quarnel
// reads back, and what quarnel writes avrdude verifies. Skipped where avrdude is not installed.
#include "tests/quarnel/e2e/avrdude_client.h"
#include "tests/quarnel/e2e/ftdi_stand_in.h"

#include <gtest/gtest.h>

namespace {

// avrdude with its FT2232H MPSSE programmer on the bench's chip.
ProgramResult avrdude(const FtdiBench& ftdi, const std::vector<std::string>& operations) {
    std::vector<std::string> args = {"-c", "ft2232h", "-p", "m328p", "-B", "2MHz"};
    args.insert(args.end(), operations.begin(), operations.end());
    return run_avrdude(ftdi.bench, args);
}

std::string as_text(const Bytes& bytes) {
    return {bytes.begin(), bytes.end()};
}

TEST(AvrdudeFidelity, AvrdudeAndQuarnelReadWhatTheOtherWrote) {
    if (!avrdude_installed()) {
        GTEST_SKIP() << "avrdude is not installed";
    }
    const FtdiBench ftdi({"ftdi=ft2232h", "fuse_low=FF", "fuse_high=DE", "fuse_ext=FD"}, libftdi);
    const Bytes image = firmware(32768, 0x51);
    ftdi.bench.put("prog.bin", as_text(image));

    ProgramResult run =
        avrdude(ftdi, {"-e", "-U", "flash:w:prog.bin:r", "-U", "lfuse:r:lfuse.txt:h", "-U",
                       "hfuse:r:hfuse.txt:h", "-U", "efuse:r:efuse.txt:h"});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("32768 bytes of flash verified"), std::string::npos) << run.output;
    EXPECT_EQ(ftdi.bench.get("lfuse.txt"), "0xff\n");
    EXPECT_EQ(ftdi.bench.get("hfuse.txt"), "0xde\n");
    EXPECT_EQ(ftdi.bench.get("efuse.txt"), "0xfd\n");
    EXPECT_EQ(ftdi.bench.memory("flash"), image);

    BenchRun read = ftdi.quarnel({"+mega328P", "-aft2232h", "-o16MHz", "-r", "back.hex"});
    EXPECT_EQ(read.status, 0) << read.body;
    EXPECT_EQ(hex_bytes(ftdi.bench.get("back.hex"), image.size()), image);

    // The other way: quarnel writes, avrdude verifies, and finds a changed byte.
    Bytes other = firmware(32768, 0x1234);
    ftdi.bench.put("other.hex", hex_text({{0, other}}));
    read = ftdi.quarnel({"+mega328P", "-aft2232h", "-o16MHz", "-e", "-w", "other.hex"});
    EXPECT_EQ(read.status, 0) << read.body;
    ftdi.bench.put("other.bin", as_text(other));
    run = avrdude(ftdi, {"-U", "flash:v:other.bin:r"});
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("32768 bytes of flash verified"), std::string::npos) << run.output;
    other[20000] ^= 0x01;
    ftdi.bench.put("other.bin", as_text(other));
    run = avrdude(ftdi, {"-U", "flash:v:other.bin:r"});
    EXPECT_NE(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("at addr 0x4e20"), std::string::npos) << run.output;
}

} // namespace
