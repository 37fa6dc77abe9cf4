// AVR executables: segments into the AVR windows, and every kind of file that is not one.
#include "quarnel/image/elf_reader.h"

#include "quarnel/common/errors.h"
#include "tests/quarnel/image/image_helpers.h"
#include "tests/support/run_program.h"

#include <functional>
#include <gtest/gtest.h>

using namespace quarnel;

namespace {

struct TestSegment {
    std::uint32_t address;
    std::vector<std::uint8_t> bytes;
    std::uint32_t type = 1; // PT_LOAD
    std::uint32_t extra_memory = 0;
};

void put16(std::string& file, std::size_t at, std::uint32_t value) {
    file[at] = static_cast<char>(value);
    file[at + 1] = static_cast<char>(value >> 8);
}

void put32(std::string& file, std::size_t at, std::uint32_t value) {
    put16(file, at, value & 0xFFFF);
    put16(file, at + 2, value >> 16);
}

// A 32-bit little-endian AVR executable holding `segments`, their bytes behind the
// program headers.
std::string elf_file(const std::vector<TestSegment>& segments) {
    std::string file(52 + 32 * segments.size(), '\0');
    file.replace(0, 7,
                 "\x7F"
                 "ELF\x01\x01\x01");
    put16(file, 16, 2);  // ET_EXEC
    put16(file, 18, 83); // EM_AVR
    put32(file, 20, 1);
    put32(file, 28, 52); // program headers
    put16(file, 40, 52);
    put16(file, 42, 32);
    put16(file, 44, static_cast<std::uint32_t>(segments.size()));
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const TestSegment& s = segments[i];
        const std::size_t header = 52 + 32 * i;
        const auto size = static_cast<std::uint32_t>(s.bytes.size());
        put32(file, header, s.type);
        put32(file, header + 4, static_cast<std::uint32_t>(file.size()));
        put32(file, header + 8, s.address >= 0x800000 ? s.address : 0x800100);
        put32(file, header + 12, s.address);
        put32(file, header + 16, size);
        put32(file, header + 20, size + s.extra_memory);
        file.append(s.bytes.begin(), s.bytes.end());
    }
    return file;
}

struct ElfResult {
    PortionList flash;
    PortionList eeprom;
    FileConfig config;
    ReaderRun run;
};

ElfResult read_elf(const std::string& content) {
    ElfResult result;
    result.run = run_reader(content, "f.elf", [&](const char* path) {
        read_elf_file(result.flash, result.eeprom, result.config, path);
    });
    return result;
}

const std::vector<TestSegment> avr_program = {
    {0x000000, {0x0C, 0x94, 0x34, 0x00}}, // .text
    {0x000004, {0x5A, 0xA5}},             // .data, loaded behind .text
    {0x800104, {}, 1, 8},                 // .bss: memory only
    {0x810000, {1, 2, 3}},                // .eeprom
    {0x820000, {0xE2, 0xD9, 0xFD}},       // .fuse
    {0x830000, {0xFC}},                   // .lock
    {0x840000, {0x0F, 0x95, 0x1E}},       // .signature, last byte first
    {0x900000, {9, 9}, 4},                // a note, not loaded
};

} // namespace

TEST(ElfReader, SegmentsGoToTheirWindowsByLoadAddress) {
    const ElfResult result = read_elf(elf_file(avr_program));
    EXPECT_EQ(result.run.status, 0) << result.run.output;
    EXPECT_EQ(result.run.output, "");
    EXPECT_EQ(flat_bytes(result.flash),
              (std::vector<std::uint8_t>{0x0C, 0x94, 0x34, 0x00, 0x5A, 0xA5}));
    EXPECT_EQ(flat_bytes(result.eeprom), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(result.config.fuses[0], 0xE2);
    EXPECT_EQ(result.config.fuses[1], 0xD9);
    EXPECT_EQ(result.config.fuses[2], 0xFD);
    EXPECT_EQ(result.config.lock, 0xFC);
    EXPECT_EQ(result.config.signature, 0x1E950Fu);

    // Large segments come in portions of at most 4096 bytes, as from the other readers.
    const ElfResult large = read_elf(elf_file({{0x10000, std::vector<std::uint8_t>(10000, 7)}}));
    EXPECT_EQ(layout(large.flash), (std::vector<std::pair<std::int32_t, std::int32_t>>{
                                       {0x10000, 4096}, {0x11000, 4096}, {0x12000, 1808}}));
    EXPECT_FALSE(large.config.has_fuses());
    EXPECT_FALSE(large.config.signature);
}

TEST(ElfReader, AnythingButAnAvrExecutableIsRefusedWithItsReason) {
    using Change = std::function<void(std::string&)>;
    const std::string good = elf_file(avr_program);
    const struct {
        Change change;
        const char* reason;
    } cases[] = {
        {[](std::string& f) { f.resize(40); }, "truncated before the end of its header"},
        {[](std::string& f) { f[1] = 'X'; }, "no ELF magic"},
        {[](std::string& f) { f[4] = 2; }, "a 64-bit ELF file; AVR executables are 32-bit"},
        {[](std::string& f) { f[4] = 7; }, "unknown ELF class 7"},
        {[](std::string& f) { f[5] = 2; }, "not little-endian"},
        {[](std::string& f) { put16(f, 18, 40); }, "built for ELF machine 40, not AVR (83)"},
        {[](std::string& f) { put16(f, 16, 1); },
         "a relocatable object, not an executable (link it first)"},
        {[](std::string& f) { put16(f, 16, 3); }, "ELF type 3, not an executable"},
        {[](std::string& f) { put16(f, 44, 0); }, "no program headers"},
        {[](std::string& f) { put16(f, 42, 56); }, "program headers of 56 bytes, not 32"},
        {[](std::string& f) { put32(f, 28, 0xFFFFFFF0); }, "truncated in its program headers"},
        {[](std::string& f) { f.resize(f.size() - 3); }, "segment 6 lies past the end of the file"},
        {[](std::string& f) { put32(f, 52 + 4, 0xFFFFFFFF); },
         "segment 0 lies past the end of the file"},
        {[](std::string& f) { put32(f, 52 + 20, 1); }, "segment 0 has more file bytes than memory"},
        {[](std::string& f) { put32(f, 52 + 12, 0x800100); },
         "segment 0 at 0x800100 (4 bytes) lies outside the AVR memory windows"},
        {[](std::string& f) { put32(f, 52 + 12, 0x7FFFFE); },
         "segment 0 at 0x7FFFFE (4 bytes) lies outside the AVR memory windows"},
        {[](std::string& f) { put32(f, 52 + 32 + 12, 2); }, "segments 0 and 1 overlap at 0x2"},
        {[](std::string& f) { put32(f, 52 + 6 * 32 + 16, 2); }, "its signature has 2 bytes, not 3"},
        {[](std::string& f) { put32(f, 52 + 4 * 32 + 12, 0x820001); },
         "segment 4 at 0x820001 (3 bytes) lies outside the AVR memory windows"},
    };
    for (const auto& c : cases) {
        std::string file = good;
        c.change(file);
        const ElfResult result = read_elf(file);
        EXPECT_EQ(result.run.status, EXIT_BAD_DATA) << c.reason;
        EXPECT_EQ(result.run.output,
                  std::string("'f' is not a usable AVR executable: ") + c.reason + "\n");
    }
}
