// Job and gang files: the shell's quoting, the sites, and a job run in its own folder.
#include "platform/host_info.h"
#include "quarnel/common/errors.h"
#include "quarnel/line/gang_file.h"
#include "quarnel/line/job_file.h"
#include "quarnel/line/shell_words.h"
#include "tests/support/run_program.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace quarnel;

namespace {

void write(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
}

// The status a step ends with: 0 when it returns.
template <typename Step> int status_of(Step step) {
    try {
        step();
        return 0;
    } catch (const app_error& error) {
        return error.code;
    }
}

} // namespace

TEST(ShellWords, QuotesEscapesAndComments) {
    using Words = std::vector<std::string>;
    const struct {
        const char* line;
        std::optional<Words> words;
    } cases[] = {
        {"  +mega328P\t-e -w  ", Words{"+mega328P", "-e", "-w"}},
        {"'my file.hex' \"a \\\"b\\\" \\n\"", Words{"my file.hex", "a \"b\" \\n"}},
        {"a\\ b c# not a comment # a comment", Words{"a b", "c#", "not", "a", "comment"}},
        {"-C*SERNO4=10,'serial numbers.txt'", Words{"-C*SERNO4=10,serial numbers.txt"}},
        {"# only a comment", Words{}},
        {"''", Words{""}},
        {"'open", std::nullopt},
        {"\"open", std::nullopt},
        {"trailing\\", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shell_words(c.line), c.words) << c.line;
    }
}

TEST(GangFile, SitesInOrderAndRefusedFiles) {
    TempDir dir;
    write(dir.file("ok"), "# bench 3\nA -aft2232h -ps=FT1234A\n\n'B 2' -p278   # second\n");
    const std::vector<GangSite> sites = read_gang_file(dir.file("ok"));
    ASSERT_EQ(sites.size(), 2u);
    EXPECT_EQ(sites[0].name, "A");
    EXPECT_EQ(sites[0].switches, (std::vector<std::string>{"-aft2232h", "-ps=FT1234A"}));
    EXPECT_EQ(sites[1].name, "B 2");
    EXPECT_EQ(sites[1].switches, std::vector<std::string>{"-p278"});

    for (const char* refused : {"A -p378\nA -p278\n", "-p378\n", "# none\n", "A '-p378\n"}) {
        write(dir.file("bad"), refused);
        EXPECT_EQ(status_of([&] { read_gang_file(dir.file("bad")); }), EXIT_ENVIRONMENT) << refused;
    }
    EXPECT_EQ(status_of([&] { read_gang_file(dir.file("missing")); }), EXIT_ENVIRONMENT);
}

// The job's words take its place; the files typed beside it keep naming the files meant where
// the command was typed, and the job runs in its own folder.
TEST(JobFile, ExpandsInPlaceAndRunsInTheJobsFolder) {
    const std::string typed_in = platform::current_directory();
    TempDir dir;
    write(dir.file("product.job"), "+mega328P -e -w -v  # the product\n'fw 1.hex' -d data.hex\n");
    std::vector<std::string> args = {"-p278",         "--job=" + dir.file("product.job"),
                                     "extra.hex",     "--log=/var/log/line.csv",
                                     "--log=rel.csv", "-c",
                                     "c.hex",         "--log=postgresql://db/line"};
    expand_job(args);
    const std::string job_folder = platform::current_directory();
    EXPECT_TRUE(platform::change_directory(typed_in));
    EXPECT_EQ(job_folder, dir.path());
    EXPECT_EQ(args,
              (std::vector<std::string>{"-p278", "+mega328P", "-e", "-w", "-v", "fw 1.hex", "-d",
                                        "data.hex", typed_in + "/extra.hex",
                                        "--log=/var/log/line.csv", "--log=" + typed_in + "/rel.csv",
                                        "-c", typed_in + "/c.hex", "--log=postgresql://db/line"}));

    std::vector<std::string> none = {"+mega8", "-r", "x.hex"};
    expand_job(none);
    EXPECT_EQ(none, (std::vector<std::string>{"+mega8", "-r", "x.hex"}));

    write(dir.file("again.job"), "-e --job=other.job\n");
    for (const std::string& job : {"--job=" + dir.file("again.job"), std::string("--job="),
                                   "--job=" + dir.file("missing.job")}) {
        std::vector<std::string> refused = {job};
        EXPECT_EQ(status_of([&] { expand_job(refused); }), EXIT_ENVIRONMENT) << job;
    }
    EXPECT_EQ(platform::current_directory(), typed_in);
}
