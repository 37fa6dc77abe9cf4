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
    return file;
}

} // namespace

TEST(ImageFile, WritesAndReadsBackBothFormats) {
    TempDir dir;
    PortionList image;
    std::vector<std::uint8_t> bytes(300);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 3);
    }
    add_portion(image, 0, bytes);
    for (file_format format : {FILE_IHEX, FILE_BIN}) {
        const FileSpec file = named(format, dir.file(format == FILE_IHEX ? "a.hex" : "a.bin"));
        EXPECT_TRUE(write_image_file(image, file, ff_lines::skip));
        PortionList back;
        read_image_file(back, file, console_key_is_yes);
        EXPECT_EQ(flat_bytes(back), bytes);
    }
    EXPECT_EQ(files_in(dir.path()), 2u); // no temporary files left behind
}

TEST(ImageFile, NoNameOrUnknownFormatDoesNothing) {
    PortionList image;
    add_filled(image, 0, 4, 0);
    FileSpec none;
    EXPECT_TRUE(write_image_file(image, none, ff_lines::skip));
    read_image_file(image, none, console_key_is_yes);
    FileSpec odd = named(static_cast<file_format>(2), "/nonexistent/x");
    EXPECT_TRUE(write_image_file(image, odd, ff_lines::skip));
    read_image_file(image, odd, console_key_is_yes);
    EXPECT_EQ(image.count(), 1u);
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
