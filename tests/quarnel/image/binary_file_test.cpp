// Binary files: 4096-byte chunks on reading, the trailing-0xFF length rule on writing.
#include "quarnel/image/binary_file.h"

#include "quarnel/common/errors.h"
#include "tests/quarnel/image/image_helpers.h"
#include "tests/support/run_program.h"

#include <cstdio>
#include <gtest/gtest.h>

using namespace quarnel;

using Layout = std::vector<std::pair<std::int32_t, std::int32_t>>;

namespace {

std::string binary_text(const PortionList& image, ff_lines ff) {
    return written_text([&](std::FILE* out) { write_binary_image(image, out, ff); });
}

PortionList erased_with(std::int32_t size, std::int32_t used_address) {
    PortionList image;
    for (std::int32_t start = 0; start < size; start += 256) {
        add_filled(image, start, 256, 0xFF);
    }
    if (used_address >= 0) {
        image.find_first(contains_address(used_address))->write(used_address, 0x00);
    }
    return image;
}

} // namespace

TEST(BinaryFile, ReadsInChunksAtTheirFileOffsets) {
    TempDir dir;
    const std::string path = dir.file("in.bin");
    std::string content(4096 * 2 + 5, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) {
        content[i] = static_cast<char>(i * 7);
    }
    write_file(path, content);
    PortionList image;
    read_binary_file(image, path.c_str());
    EXPECT_EQ(layout(image), (Layout{{0, 4096}, {4096, 4096}, {8192, 5}}));
    const auto bytes = flat_bytes(image);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), content);

    PortionList exact;
    write_file(path, std::string(4096, 'x'));
    read_binary_file(exact, path.c_str());
    EXPECT_EQ(layout(exact), (Layout{{0, 4096}}));

    PortionList empty;
    write_file(path, "");
    testing::internal::CaptureStdout();
    read_binary_file(empty, path.c_str());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(empty.empty());
}

TEST(BinaryFile, AReadErrorIsNotTakenForTheEnd) {
    TempDir dir;
    PortionList image;
    testing::internal::CaptureStdout();
    try {
        read_binary_file(image, dir.path().c_str());
        ADD_FAILURE() << "no error";
    } catch (const rtl_error& e) {
        EXPECT_EQ(e.code, EXIT_BAD_DATA);
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Can't read " + dir.path() + "\n");
}

TEST(BinaryFile, LengthEndsOnTheWordOfTheLastUsedByte) {
    EXPECT_EQ(binary_file_length(erased_with(1024, 0x104), ff_lines::skip), 0x106);
    EXPECT_EQ(binary_file_length(erased_with(1024, 0x105), ff_lines::skip), 0x106);
    EXPECT_EQ(binary_file_length(erased_with(1024, 0x3FF), ff_lines::skip), 0x400);
    EXPECT_EQ(binary_file_length(erased_with(1024, 0), ff_lines::skip), 2);
    EXPECT_EQ(binary_file_length(erased_with(1024, -1), ff_lines::skip), 2);
    EXPECT_EQ(binary_file_length(erased_with(1024, 0x104), ff_lines::keep), 1024);
    EXPECT_EQ(binary_file_length(PortionList{}, ff_lines::keep), 0);
}

TEST(BinaryFile, WritesTheBytesUpToTheLength) {
    PortionList image = erased_with(1024, 0x104);
    const std::string text = binary_text(image, ff_lines::skip);
    ASSERT_EQ(text.size(), 0x106u);
    EXPECT_EQ(text[0x104], '\0');
    EXPECT_EQ(static_cast<unsigned char>(text[0x105]), 0xFF);
    EXPECT_EQ(binary_text(image, ff_lines::keep).size(), 1024u);
    EXPECT_EQ(binary_text(erased_with(1024, -1), ff_lines::skip), "\xFF\xFF");
}
