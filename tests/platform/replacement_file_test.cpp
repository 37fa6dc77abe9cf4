// New file content takes the old file's place only once it is complete.
#include "platform/replacement_file.h"

#include "tests/support/run_program.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using platform::file_mode;
using platform::replacement_file_t;

TEST(ReplacementFile, UnfinishedContentNeverReachesTheDestination) {
    TempDir dir;
    const std::string path = dir.file("serial.txt");
    write_file(path, "41\n");
    {
        replacement_file_t file(path, "quarnel");
        ASSERT_TRUE(file.open(file_mode::text));
        std::fputs("4", file.stream()); // the program stops here
        EXPECT_EQ(read_file(path), "41\n");
    }
    EXPECT_EQ(read_file(path), "41\n");
    EXPECT_EQ(files_in(dir.path()), 1u);

    replacement_file_t file(path, "quarnel");
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
        replacement_file_t file(path, "quarnel");
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
    replacement_file_t file(path, "quarnel");
    ASSERT_TRUE(file.open(file_mode::text));
    std::fputs("new", file.stream());
    std::fgetc(file.stream()); // reading a write-only stream sets its error flag
    EXPECT_FALSE(file.commit());
    EXPECT_EQ(read_file(path), "old");
    EXPECT_EQ(files_in(dir.path()), 1u);
}

TEST(ReplacementFile, CommitWithoutOpenFails) {
    replacement_file_t file("/nonexistent/dir/x", "quarnel");
    EXPECT_FALSE(file.open(file_mode::text));
    EXPECT_FALSE(file.commit());
}

TEST(ReplacementFile, KeepsPermissionsAndLinks) {
    namespace fs = std::filesystem;
    TempDir dir;
    write_file(dir.file("real.txt"), "old");
    fs::permissions(dir.file("real.txt"),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("real.txt", dir.file("link.txt"));
    EXPECT_EQ(platform::replace_file(dir.file("link.txt"), "new", "quarnel"),
              platform::replace_result::replaced);
    EXPECT_TRUE(fs::is_symlink(dir.file("link.txt")));
    EXPECT_EQ(read_file(dir.file("real.txt")), "new");
    EXPECT_EQ(fs::status(dir.file("real.txt")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(ReplacementFile, RemovesOnlyWhatKilledRunsOfTheSameProgramLeft) {
    TempDir dir;
    // A run killed while it writes leaves its temporary file, marked by its writer.
    const pid_t gone = fork();
    ASSERT_GE(gone, 0);
    if (gone == 0) {
        replacement_file_t file(dir.file("out.hex"), "quarnel");
        std::_Exit(file.open(file_mode::binary) && std::fputs("4", file.stream()) >= 0 &&
                           std::fflush(file.stream()) == 0
                       ? 0
                       : 1);
    }
    int status = 0;
    waitpid(gone, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_EQ(files_in(dir.path()), 1u);
    const std::string dead = std::to_string(gone);
    const std::string alive = std::to_string(getppid());
    const std::vector<std::string> kept = {
        ".quarnel-" + alive + "-0123abcd.tmp", // its writer still runs
        ".dorvik-" + dead + "-0123abcd.tmp",   // another program's
        ".quarnel-" + dead + "-0123.tmp",      // not a name this program makes
        "quarnel-" + dead + "-0123abcd.tmp",   // nor this
        ".quarnel-999999-deadbeef.tmp",        // a user's file with such a name
        "out.hex"};
    for (const std::string& name : kept) {
        write_file(dir.file(name), "x");
    }
    // Nor a folder, a FIFO (which must not stop the run) or a link of such a name.
    const std::vector<std::string> others = {".quarnel-" + dead + "-0badf00d.tmp",
                                             ".quarnel-" + dead + "-12345678.tmp",
                                             ".quarnel-" + dead + "-aaaaaaaa.tmp"};
    mkdir(dir.file(others[0]).c_str(), 0700);
    mkfifo(dir.file(others[1]).c_str(), 0600);
    symlink("out.hex", dir.file(others[2]).c_str());
    EXPECT_EQ(platform::replace_file(dir.file("out.hex"), "new", "quarnel"),
              platform::replace_result::replaced);
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        names.insert(entry.path().filename().string());
    }
    std::set<std::string> expected(kept.begin(), kept.end());
    expected.insert(others.begin(), others.end());
    EXPECT_EQ(names, expected);
    EXPECT_EQ(read_file(dir.file("out.hex")), "new");
}

TEST(ReplacementFile, AFifoOrDeviceInTheDestinationsPlaceIsWrittenWithoutWaiting) {
    TempDir dir;
    const std::string fifo = dir.file("out.hex");
    mkfifo(fifo.c_str(), 0600);
    // No reader: refused at once rather than waited for.
    EXPECT_EQ(platform::replace_file(fifo, "new", "quarnel"),
              platform::replace_result::create_failed);
    EXPECT_EQ(errno, ENXIO);
    EXPECT_EQ(platform::replace_file("/dev/null", "new", "quarnel"),
              platform::replace_result::replaced);
    EXPECT_EQ(files_in(dir.path()), 1u);
}
