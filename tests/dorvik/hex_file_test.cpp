// HEX files: the written layout, reading records, dropped data and refused files.
#include "dorvik/hex_file.h"

#include "tests/support/run_program.h"

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace dorvik;

namespace {

struct ReadResult {
    int status;
    std::string output;
};

ReadResult read_text(const std::string& text, Image& image, std::uint32_t limit) {
    TempDir dir;
    write_file(dir.file("in.hex"), text);
    testing::internal::CaptureStdout();
    const int status = read_hex_file(dir.file("in.hex"), image, limit);
    return {status, testing::internal::GetCapturedStdout()};
}

const std::string READ_OK = "  Read file...\r  Read file...\t\t\t\t\t\tok.\t\n";

} // namespace

TEST(DorvikHexFile, WrittenFileHasSegmentDataAndEndRecordsWithCrLf) {
    TempDir dir;
    Image image(8192, 0xFF);
    std::fill(image.begin() + 0x10, image.begin() + 0x20, 0x00);
    testing::internal::CaptureStdout();
    ASSERT_EQ(write_hex_file(dir.file("out.hex"), image, 8192), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "  Start save flash data to file " +
                                                          dir.file("out.hex") +
                                                          ".\n  Flash data saved.\n");
    const std::string text = read_file(dir.file("out.hex"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 514);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 514);
    EXPECT_TRUE(text.starts_with(":020000020000FC\r\n"
                                 ":10000000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00\r\n"
                                 ":1000100000000000000000000000000000000000E0\r\n"));
    EXPECT_TRUE(text.ends_with(":101FF000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF1\r\n:00000001FF\r\n"));
    EXPECT_EQ(std::filesystem::directory_iterator(dir.path())->path().filename(), "out.hex");
}

TEST(DorvikHexFile, WriteToAPathThatCannotBeCreatedFails) {
    TempDir dir;
    Image image(256, 0xFF);
    for (const std::string& path : {dir.file("no/such.hex"), dir.file(std::string(300, 'n'))}) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(write_hex_file(path, image, 256), -1);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "  Start save flash data to file " +
                                                              path + ".\nError creat hex-file " +
                                                              path + "\n");
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(DorvikHexFile, ExistingFilesKeepWhatTheyAre) {
    namespace fs = std::filesystem;
    TempDir dir;
    Image image(256, 0x00);
    const std::string expected_start = ":020000020000FC\r\n:1000000000";
    testing::internal::CaptureStdout();

    // A symbolic link stays a link; the file it points to gets the content.
    write_file(dir.file("real.hex"), "old");
    fs::create_symlink("real.hex", dir.file("link.hex"));
    EXPECT_EQ(write_hex_file(dir.file("link.hex"), image, 256), 0);
    EXPECT_TRUE(fs::is_symlink(dir.file("link.hex")));
    EXPECT_TRUE(read_file(dir.file("real.hex")).starts_with(expected_start));

    // A name near the length limit still leaves room for the temporary file.
    const std::string long_name = dir.file(std::string(250, 'n') + ".hex");
    EXPECT_EQ(write_hex_file(long_name, image, 256), 0);

    // A pipe (like a device) is written, never replaced by a plain file; one nobody reads is
    // refused at once instead of waited on.
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(write_hex_file(fifo, image, 256), -1);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(write_hex_file(fifo, image, 256), 0); // the text fits in the pipe's buffer
    EXPECT_TRUE(fs::is_fifo(fifo));
    std::string text;
    char block[4096];
    for (ssize_t got; (got = ::read(reader, block, sizeof block)) > 0;) {
        text.append(block, static_cast<std::size_t>(got));
    }
    ::close(reader);
    EXPECT_TRUE(text.starts_with(expected_start));

    // A file the user may not write is left alone (unless the test runs privileged).
    write_file(dir.file("kept.hex"), "kept");
    fs::permissions(dir.file("kept.hex"), fs::perms::owner_read);
    if (std::FILE* probe = std::fopen(dir.file("kept.hex").c_str(), "r+b")) {
        std::fclose(probe);
    } else {
        EXPECT_EQ(write_hex_file(dir.file("kept.hex"), image, 256), -1);
        EXPECT_EQ(read_file(dir.file("kept.hex")), "kept");
    }
    testing::internal::GetCapturedStdout();
}

TEST(DorvikHexFile, WrittenFileReadsBackIdentical) {
    TempDir dir;
    Image image(4096);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<std::uint8_t>(i * 13);
    }
    testing::internal::CaptureStdout();
    ASSERT_EQ(write_hex_file(dir.file("a.hex"), image, 4096), 0);
    Image back(4096, 0xFF);
    EXPECT_EQ(read_hex_file(dir.file("a.hex"), back, 4096), 0);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(back, image);
}

TEST(DorvikHexFile, RecordsLandAtTheirAddressAndUntouchedBytesStay) {
    Image image(256, 0xFF);
    const auto r = read_text(":0300100001020AE0\n:00000001FF\n", image, 256);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, READ_OK);
    EXPECT_EQ(image[0x10], 0x01);
    EXPECT_EQ(image[0x12], 0x0A);
    EXPECT_EQ(image[0x13], 0xFF);
    EXPECT_EQ(image[0x0F], 0xFF);
}

TEST(DorvikHexFile, CrLfLowerCaseAndEmptyDataRecordsAreAccepted) {
    Image image(256, 0xFF);
    const auto r = read_text("junk\r\n:01000a00ab4a\r\n:0000000000\r\n:00000001ff\r\n", image, 256);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(image[0x0A], 0xAB);
}

TEST(DorvikHexFile, DataBeyondTheLimitRefusesTheFile) {
    const struct {
        const char* text;
        std::size_t size;
        const char* counted;
    } cases[] = {
        {":0400000001020304F2\n:02800000AABB19\n:00000001FF\n", 16384,
         ": 2 bytes lie beyond the 16384 bytes of memory\n"},
        {":020000021000EC\n:0100000055AA\n:00000001FF\n", 65536,
         ": 1 bytes lie beyond the 65536 bytes of memory\n"},
        {":020000040001F9\n:0100000055AA\n:00000001FF\n", 65536,
         ": 1 bytes lie beyond the 65536 bytes of memory\n"},
    };
    for (const auto& c : cases) {
        Image image(c.size, 0xFF);
        const auto r = read_text(c.text, image, static_cast<std::uint32_t>(c.size));
        EXPECT_EQ(r.status, -1) << c.text;
        EXPECT_NE(r.output.find(c.counted), std::string::npos) << r.output;
        EXPECT_EQ(r.output.find("ok."), std::string::npos) << r.output;
    }
}

TEST(DorvikHexFile, DamagedFilesAreRefused) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"no records here\n", "Error hex-file format\n"},
        {":0100000055AA\n:0100000055AB\n:00000001FF\n", "Error hex-file format in line 2\n"},
        {":0400000001020304\n", "Error hex-file format in line 1\n"},
        {":01000000G5AA\n:00000001FF\n", "Error hex-file format in line 1\n"},
        {":0100000055AA\n", "Error hex-file without end record\n"},
        {":03000002000000FB\n:00000001FF\n", "Error hex-file format in line 1\n"},
    };
    for (const Case& c : cases) {
        Image image(256, 0xFF);
        const auto r = read_text(c.text, image, 256);
        EXPECT_EQ(r.status, -1) << c.text;
        EXPECT_EQ(r.output, std::string("  Read file...") + c.message) << c.text;
    }
}

TEST(DorvikHexFile, MissingAndUnreadableFiles) {
    TempDir dir;
    Image image(256, 0xFF);
    testing::internal::CaptureStdout();
    EXPECT_EQ(read_hex_file(dir.file("none.hex"), image, 256), -1);
    EXPECT_EQ(read_hex_file(dir.path(), image, 256), -1);
    EXPECT_EQ(read_hex_file("/dev/zero", image, 256), -1); // endless: must stop, not fill memory
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "  Read file...Error find hex-file " + dir.file("none.hex") +
                  "\n  Read file...Error read file hex-file " + dir.path() +
                  "\n  Read file...Error allocate memory\n");
}
