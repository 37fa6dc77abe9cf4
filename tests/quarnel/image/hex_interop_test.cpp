// Round trips between this reader and writer and the HEX files of avr-objcopy and srec_cat.
#include "quarnel/image/hex_reader.h"
#include "quarnel/image/hex_writer.h"

#include "tests/quarnel/image/image_helpers.h"
#include "tests/support/run_program.h"

#include "quarnel/common/console.h"
#include <cstdio>

#include <gtest/gtest.h>
#include <random>

using namespace quarnel;

namespace {

ProgramResult shell(const std::string& command) {
    ProgramRun run;
    run.program = "/bin/sh";
    run.args = {"-c", command};
    return run_program(run);
}

bool have_tool(const std::string& name) {
    return shell("command -v " + name + " >/dev/null 2>&1").status == 0;
}

#define REQUIRE_TOOL(name)                                                                         \
    if (!have_tool(name)) {                                                                        \
        GTEST_SKIP() << name << " is not installed (Debian: binutils-avr, gcc-avr, srecord)";      \
    }

std::string random_bytes(std::size_t n, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(n, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(generator());
    }
    return bytes;
}

void run_tool(const std::string& command) {
    const ProgramResult r = shell(command);
    ASSERT_EQ(r.status, 0) << command << "\n" << r.output;
}

PortionList read_hex(const std::string& path) {
    PortionList image;
    testing::internal::CaptureStdout();
    read_hex_file(image, path.c_str(), console_key_is_yes);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    return image;
}

void write_hex(const PortionList& image, const std::string& path, ff_lines ff) {
    std::FILE* out = std::fopen(path.c_str(), "w");
    ASSERT_NE(out, nullptr);
    write_hex_image(image, out, ff);
    ASSERT_EQ(std::fclose(out), 0);
}

// The image's bytes from `base` as one string; empty when it has gaps.
std::string contiguous_from(const PortionList& image, std::int32_t base) {
    std::string bytes;
    for (const CodePortion& p : image) {
        if (p.start - base != static_cast<std::int32_t>(bytes.size())) {
            return {};
        }
        bytes.append(reinterpret_cast<const char*>(p.bytes()), p.length);
    }
    return bytes;
}

} // namespace

TEST(HexInterop, ReadsAvrObjcopyOutputAcrossSegments) {
    REQUIRE_TOOL("avr-objcopy");
    TempDir dir;
    const std::string data = random_bytes(0x11234, 1);
    write_file(dir.file("in.bin"), data);
    run_tool("avr-objcopy -I binary -O ihex " + dir.file("in.bin") + " " + dir.file("out.hex"));
    const PortionList image = read_hex(dir.file("out.hex"));
    EXPECT_EQ(contiguous_from(image, 0), data);
    for (const CodePortion& p : image) {
        EXPECT_LE(p.length, 4096);
    }
}

TEST(HexInterop, ReadsSrecCatOutputWithLinearAddresses) {
    REQUIRE_TOOL("srec_cat");
    TempDir dir;
    const std::string data = random_bytes(0x3000, 2);
    write_file(dir.file("in.bin"), data);
    run_tool("srec_cat " + dir.file("in.bin") + " -binary -offset 0x1F000 -o " +
             dir.file("out.hex") + " -intel -address-length=4 -line-length=76");
    const PortionList image = read_hex(dir.file("out.hex"));
    ASSERT_FALSE(image.empty());
    EXPECT_EQ(image.head()->start, 0x1F000);
    EXPECT_EQ(contiguous_from(image, 0x1F000), data);
}

TEST(HexInterop, ReadsACompiledProgramLikeItsBinary) {
    REQUIRE_TOOL("avr-gcc");
    REQUIRE_TOOL("avr-objcopy");
    TempDir dir;
    const std::string elf = dir.file("blink.elf");
    run_tool("avr-gcc -Os -DF_CPU=1000000UL -mmcu=atmega328p -o " + elf + " " +
             source_path("examples/firmware/blink.c"));
    run_tool("avr-objcopy -O ihex -j .text -j .data " + elf + " " + dir.file("blink.hex"));
    run_tool("avr-objcopy -O binary -j .text -j .data " + elf + " " + dir.file("blink.bin"));
    const PortionList image = read_hex(dir.file("blink.hex"));
    EXPECT_EQ(contiguous_from(image, 0), read_file(dir.file("blink.bin")));
}

TEST(HexInterop, SrecCatAcceptsWrittenFilesAndFindsTheSameBytes) {
    REQUIRE_TOOL("srec_cat");
    TempDir dir;
    PortionList image;
    const std::string data = random_bytes(0x10000 + 0x800, 3);
    for (std::int32_t start = 0; start < static_cast<std::int32_t>(data.size()); start += 0x100) {
        add_portion(image, start,
                    std::vector<std::uint8_t>(data.begin() + start, data.begin() + start + 0x100));
    }
    // Erased stretches are left out of the file; srec_cat fills them back.
    for (std::int32_t a = 0x4000; a < 0x4400; ++a) {
        image.find_first(contains_address(a))->write(a, 0xFF);
    }
    write_hex(image, dir.file("ours.hex"), ff_lines::skip);
    run_tool("srec_cat " + dir.file("ours.hex") + " -intel -fill 0xFF 0 0x10800 -o " +
             dir.file("back.bin") + " -binary");
    EXPECT_EQ(read_file(dir.file("back.bin")), contiguous_from(image, 0));
}

TEST(HexInterop, AvrObjcopyAcceptsWrittenFilesAndFindsTheSameBytes) {
    REQUIRE_TOOL("avr-objcopy");
    TempDir dir;
    PortionList image;
    const std::string data = random_bytes(0x20000, 4);
    add_portion(image, 0, std::vector<std::uint8_t>(data.begin(), data.end()));
    write_hex(image, dir.file("ours.hex"), ff_lines::keep);
    run_tool("avr-objcopy -I ihex -O binary " + dir.file("ours.hex") + " " + dir.file("back.bin"));
    EXPECT_EQ(read_file(dir.file("back.bin")), data);

    PortionList again = read_hex(dir.file("ours.hex"));
    EXPECT_EQ(contiguous_from(again, 0), data);
}
