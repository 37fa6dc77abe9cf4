// End-to-end runs of dorvik on virtual chips: full programming, reads into files, fuses,
// lock bits and serial numbers.
#include "tests/dorvik/dorvik_bench_run.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

constexpr int STATUS_ERROR = 255;
const std::string ENABLED = "  Reset device...\t\t\t\t\tok.\n";

std::string firmware(const std::string& name) {
    return source_path("examples/firmware/" + name);
}

std::size_t count_of(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

} // namespace

TEST(DorvikProgramming, FirmwareOnAtmega328pKeepsTheEeprom) {
    DorvikFolder folder;
    folder.make_target("mega328P", {"clock=8MHz", "port_cycle_us=0.25"}); // a quicker bench
    folder.avrsim({"write", folder.file("target"), "eeprom", firmware("blink-mega328p.eep.hex")});
    const ProgramResult r = folder.run({"atmega328p", "-wf=" + firmware("blink-mega328p.hex")});
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(r.output.starts_with(ENABLED + ENABLED +
                                     "  Read file...\r  Read file...\t\t\t\t\t\tok.\t\n"));
    EXPECT_NE(
        r.output.find(
            "\r  Read EEPROM...\t\t\t\t\tok.\t\n  Erase chip...\r  Erase chip...\t\t\t\t\t\tok.\n"),
        std::string::npos);
    EXPECT_NE(r.output.find("\r  Verify EEPROM...\t\t\t\t\tok.\t\n"), std::string::npos);
    EXPECT_TRUE(r.output.ends_with("\r  Verify FLASH...\t\t\t\t\tok.\t\n"
                                   "  Current serial number -\t\t\t\t0.\n"));
    EXPECT_EQ(folder.memory("flash", 32768), hex_image(firmware("blink-mega328p.hex"), 32768));
    EXPECT_EQ(folder.memory("eeprom", 1024), hex_image(firmware("blink-mega328p.eep.hex"), 1024));
}

TEST(DorvikProgramming, FirmwareAndEepromFileOnAtmega8) {
    DorvikFolder folder;
    folder.make_target("mega8");
    const ProgramResult r = folder.run({"atmega8", "-wf=" + firmware("blink-mega8.hex"),
                                        "-we=" + firmware("blink-mega8.eep.hex")});
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(count_of(r.output, "Read EEPROM"), 0u); // the file gives the EEPROM
    EXPECT_EQ(folder.memory("flash", 8192), hex_image(firmware("blink-mega8.hex"), 8192));
    EXPECT_EQ(folder.memory("eeprom", 512), hex_image(firmware("blink-mega8.eep.hex"), 512));
}

TEST(DorvikProgramming, DataBeyondTheDeviceIsRefusedBeforeTheErase) {
    DorvikFolder folder;
    folder.make_target("mega48");
    write_file(folder.file("old.hex"), ":0400000001020304F2\n:00000001FF\n");
    folder.avrsim({"write", folder.file("target"), "flash", folder.file("old.hex")});
    write_file(folder.file("big.hex"), ":02000000AA55FF\n:02100000BB66CD\n:00000001FF\n");
    const ProgramResult r = folder.run({"atmega48", "-wf=big.hex"});
    EXPECT_EQ(r.status, 255) << r.output;
    EXPECT_NE(
        r.output.find("Error hex-file big.hex: 2 bytes lie beyond the 4096 bytes of memory\n"),
        std::string::npos)
        << r.output;
    EXPECT_EQ(folder.memory("flash", 4096)[1], 0x02) << "the chip was not erased";
}

TEST(DorvikProgramming, ReadsIntoHexFiles) {
    DorvikFolder folder;
    folder.make_target("mega8");
    folder.avrsim({"write", folder.file("target"), "flash", firmware("blink-mega8.hex")});
    folder.avrsim({"write", folder.file("target"), "eeprom", firmware("blink-mega8.eep.hex")});
    ProgramResult r = folder.run({"atmega8", "-rf=flash.hex"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, ENABLED +
                            "  Start read FLASH memory.\n  End read FLASH memory.\n"
                            "  Start save flash data to file flash.hex.\n  Flash data saved.\n");
    const std::string text = read_file(folder.file("flash.hex"));
    EXPECT_EQ(count_of(text, "\r\n"), 514u);
    EXPECT_EQ(count_of(text, "\n"), 514u);
    EXPECT_EQ(hex_image(folder.file("flash.hex"), 8192),
              hex_image(firmware("blink-mega8.hex"), 8192));

    r = folder.run({"atmega8", "-re=eeprom.hex"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(count_of(read_file(folder.file("eeprom.hex")), "\r\n"), 34u);
    EXPECT_EQ(hex_image(folder.file("eeprom.hex"), 512),
              hex_image(firmware("blink-mega8.eep.hex"), 512));

    r = folder.run({"atmega8", "-rf=" + folder.file("no/such/folder.hex")});
    EXPECT_EQ(r.status, STATUS_ERROR); // the file was not saved: the run failed
    EXPECT_TRUE(
        r.output.ends_with("Error creat hex-file " + folder.file("no/such/folder.hex") + "\n"));
}

TEST(DorvikProgramming, EepromFileWrittenAlone) {
    DorvikFolder folder;
    folder.make_target("mega48");
    write_file(folder.file("e.hex"), ":020010001234A8\n:00000001FF\n");
    ProgramResult r = folder.run({"atmega48", "-we=e.hex"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.output.ends_with("\r  Verify EEPROM...\t\t\t\t\tok.\t\n"));
    const auto eeprom = folder.memory("eeprom", 256);
    EXPECT_EQ(eeprom[0x10], 0x12);
    EXPECT_EQ(eeprom[0x11], 0x34);

    r = folder.run({"atmega48", "-we=none.hex"});
    EXPECT_EQ(r.status, STATUS_ERROR);
    EXPECT_EQ(r.output, ENABLED + "  Read file...Error find hex-file none.hex\n");
}

TEST(DorvikProgramming, FuseAndLockWritesPrintTheirReports) {
    DorvikFolder folder;
    folder.make_target("mega8");
    ProgramResult r = folder.run({"atmega8", "-wlf=E4"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.output.starts_with(ENABLED + "  ---Fuse low byte---"));
    EXPECT_TRUE(r.output.ends_with(
        "  CKSEL0\t0       Select clock sourse\t1        0     \n"
        "  ------------------------------------------------------------------------\n"
        "  Write low fuse bits...\r  Write low fuse bits...\t\t\t\tok.\t\n"));
    EXPECT_NE(folder.avrsim({"show", folder.file("target")}).find("fuse_low = E4"),
              std::string::npos);

    r = folder.run({"atmega8", "-wlb=3C"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.output.ends_with("  Write lock bits...\r  Write lock bits...\t\t\t\t\tok.\t\n"));

    r = folder.run({"atmega8", "-rlb"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.output.starts_with(ENABLED + "  Read lock bits  ---Lock byte---"));
    EXPECT_NE(r.output.find("  BLB12\t5       Boot Lock bit\t\t1        1     \n"
                            "  BLB11\t4       Boot Lock bit\t\t1        1     \n"
                            "  BLB02\t3       Boot Lock bit\t\t1        1     \n"
                            "  BLB01\t2       Boot Lock bit\t\t1        1     \n"
                            "  LB2\t1       Lock bit\t\t1        0     \n"
                            "  LB1\t0       Lock bit\t\t1        0     \n"),
              std::string::npos);
}

TEST(DorvikProgramming, IgnoredFuseWriteEndsWith255) {
    DorvikFolder folder;
    folder.make_target("mega48", {"faults=ignore_fuse_writes"});
    ProgramResult r = folder.run({"atmega48", "-wxf=FE"});
    EXPECT_EQ(r.status, 255);
    EXPECT_TRUE(r.output.starts_with(ENABLED + "  ---Fuse ext byte---"));
    EXPECT_TRUE(r.output.ends_with(
        "  Write extended fuse bits...\r  Write extended fuse bits...\t\t\terror.\t\n"));

    write_file(folder.file("f.hex"), ":0100000001FE\n:00000001FF\n");
    r = folder.run({"atmega48", "-wf=f.hex", "-whf=D7"});
    EXPECT_EQ(r.status, 255);
    EXPECT_TRUE(r.output.ends_with("\r  Write high fuse bits...\t\t\t\terror.\t\n"));
    EXPECT_EQ(count_of(r.output, "Write FLASH"), 0u); // stopped before the flash
}

TEST(DorvikProgramming, ReadFusesOfAnAtmega48ShowsThreeReports) {
    DorvikFolder folder;
    folder.make_target("mega48");
    const ProgramResult r = folder.run({"atmega48", "-rlhf"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.output.starts_with(ENABLED + "  Read fuse low bits.\n  ---Fuse low byte"));
    EXPECT_NE(r.output.find("  Read fuse high bits.\n  ---Fuse high byte"), std::string::npos);
    EXPECT_NE(r.output.find("  Extended fuse bits.\n  ---Fuse ext byte"), std::string::npos);
}

TEST(DorvikProgramming, TableAndPlainSerialNumbers) {
    DorvikFolder folder;
    folder.make_target("mega8");
    write_file(folder.file("f.hex"), ":0100000001FE\n:00000001FF\n");
    ProgramResult r = folder.run({"atmega8", "-wf=f.hex", "-wts=5", "-snl=1", "-ws=7"});
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(r.output.ends_with("  Current serial number -\t\t\t\t7.\n"));
    const auto flash = folder.memory("flash", 8192);
    EXPECT_EQ(flash[8190], 7);    // -ws overwrote the first byte of the table code
    EXPECT_EQ(flash[8191], 0x63); // high byte of the code of serial number 5

    r = folder.run({"atmega8", "-rsn", "-snl=1"});
    EXPECT_EQ(r.output, ENABLED + "  Current serial number - 7\n");
    r = folder.run({"atmega8", "-rsn"});
    EXPECT_EQ(r.output, ENABLED + "  Current serial number - 25351\n"); // 0x6307

    r = folder.run({"atmega8", "-wf=f.hex", "-wts=0"});
    EXPECT_EQ(r.status, STATUS_ERROR);
    EXPECT_TRUE(r.output.ends_with("  Error: serial number 0 is not in the table (1 to 65536).\n"));
    r = folder.run({"atmega8", "-wf=f.hex", "-ws=70000"});
    EXPECT_EQ(r.status, STATUS_ERROR);
    EXPECT_TRUE(r.output.ends_with("  Error: serial number 70000 does not fit in 2 bytes.\n"));
}

TEST(DorvikProgramming, AutoSerialFileGrowsByOne) {
    DorvikFolder folder;
    folder.make_target("mega8");
    write_file(folder.file("f.hex"), ":0100000001FE\n:00000001FF\n");
    write_file(folder.file("serial.txt"), "41\r\nbatch 7\r\n");
    ProgramResult r = folder.run({"atmega8", "-wf=f.hex", "-asn=serial.txt", "-ws=1"});
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(r.output.ends_with("  Current serial number -\t\t\t\t41.\n"));
    EXPECT_EQ(read_file(folder.file("serial.txt")), "42\r\nbatch 7\r\n");
    r = folder.run({"atmega8", "-rsn"});
    EXPECT_EQ(r.output, ENABLED + "  Current serial number - 41\n");

    // A run that fails on its input files gives no number away.
    r = folder.run({"atmega8", "-wf=f.hex", "-asn=serial.txt", "-ws=1", "-we=missing.hex"});
    EXPECT_EQ(r.status, STATUS_ERROR);
    EXPECT_EQ(read_file(folder.file("serial.txt")), "42\r\nbatch 7\r\n");

    // The number line is replaced whole; the lines after it stay.
    write_file(folder.file("serial.txt"), "99\nbatch A\n");
    r = folder.run({"atmega8", "-wf=f.hex", "-asn=serial.txt", "-ws=1"});
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(read_file(folder.file("serial.txt")), "100\r\nbatch A\n");
}

TEST(DorvikProgramming, FilesThatOnlyLookLikeTemporariesStay) {
    DorvikFolder folder;
    folder.make_target("mega8");
    write_file(folder.file("f.hex"), ":0100000001FE\n:00000001FF\n");
    write_file(folder.file("serial.txt"), "41\n");
    // A user's file, a folder and a FIFO, each named as the programs name their temporaries.
    write_file(folder.file(".dorvik-999997-12345678.tmp"), "notes\n");
    mkdir(folder.file(".dorvik-999997-0badf00d.tmp").c_str(), 0700);
    mkfifo(folder.file(".dorvik-999997-deadbeef.tmp").c_str(), 0600);
    const ProgramResult r =
        folder.run({"atmega8", "-wf=f.hex", "-asn=serial.txt", "-ws=1", "-lpt=378"});
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(read_file(folder.file("serial.txt")), "42\r\n");
    EXPECT_EQ(read_file(folder.file(".dorvik-999997-12345678.tmp")), "notes\n");
    for (const char* name : {".dorvik-999997-0badf00d.tmp", ".dorvik-999997-deadbeef.tmp"}) {
        struct stat kept {};
        EXPECT_EQ(lstat(folder.file(name).c_str(), &kept), 0) << name;
    }
}

TEST(DorvikProgramming, OddSerialFilesAreRefusedBeforeTheErase) {
    DorvikFolder folder;
    folder.make_target("mega8");
    write_file(folder.file("f.hex"), ":0100000001FE\n:00000001FF\n");
    mkfifo(folder.file("fifo.txt").c_str(), 0600);
    struct Case {
        const char* content; // nullptr: the FIFO
        std::vector<std::string> options;
        const char* error;
    };
    const char* no_number = "  Error: the first line of serial.txt holds no serial number alone.\n";
    const Case cases[] = {
        {"300\n", {"-snl=1", "-ws=1"}, "  Error: serial number 300 does not fit in 1 bytes.\n"},
        {"70000\n", {"-ws=1"}, "  Error: serial number 70000 does not fit in 2 bytes.\n"},
        {"70000\n", {"-wts=1"}, "  Error: serial number 70000 is not in the table (1 to 65536).\n"},
        {"0x10\n", {"-ws=1"}, no_number},
        {"1e3\n", {"-ws=1"}, no_number},
        {"12abc\nbatch\n", {"-ws=1"}, no_number},
        {"99999999999\n", {"-ws=1"}, no_number},
        {"no number\n", {"-ws=1"}, no_number},
        {nullptr, {"-ws=1"}, "  Error: fifo.txt is no regular file.\n"},
        {"", {"-ws=1"}, "Error find file missing.txt\n"},
    };
    for (const Case& c : cases) {
        std::string name = c.content == nullptr ? "fifo.txt" : "serial.txt";
        if (c.content != nullptr && c.content[0] == '\0') {
            name = "missing.txt";
        } else if (c.content != nullptr) {
            write_file(folder.file(name), c.content);
        }
        std::vector<std::string> args = {"atmega8", "-wf=f.hex", "-asn=" + name};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const ProgramResult r = folder.run(args);
        EXPECT_EQ(r.status, STATUS_ERROR) << r.output;
        EXPECT_TRUE(r.output.ends_with(c.error)) << r.output;
        if (c.content != nullptr && c.content[0] != '\0') {
            EXPECT_EQ(read_file(folder.file(name)), c.content);
        }
        EXPECT_EQ(r.output.find("Erase"), std::string::npos) << r.output;
    }
}

TEST(DorvikProgramming, LockSwitchWithoutValueFailsAfterProgramming) {
    DorvikFolder folder;
    folder.make_target("mega8");
    write_file(folder.file("f.hex"), ":0100000001FE\n:00000001FF\n");
    const ProgramResult r = folder.run({"atmega8", "-wf=f.hex", "-wlb"});
    EXPECT_EQ(r.status, STATUS_ERROR);
    EXPECT_TRUE(r.output.ends_with("\r  Verify FLASH...\t\t\t\t\tok.\t\n"
                                   "  Error write command.\n  Error write command.\n"));
    EXPECT_EQ(folder.memory("flash", 8192)[0], 0x01);
}

TEST(DorvikProgramming, FailedWritesAndVerifiesEndWithAnError) {
    DorvikFolder folder;
    folder.make_target("mega48", {"faults=never_finish"});
    write_file(folder.file("e.hex"), ":020010001234A8\n:00000001FF\n");
    ProgramResult r = folder.run({"atmega48", "-we=e.hex"});
    EXPECT_EQ(r.status, STATUS_ERROR);
    EXPECT_NE(r.output.find("Error write EEPROM memory.\n"), std::string::npos);
    EXPECT_TRUE(r.output.ends_with("\r  Verify EEPROM...\t\t\t\t\terror.\t\n"));

    r = folder.run({"atmega48", "-wf=e.hex"});
    EXPECT_EQ(r.status, STATUS_ERROR);
    EXPECT_TRUE(r.output.ends_with("\r  Write FLASH...\n"
                                   "  Error: the chip did not finish writing address 0010.\n"
                                   "\r  Write FLASH...\t\t\t\t\terror.\t\n"
                                   "  Current serial number -\t\t\t\t0.\n"));
}

TEST(DorvikProgramming, LockedChipWarnsThatItsEepromIsLost) {
    DorvikFolder folder;
    folder.make_target("mega8", {"lock=FC"});
    write_file(folder.file("f.hex"), ":0100000001FE\n:00000001FF\n");
    const ProgramResult r = folder.run({"atmega8", "-wf=f.hex"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.output.find("ok.\t\n  Warning: the lock bits hide the EEPROM; the chip erase "
                            "clears it.\n\r  Read EEPROM..."),
              std::string::npos);
}
