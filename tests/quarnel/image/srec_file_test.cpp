// Motorola S-records: reading every record type and bad input, writing each address form.
#include "quarnel/image/srec_reader.h"
#include "quarnel/image/srec_writer.h"

#include "quarnel/common/errors.h"
#include "tests/quarnel/image/image_helpers.h"
#include "tests/support/run_program.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace quarnel;

namespace {

// A record of `type` with `address_bytes` of `address` and `data`, with its checksum.
std::string record(unsigned type, unsigned address_bytes, unsigned address,
                   const std::vector<std::uint8_t>& data) {
    char text[8];
    const unsigned count = address_bytes + static_cast<unsigned>(data.size()) + 1;
    std::snprintf(text, sizeof text, "S%u%02X", type, count);
    std::string line = text;
    unsigned sum = count;
    for (unsigned i = address_bytes; i-- > 0;) {
        const unsigned byte = (address >> (8 * i)) & 0xFF;
        std::snprintf(text, sizeof text, "%02X", byte);
        line += text;
        sum += byte;
    }
    for (std::uint8_t b : data) {
        std::snprintf(text, sizeof text, "%02X", b);
        line += text;
        sum += b;
    }
    std::snprintf(text, sizeof text, "%02X", ~sum & 0xFF);
    return line + text + "\n";
}

const std::string header = record(0, 2, 0, {'H', 'D', 'R'});

ProgramResult shell(const std::string& command) {
    ProgramRun run;
    run.program = "/bin/sh";
    run.args = {"-c", command};
    return run_program(run);
}

struct ReadResult {
    std::vector<std::pair<std::int32_t, std::int32_t>> layout;
    std::vector<std::uint8_t> first; // bytes of the first portion
    std::string output;
    int status = 0;
};

ReadResult read_srec(const std::string& content) {
    PortionList image;
    const ReaderRun run =
        run_reader(content, "f.srec", [&](const char* path) { read_srec_file(image, path); });
    ReadResult result{layout(image), {}, run.output, run.status};
    if (!image.empty()) {
        result.first = bytes_of(*image.begin());
    }
    return result;
}

} // namespace

TEST(SrecFile, ReadsRecordsCountsAndEnds) {
    const std::string s1 = record(1, 2, 0x0010, {1, 2, 3});
    const std::string s1_next = record(1, 2, 0x0013, {4});
    const std::string s2 = record(2, 3, 0x012345, {5, 6});
    const std::string s3 = record(3, 4, 0x01000000, {7});
    const struct {
        const char* name;
        std::string content;
        std::vector<std::pair<std::int32_t, std::int32_t>> layout;
        std::vector<std::uint8_t> first;
    } cases[] = {
        {"S1 records in a row share a portion",
         header + s1 + s1_next + record(9, 2, 0, {}),
         {{0x10, 4}},
         {1, 2, 3, 4}},
        {"S2 and S3 addresses",
         s3 + s2 + record(7, 4, 0, {}),
         {{0x012345, 2}, {0x01000000, 1}},
         {5, 6}},
        {"counts that match, blanks and CR LF",
         " " + s1 + "\r\n" + record(5, 2, 1, {}) + s2 + record(6, 3, 2, {}) + record(8, 3, 0, {}),
         {{0x10, 3}, {0x012345, 2}},
         {1, 2, 3}},
        {"nothing after the end record is read",
         s1 + record(9, 2, 0, {}) + "garbage\n",
         {{0x10, 3}},
         {1, 2, 3}},
        {"the end of the file ends it too (srec_cat without a start address)",
         header + s1 + record(5, 2, 1, {}),
         {{0x10, 3}},
         {1, 2, 3}},
    };
    for (const auto& c : cases) {
        const ReadResult result = read_srec(c.content);
        EXPECT_EQ(result.status, 0) << c.name << "\n" << result.output;
        EXPECT_EQ(result.output, "") << c.name;
        EXPECT_EQ(result.layout, c.layout) << c.name;
        EXPECT_EQ(result.first, c.first) << c.name;
    }
}

TEST(SrecFile, BadLinesNameTheirLineNumber) {
    const std::string s1 = record(1, 2, 0x0010, {1, 2, 3});
    std::string bad_sum = s1;
    bad_sum[bad_sum.size() - 2] = bad_sum[bad_sum.size() - 2] == '0' ? '1' : '0';
    const struct {
        std::string content;
        std::string output;
    } cases[] = {
        {header + bad_sum, "S-record checksum error in line 2 of 'f'\n'" +
                               bad_sum.substr(0, bad_sum.size() - 1) + "'\n"},
        {header + "S1070010010G03E1\n", "Invalid S-record in line 2 of 'f'\n'S1070010010G03E1'\n"},
        {s1.substr(0, s1.size() - 3) + "\n",
         "Invalid S-record in line 1 of 'f'\n'" + s1.substr(0, s1.size() - 3) + "'\n"},
        {record(4, 2, 0, {1}), "Invalid S-record in line 1 of 'f'\n'S404000001FA'\n"},
        {"\n" + s1 + record(5, 2, 2, {}),
         "S-record count does not match the data records in line 3 of 'f'\n'S5030002FA'\n"},
        {"S1\n", "Invalid S-record in line 1 of 'f'\n'S1'\n"},
        {"S1\x7F"
         "00\n",
         "Invalid S-record in line 1 of 'f'\n'S1\\x7F00'\n"}, // shown escaped
        {record(3, 4, 0xFFFFFFFF, {1, 2}),
         "S-record address out of range in line 1 of 'f'\n'S307FFFFFFFF0102F9'\n"},
    };
    for (const auto& c : cases) {
        const ReadResult result = read_srec(c.content);
        EXPECT_EQ(result.status, EXIT_BAD_DATA) << c.content;
        EXPECT_EQ(result.output, c.output) << c.content;
    }
}

TEST(SrecFile, WritesTheShortestAddressFormAndSrecCatReadsItBack) {
    const bool have_srec_cat = shell("command -v srec_cat").status == 0;
    const struct {
        std::int32_t start;
        const char* data_type;
        const char* end;
    } cases[] = {{0x00FFF0, "S1", "S9030000FC"},
                 {0x01FFF0, "S2", "S804000000FB"},
                 {0x1000000, "S3", "S70500000000FA"}};
    for (const auto& c : cases) {
        PortionList image;
        add_portion(image, c.start, {0x0C, 0x94, 0xFF, 0xFF});
        const std::string text =
            written_text([&](std::FILE* out) { write_srec_image(image, out, ff_lines::skip); });
        EXPECT_EQ(text.substr(0, 25), "S00A0000717561726E656CFD\n") << text;
        EXPECT_EQ(text.substr(25, 2), c.data_type) << text;
        EXPECT_EQ(text.substr(text.size() - std::strlen(c.end) - 1), c.end + std::string("\n"));
        EXPECT_EQ(read_srec(text).layout, layout(image));
        if (have_srec_cat) {
            TempDir dir;
            write_file(dir.file("a.srec"), text);
            const ProgramResult back =
                shell("srec_cat " + dir.file("a.srec") + " -motorola -offset -" +
                      std::to_string(c.start) + " -o " + dir.file("a.bin") + " -binary");
            EXPECT_EQ(back.status, 0) << back.output;
            EXPECT_EQ(read_file(dir.file("a.bin")), "\x0C\x94\xFF\xFF");
        }
    }
}
