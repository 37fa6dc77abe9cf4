// New file content takes the old file's place only once it is complete.
#include "quarnel/image/replacement_file.h"

#include "tests/quarnel/image/image_helpers.h"
#include "tests/support/run_program.h"

#include <filesystem>
#include <gtest/gtest.h>

TEST(ReplacementFile, UnfinishedContentNeverReachesTheDestination) {
    TempDir dir;
    const std::string path = dir.file("serial.txt");
    write_file(path, "41\n");
    {
        replacement_file_t file(path);
        ASSERT_TRUE(file.open(file_mode::text));
        std::fputs("4", file.stream()); // the program stops here
        EXPECT_EQ(read_file(path), "41\n");
    }
    EXPECT_EQ(read_file(path), "41\n");
    EXPECT_EQ(files_in(dir.path()), 1u);

    replacement_file_t file(path);
    ASSERT_TRUE(file.open(file_mode::text));
    std::fputs("42\n", file.stream());
    file.discard();
    EXPECT_EQ(read_file(path), "41\n");
    EXPECT_EQ(files_in(dir.path()), 1u);
}

TEST(ReplacementFile, CommittedContentReplacesOrCreatesTheFile) {
    TempDir dir;
    const std::string path = dir.file("out.bin");
    for (const char* content : {"first", "second, longer"}) {
        replacement_file_t file(path);
        ASSERT_TRUE(file.open(file_mode::binary));
        std::fputs(content, file.stream());
        EXPECT_TRUE(file.commit());
        EXPECT_EQ(read_file(path), content);
    }
    EXPECT_EQ(files_in(dir.path()), 1u);
}

TEST(ReplacementFile, AFailedStreamIsNotCommitted) {
    TempDir dir;
    const std::string path = dir.file("out.hex");
    write_file(path, "old");
    replacement_file_t file(path);
    ASSERT_TRUE(file.open(file_mode::text));
    std::fputs("new", file.stream());
    std::fgetc(file.stream()); // reading a write-only stream sets its error flag
    EXPECT_FALSE(file.commit());
    EXPECT_EQ(read_file(path), "old");
    EXPECT_EQ(files_in(dir.path()), 1u);
}

TEST(ReplacementFile, CommitWithoutOpenFails) {
    replacement_file_t file("/nonexistent/dir/x");
    EXPECT_FALSE(file.open(file_mode::text));
    EXPECT_FALSE(file.commit());
}
