// Files shared by processes: every read-and-rewrite under the lock sees the previous one's result.
#include "platform/locked_file.h"

#include "tests/support/run_program.h"

#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Takes `count` numbers from the file the way a bench does and notes each in `log`.
void take_numbers(const std::string& path, const std::string& log, int count) {
    std::string taken;
    for (int i = 0; i < count; ++i) {
        platform::locked_file_t file;
        std::string text;
        if (file.lock(path) != platform::lock_result::locked || !file.read(text)) {
            std::_Exit(1);
        }
        const unsigned long number = std::stoul(text);
        if (!file.rewrite(std::to_string(number + 1) + "\n", "quarnel")) {
            std::_Exit(2);
        }
        taken += std::to_string(number) + "\n";
    }
    write_file(log, taken);
    std::_Exit(0);
}

} // namespace

TEST(LockedFile, ProcessesSharingAFileNeverTakeTheSameNumber) {
    TempDir dir;
    const std::string path = dir.file("serial.txt");
    write_file(path, "1000\n");
    constexpr int processes = 4;
    constexpr int rounds = 25;
    std::vector<pid_t> children;
    for (int p = 0; p < processes; ++p) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            take_numbers(path, dir.file("log" + std::to_string(p)), rounds);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::set<unsigned long> numbers;
    for (int p = 0; p < processes; ++p) {
        std::istringstream log(read_file(dir.file("log" + std::to_string(p))));
        for (unsigned long n; log >> n;) {
            EXPECT_TRUE(numbers.insert(n).second) << n << " taken twice";
        }
    }
    EXPECT_EQ(numbers.size(), static_cast<std::size_t>(processes * rounds));
    EXPECT_EQ(read_file(path), std::to_string(1000 + processes * rounds) + "\n");
    EXPECT_EQ(files_in(dir.path()), 1u + processes); // no temporary file left
}

TEST(LockedFile, AFolderThatMayNotBeWrittenGetsTheFileRewrittenInPlace) {
    TempDir dir;
    chmod(dir.path().c_str(), 0755);
    const std::string folder = dir.file("station");
    mkdir(folder.c_str(), 0755);
    const std::string path = folder + "/serial.txt";
    write_file(path, "99\nrest\n");
    chmod(path.c_str(), 0666);
    chmod(folder.c_str(), 0555);
    struct stat before {};
    stat(path.c_str(), &before);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The superuser may write any folder: run as nobody to see the refusal.
        if (geteuid() == 0 && setuid(65534) != 0) {
            std::_Exit(3);
        }
        platform::locked_file_t file;
        std::_Exit(file.lock(path) == platform::lock_result::locked &&
                           file.rewrite("100\n", "quarnel")
                       ? 0
                       : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(read_file(path), "100\n");
    struct stat after {};
    stat(path.c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(files_in(folder), 1u);
    chmod(folder.c_str(), 0755);
}

TEST(LockedFile, OnlyAnExistingRegularFileIsShared) {
    TempDir dir;
    mkfifo(dir.file("fifo").c_str(), 0600);
    mkdir(dir.file("folder").c_str(), 0700);
    struct Case {
        const char* name;
        platform::lock_result result;
    };
    const Case cases[] = {
        {"none.txt", platform::lock_result::failed},  // not created
        {"fifo", platform::lock_result::not_regular}, // opened without waiting for a writer
        {"folder", platform::lock_result::failed},
        {"/dev/null", platform::lock_result::not_regular},
    };
    for (const Case& c : cases) {
        platform::locked_file_t file;
        const std::string path = c.name[0] == '/' ? c.name : dir.file(c.name);
        EXPECT_EQ(file.lock(path), c.result) << c.name;
    }
    EXPECT_EQ(files_in(dir.path()), 2u);
}

TEST(LockedFile, AHeldFileIsWaitedForWithNotices) {
    TempDir dir;
    const std::string path = dir.file("serial.txt");
    write_file(path, "7\n");
    platform::locked_file_t holder;
    ASSERT_EQ(holder.lock(path), platform::lock_result::locked);
    // The holder lets go after the third notice; a throwing notice ends the wait.
    std::vector<bool> notices;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        platform::locked_file_t file;
        int rounds = 0;
        try {
            file.lock(path, [&](bool) {
                if (++rounds == 3) {
                    throw rounds;
                }
            });
        } catch (int) {
            std::_Exit(rounds == 3 ? 0 : 1);
        }
        std::_Exit(2);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    holder.unlock();
    platform::locked_file_t file;
    EXPECT_EQ(file.lock(path, [&](bool first) { notices.push_back(first); }),
              platform::lock_result::locked);
    EXPECT_TRUE(notices.empty()); // a free file is taken at once
}
