// Opening files and finding adapter configuration files along the search path.
#include "quarnel/common/files.h"

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "tests/support/run_program.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

using namespace quarnel;

namespace {

// Sets QUARNEL_CONFIG_PATH for one test and removes it afterwards.
class ConfigPath {
  public:
    explicit ConfigPath(const std::string& value) {
        setenv("QUARNEL_CONFIG_PATH", value.c_str(), 1);
    }
    ~ConfigPath() { unsetenv("QUARNEL_CONFIG_PATH"); }
};

std::string found(const char* name, std::size_t size = 260) {
    return find_config_file(name, size).value_or("(none)");
}

} // namespace

TEST(ConfigFile, ExistingPathIsTakenAsItStands) {
    TempDir dir;
    write_file(dir.file("kelma.cfg"), "");
    EXPECT_EQ(found(dir.file("kelma.cfg").c_str()), dir.file("kelma.cfg"));
    EXPECT_EQ(found(dir.file("missing.cfg").c_str()), "(none)");
}

TEST(ConfigFile, BareNamesAreSearchedInPathOrder) {
    TempDir first;
    TempDir second;
    write_file(second.file("x.cfg"), "");
    {
        const ConfigPath path(first.path() + ":" + second.path());
        EXPECT_EQ(found("x.cfg"), second.file("x.cfg"));
    }
    {
        // ';' separates too, and a trailing slash is not doubled.
        const ConfigPath path(first.path() + ";" + second.path() + "/");
        EXPECT_EQ(found("x.cfg"), second.file("x.cfg"));
        write_file(first.file("x.cfg"), "");
        EXPECT_EQ(found("x.cfg"), first.file("x.cfg"));
    }
}

TEST(ConfigFile, OnlyBareOrDotNamesAreSearched) {
    TempDir dir;
    write_file(dir.file("y.cfg"), "");
    const ConfigPath path(dir.path());
    EXPECT_EQ(found("./y.cfg"), dir.path() + "/./y.cfg");
    EXPECT_EQ(found("sub/y.cfg"), "(none)");
    EXPECT_EQ(found("c:y.cfg"), "(none)");
}

TEST(ConfigFile, ProgramDirectoryComesLast) {
    ASSERT_TRUE(program_directory());
    const std::string own = *program_directory() + "/files_test_probe.cfg";
    write_file(own, "");
    EXPECT_EQ(found("files_test_probe.cfg"), own);

    TempDir dir;
    const ConfigPath path(dir.path());
    console.verbosity = 3;
    testing::internal::CaptureStdout();
    EXPECT_EQ(found("files_test_probe.cfg"), own);
    const std::string trace = testing::internal::GetCapturedStdout();
    console.verbosity = 2;
    EXPECT_EQ(trace, "\t% config path " + dir.path() + "\n\t% program path " +
                         *program_directory() + "\n");
    std::remove(own.c_str());
}

TEST(ConfigFile, MissingArgumentsAndShortDestinations) {
    EXPECT_FALSE(find_config_file(nullptr));
    EXPECT_FALSE(find_config_file("x.cfg", 0));
    // A path cut to the destination would name another file.
    TempDir dir;
    write_file(dir.file("long-enough-name.cfg"), "");
    EXPECT_EQ(found(dir.file("long-enough-name.cfg").c_str(), 10), "(none)");
    const ConfigPath path(dir.path());
    EXPECT_EQ(found("long-enough-name.cfg", 22), "(none)");
}

TEST(OpenFile, FailureNamesTheFileAndTheReason) {
    TempDir dir;
    const std::string name = dir.file("absent.hex");
    testing::internal::CaptureStdout();
    try {
        open_file(name.c_str(), "r");
        ADD_FAILURE() << "opened a missing file";
    } catch (const rtl_error& error) {
        EXPECT_EQ(error.code, 70);
        EXPECT_STREQ(error.what(), "No such file or directory");
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Can't open file '" + name + "'\n");
}
