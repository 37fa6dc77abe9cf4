// File names with and without a format prefix.
#include "quarnel/run/file_names.h"

#include "quarnel/common/errors.h"
#include "tests/quarnel/run/parse_runner.h"

#include <gtest/gtest.h>

using namespace quarnel;

TEST(FileNames, PrefixSelectsTheFormat) {
    ASSERT_FALSE(parse_args({":bin:image.bin", "-d:IHEX:data.hex"}).raised);
    EXPECT_EQ(parsed_options().code_file().format, FILE_BIN);
    EXPECT_EQ(*parsed_options().code_file().name, "image.bin");
    EXPECT_EQ(parsed_options().data_file().format, FILE_IHEX);
    EXPECT_EQ(*parsed_options().data_file().name, "data.hex");

    ASSERT_FALSE(parse_args({"-c:Bin:a:b"}).raised);
    EXPECT_EQ(parsed_options().code_file().format, FILE_BIN);
    EXPECT_EQ(*parsed_options().code_file().name, "a:b");

    ASSERT_FALSE(parse_args({":ELF:fw.elf", "-d:srec:data.s19"}).raised);
    EXPECT_EQ(parsed_options().code_file().format, FILE_ELF);
    EXPECT_EQ(parsed_options().data_file().format, FILE_SREC);
    EXPECT_TRUE(parsed_options().data_file().prefixed);

    // Without a prefix the reader looks at the content.
    ASSERT_FALSE(parse_args({"plain.hex"}).raised);
    EXPECT_EQ(parsed_options().code_file().format, FILE_IHEX);
    EXPECT_FALSE(parsed_options().code_file().prefixed);
}

TEST(FileNames, BadPrefixesAndMissingNames) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {":hex:a.hex", "Invalid file type :hex:a.hex\n"},
        {":ihexx:a.hex", "Invalid file type :ihexx:a.hex\n"},
        {"::a.hex", "Invalid file type ::a.hex\n"},
        {":ihex:", "File name required: ':ihex:'\n"},
        {":bin", "File name required: ':bin'\n"},
        {":", "File name required: ':'\n"},
    };
    for (const auto& [arg, message] : cases) {
        const auto outcome = parse_args({arg});
        EXPECT_EQ(outcome.status, 70) << arg;
        EXPECT_EQ(outcome.output, message) << arg;
    }
}

TEST(FileNames, EmptyTextIsAnInvalidCommandLine) {
    RunOptions options;
    testing::internal::CaptureStdout();
    EXPECT_THROW(set_file(options, SLOT_DATA, nullptr), app_error);
    EXPECT_THROW(set_file(options, SLOT_DATA, ""), app_error);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Invalid command line\nInvalid command line\n");
}
