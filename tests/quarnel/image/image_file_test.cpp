// Image files by format: dispatch, safe replacement of the user's file, write failures.
#include "quarnel/image/image_file.h"

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "tests/quarnel/image/image_helpers.h"
#include "tests/support/run_program.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace quarnel;

namespace {

FileSpec named(file_format format, const std::string& name) {
    FileSpec file;
    file.format = format;
    file.name = name;
    file.prefixed = true;
    return file;
}

} // namespace

TEST(ImageFile, WritesAndReadsBackEveryWritableFormat) {
    TempDir dir;
    PortionList image;
    std::vector<std::uint8_t> bytes(300);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 3);
    }
    add_portion(image, 0, bytes);
    for (file_format format : {FILE_IHEX, FILE_BIN, FILE_SREC}) {
        const FileSpec file = named(format, dir.file("a" + std::to_string(format)));
        EXPECT_TRUE(write_image_file(image, file, ff_lines::skip));
        EXPECT_EQ(flat_bytes(read_input_file(file, console_key_is_yes).image), bytes);
    }
    EXPECT_EQ(files_in(dir.path()), 3u); // no temporary files left behind
}

TEST(ImageFile, NoNameOrUnknownFormatDoesNothing) {
    PortionList image;
    add_filled(image, 0, 4, 0);
    FileSpec none;
    EXPECT_TRUE(write_image_file(image, none, ff_lines::skip));
    EXPECT_TRUE(read_input_file(none, console_key_is_yes).image.empty());
    FileSpec odd = named(static_cast<file_format>(7), "/nonexistent/x");
    EXPECT_TRUE(write_image_file(image, odd, ff_lines::skip));
    EXPECT_TRUE(read_input_file(odd, console_key_is_yes).image.empty());
    // ELF is read only; the command line refuses it as an output.
    EXPECT_TRUE(write_image_file(image, named(FILE_ELF, "/nonexistent/x"), ff_lines::skip));
}

TEST(ImageFile, FilesWithoutPrefixAreReadAsTheirContentShows) {
    const struct {
        std::string content;
        file_format format;
    } cases[] = {
        {std::string("\x7F"
                     "ELF\x01\x01",
                     6),
         FILE_ELF},
        {"S00600004844521B\n", FILE_SREC},
        {"\n  # made by hand\n S9030000FC\n", FILE_SREC},
        {":00000001FF\n", FILE_IHEX},
        {"s9030000FC\n", FILE_IHEX}, // as today: an invalid HEX line
        {"SX\n", FILE_IHEX},
        {"\x7F"
         "EL",
         FILE_IHEX},
        {"", FILE_IHEX},
    };
    TempDir dir;
    for (const auto& c : cases) {
        write_file(dir.file("f"), c.content);
        EXPECT_EQ(detect_file_format(dir.file("f").c_str()), c.format) << c.content;
    }
}

TEST(ImageFile, ReplacesAnExistingFileAndKeepsItsPermissions) {
    TempDir dir;
    const std::string path = dir.file("out.hex");
    write_file(path, "old content that is longer than the new one\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read);
    PortionList image;
    add_filled(image, 0, 1, 0x42);
    EXPECT_TRUE(write_image_file(image, named(FILE_IHEX, path), ff_lines::skip));
    EXPECT_EQ(read_file(path), ":0100000042BD\n:00000001FF\n");
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms::owner_read |
                                                               std::filesystem::perms::owner_write |
                                                               std::filesystem::perms::group_read);
}

TEST(ImageFile, WritingThroughASymbolicLinkReplacesItsTarget) {
    TempDir dir;
    const std::string target = dir.file("real.bin");
    const std::string link = dir.file("link.bin");
    write_file(target, "old");
    std::filesystem::create_symlink(target, link);
    PortionList image;
    add_filled(image, 0, 2, 0x00);
    EXPECT_TRUE(write_image_file(image, named(FILE_BIN, link), ff_lines::skip));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(read_file(target), std::string(2, '\0'));
}

TEST(ImageFile, AFullDeviceIsAWriteErrorThatTheRunCanSee) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full on this host";
    }
    PortionList image;
    add_filled(image, 0, 0x10000, 0x00);
    testing::internal::CaptureStdout();
    const bool written = write_image_file(image, named(FILE_IHEX, "/dev/full"), ff_lines::skip);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "/dev/full - write error\n");
    EXPECT_FALSE(written);
    EXPECT_TRUE(std::filesystem::exists("/dev/full")); // a device is never deleted
}

TEST(ImageFile, AFileThatCannotBeCreatedEndsTheRunAndLeavesNothing) {
    TempDir dir;
    const std::string path = dir.file("no/such/dir/out.hex");
    PortionList image;
    add_filled(image, 0, 1, 0);
    testing::internal::CaptureStdout();
    try {
        (void)write_image_file(image, named(FILE_IHEX, path), ff_lines::skip);
        ADD_FAILURE() << "no error";
    } catch (const rtl_error& e) {
        EXPECT_EQ(e.code, EXIT_ENVIRONMENT);
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Can't open file '" + path + "'\n");
    EXPECT_EQ(files_in(dir.path()), 0u);
}
