// The production line end to end: gangs on parallel ports and on the two channels of one
// FT2232H, the log they write, runs appending at once, job files, chip after chip.
#include "quarnel/image/image_checksum.h"
#include "tests/quarnel/e2e/run_bench.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

namespace {

// 16 bytes of code with room for a two-byte serial number at 8.
const Bytes program = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08,
                       0xFF, 0xFF, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10};

std::string program_crc() {
    char text[16];
    std::snprintf(text, sizeof text, "%08x",
                  static_cast<unsigned>(quarnel::crc32_update(0, program.data(), program.size())));
    return text;
}

// The log's lines as fields, split at commas (the fields of these runs hold none).
std::vector<std::vector<std::string>> log_rows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) {
            fields.push_back(cell);
        }
        if (line.back() == ',') {
            fields.emplace_back();
        }
        rows.push_back(fields);
    }
    return rows;
}

enum column {
    TIME,
    STATION,
    SITE,
    ADAPTER,
    PORT,
    DEVICE,
    SIGNATURE,
    SERIAL,
    CRC,
    FUSES,
    RESULT,
    STATUS,
    SECONDS,
    COLUMNS
};

const std::vector<std::string> header = {"time",   "station",   "site",   "adapter",     "port",
                                         "device", "signature", "serial", "image_crc32", "fuses",
                                         "result", "status",    "seconds"};

// The serial number the chip holds at 8, low byte first.
std::string chip_serial(const Bench& bench, const std::string& chip) {
    const Bytes flash = bench.memory("flash", chip);
    return std::to_string(flash[8] | flash[9] << 8);
}

std::string chip_fuses(const Bench& bench, const std::string& chip) {
    return "LOW=" + bench.setting("fuse_low", chip) + " HIGH=" + bench.setting("fuse_high", chip) +
           " EXT=" + bench.setting("fuse_ext", chip);
}

// Every line between the command echo and the closing table belongs to a site.
std::string unprefixed_lines(const std::string& body, const std::string& names) {
    const std::size_t table = body.find("\nSite  ");
    std::istringstream lines(body.substr(0, table));
    std::string line;
    std::getline(lines, line); // "Command:"
    std::getline(lines, line); // the command
    std::string stray;
    const std::regex prefix("\\[[" + names + "]\\] .*|\\[[" + names + "]\\] ?");
    while (std::getline(lines, line)) {
        if (!std::regex_match(line, prefix)) {
            stray += line + "\n";
        }
    }
    return stray;
}

} // namespace

// Two rounds of three sites on three ports; in the second, C's socket is empty: C fails alone,
// and the gang's status is C's.
TEST(LineRun, GangOfThreePortsLogsEveryChipAndAMissingChipFailsAlone) {
    Bench bench("tiny2313");
    bench.add_chip("b.avr", "tiny2313");
    bench.add_chip("c.avr", "tiny2313");
    bench.put("p.hex", hex_text({{0, program}}));
    bench.put("sn.txt", "1000\n");
    bench.put("gang.txt", "# three ports\nA -p378\nB -p278\nC -p3BC   # the third\n");
    ProgramRun sites;
    sites.env["AVRSIM_TARGET_278"] = bench.file("b.avr");
    sites.env["AVRSIM_TARGET_3BC"] = bench.file("c.avr");
    const std::vector<std::string> args = {
        "+tiny2313",     "-e", "-w", "-v", "p.hex", "-C*SERNO2=8,sn.txt", "--gang=gang.txt",
        "--log=line.csv"};
    std::set<std::string> serials;
    for (int round = 1; round <= 2; ++round) {
        if (round == 2) {
            // C's chip goes.
            ProgramRun avrsim;
            avrsim.program = "avrsim";
            avrsim.args = {"set", bench.file("c.avr"), "faults=absent"};
            ASSERT_EQ(run_program(avrsim).status, 0);
        }
        const BenchRun run = bench.quarnel(args, sites);
        EXPECT_EQ(run.status, round == 1 ? 0 : 40) << run.body;
        EXPECT_EQ(unprefixed_lines(run.body, "ABC"), "");
        const std::string table = run.body.substr(run.body.find("\nSite  "));
        EXPECT_TRUE(std::regex_search(
            table, std::regex("\nA +tiny2313\\|tiny2313A +[0-9]+ +ok +0 +[0-9.]+ s\n")))
            << table;
        if (round == 1) {
            EXPECT_NE(table.find("3 of 3 sites passed\n"), std::string::npos) << table;
        } else {
            EXPECT_TRUE(std::regex_search(table, std::regex("\nC +- +- +failed +40 +[0-9.]+ s\n")))
                << table;
            EXPECT_NE(table.find("2 of 3 sites passed\n"), std::string::npos) << table;
        }
        for (const char* chip : {"chip.avr", "b.avr"}) {
            serials.insert(chip_serial(bench, chip));
        }
    }
    EXPECT_EQ(serials.size(), 4u); // A and B twice, every number new
    EXPECT_EQ(bench.get("sn.txt"), "1005\n");

    const auto rows = log_rows(bench.get("line.csv"));
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[0], header);
    std::map<std::string, int> lines_of_site;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const auto& row = rows[i];
        ASSERT_EQ(row.size(), std::size_t{COLUMNS}) << i;
        EXPECT_TRUE(std::regex_match(row[TIME], std::regex("20[0-9-]{8}T[0-9:]{8}Z")));
        EXPECT_EQ(row[ADAPTER], "kelma");
        EXPECT_EQ(row[CRC], program_crc());
        ++lines_of_site[row[SITE]];
        if (row[SITE] == "C" && i > 3) {
            EXPECT_EQ(row[RESULT] + row[STATUS] + row[DEVICE] + row[SERIAL], "failed40");
        } else {
            EXPECT_EQ(row[RESULT] + row[STATUS], "ok0") << row[SITE];
            EXPECT_EQ(row[DEVICE] + " " + row[SIGNATURE], "tiny2313|tiny2313A 1E910A");
        }
    }
    EXPECT_EQ(lines_of_site, (std::map<std::string, int>{{"A", 2}, {"B", 2}, {"C", 2}}));
    // The last round's lines of A and B name what their chips hold now.
    for (const auto& [site, chip, port] :
         {std::tuple{"A", "chip.avr", "378"}, std::tuple{"B", "b.avr", "278"}}) {
        const auto last = std::find_if(rows.rbegin(), rows.rend(),
                                       [&](const auto& row) { return row[SITE] == site; });
        EXPECT_EQ((*last)[SERIAL], chip_serial(bench, chip)) << site;
        EXPECT_EQ((*last)[FUSES], chip_fuses(bench, chip)) << site;
        EXPECT_EQ((*last)[PORT], port);
    }
}

// The two MPSSE channels of one FT2232H, each with its own chip, programmed at once.
TEST(LineRun, GangOnTheTwoChannelsOfOneFt2232h) {
    Bench bench("mega328P", {"clock=16MHz", "ftdi=ft2232h"});
    bench.add_chip("b.avr", "mega328P", {"clock=16MHz"});
    bench.put("p.hex", hex_text({{0, program}}));
    bench.put("sn.txt", "7\n");
    bench.put("gang.txt", "A -aft2232h -ps=AVRSIM01A\nB -aft2232h -ps=AVRSIM01B\n");
    ProgramRun sites;
    sites.env["FTD2XX_LIBRARY"] = bin_path("libavrsim_ftd2xx.so");
    sites.env["AVRSIM_TARGET_AVRSIM01B"] = bench.file("b.avr");
    const BenchRun run = bench.quarnel({"+mega328P", "-o16MHz", "-e", "-w", "-v", "p.hex",
                                        "-C*SERNO2=8,sn.txt", "--gang=gang.txt", "--log=l.csv"},
                                       sites);
    EXPECT_EQ(run.status, 0) << run.body;
    EXPECT_NE(run.body.find("2 of 2 sites passed\n"), std::string::npos) << run.body;
    const std::set<std::string> serials = {chip_serial(bench, "chip.avr"),
                                           chip_serial(bench, "b.avr")};
    EXPECT_EQ(serials, (std::set<std::string>{"7", "8"}));
    const auto rows = log_rows(bench.get("l.csv"));
    ASSERT_EQ(rows.size(), 3u);
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const std::string chip = rows[i][SITE] == "A" ? "chip.avr" : "b.avr";
        EXPECT_EQ(rows[i][ADAPTER] + " " + rows[i][PORT], "ft2232h s=AVRSIM01" + rows[i][SITE]);
        EXPECT_EQ(rows[i][SERIAL], chip_serial(bench, chip));
        EXPECT_EQ(rows[i][FUSES], chip_fuses(bench, chip));
    }
}

// Eight runs at once on one log: every line whole, none lost, one header.
TEST(LineRun, EightRunsAppendToOneLogAtOnce) {
    Bench bench("tiny2313");
    bench.put("p.hex", hex_text({{0, program}}));
    for (int i = 1; i <= 8; ++i) {
        bench.add_chip("c" + std::to_string(i) + ".avr", "tiny2313");
    }
    const BenchRun run = bench.quarnel_shell(
        "for i in 1 2 3 4 5 6 7 8; do AVRSIM_TARGET=c$i.avr \"$0\" \"$@\" --site=s$i >/dev/null & "
        "done; wait",
        {"+tiny2313", "-e", "-w", "-v", "p.hex", "--log=l.csv"});
    EXPECT_EQ(run.status, 0);
    const auto rows = log_rows(bench.get("l.csv"));
    ASSERT_EQ(rows.size(), 9u);
    EXPECT_EQ(rows[0], header);
    std::set<std::string> sites;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), std::size_t{COLUMNS});
        EXPECT_EQ(rows[i][RESULT], "ok");
        sites.insert(rows[i][SITE]);
    }
    EXPECT_EQ(sites.size(), 8u);
}

// A job run from elsewhere does what the same words typed in the job's folder do.
TEST(LineRun, JobFromAnotherFolderRunsAsTypedInItsFolder) {
    Bench bench("tiny2313");
    std::filesystem::create_directory(bench.file("line3"));
    bench.put("line3/p.hex", hex_text({{0, program}}));
    bench.put("line3/sn.txt", "20\n");
    bench.put("line3/product.job",
              "# the product\n+tiny2313 -e -w -v\n'p.hex'   -C*SERNO2=8,sn.txt  # its number\n");
    const BenchRun job = bench.quarnel({"--job=line3/product.job", "--log=l.csv"});
    ProgramRun typed;
    typed.program = "/bin/sh";
    typed.args = {
        "-c",    "cd line3 && \"$0\" \"$@\"", bin_path("quarnel"), "+tiny2313", "-e", "-w", "-v",
        "p.hex", "-C*SERNO2=8,sn.txt",        "--log=../l.csv"};
    const BenchRun in_folder = bench.quarnel({}, typed);
    EXPECT_EQ(job.status, 0) << job.body;
    const auto after_echo = [](const std::string& body) {
        return body.substr(body.find('\n', body.find("Command:\n") + 9));
    };
    EXPECT_EQ(after_echo(job.body), std::regex_replace(after_echo(in_folder.body),
                                                       std::regex("number is 21"), "number is 20"));
    EXPECT_EQ(bench.get("line3/sn.txt"), "22\n");
    EXPECT_EQ(log_rows(bench.get("l.csv")).size(), 3u);
}

// Chip after chip from a socket the handler fills: three chips, then Ctrl-C with the totals.
TEST(LineRun, RepeatProgramsChipAfterChipUntilCtrlC) {
    Bench bench("tiny2313");
    std::filesystem::create_directory(bench.file("socket"));
    for (const char* chip : {"socket/1.avr", "socket/2.avr", "socket/3.avr"}) {
        bench.add_chip(chip, "tiny2313");
    }
    bench.set({"socket=" + bench.file("socket")});
    bench.put("p.hex", hex_text({{0, program}}));
    bench.put("sn.txt", "300\n");
    ProgramRun until_third;
    until_third.signal_after_text = "Chip 3 passed";
    until_third.signal_number = SIGINT;
    const BenchRun run = bench.quarnel(
        {"+tiny2313", "-e", "-w", "-v", "p.hex", "-C*SERNO2=8,sn.txt", "--repeat", "--log=l.csv"},
        until_third);
    EXPECT_EQ(run.status, 0) << run.body;
    for (const char* line :
         {"Chip 1 passed (1 passed, 0 failed)\n", "Chip 2 passed (2 passed, 0 failed)\n",
          "Chip 3 passed (3 passed, 0 failed)\n", "Totals: 3 passed, 0 failed\n"}) {
        EXPECT_NE(run.body.find(line), std::string::npos) << line << run.body;
    }
    EXPECT_EQ(run.body.find("Chip 4"), std::string::npos);
    const auto rows = log_rows(bench.get("l.csv"));
    ASSERT_EQ(rows.size(), 4u);
    // Chips 1 and 2 were taken out (the third was still in the socket at the break).
    const char* chips[] = {"socket/done/1.avr", "socket/done/2.avr", "socket/3.avr"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(rows[i + 1][SERIAL], std::to_string(300 + i));
        EXPECT_EQ(chip_serial(bench, chips[i]), std::to_string(300 + i)) << chips[i];
        EXPECT_EQ(bench.memory("flash", chips[i])[0], 0x01);
    }
}

// Refusals before the chip is touched: a log that cannot be written, a job naming a job.
TEST(LineRun, RefusalsComeBeforeTheChipIsTouched) {
    Bench bench("tiny2313");
    bench.load("flash", {{0, {0x55}}});
    bench.put("p.hex", hex_text({{0, program}}));
    bench.put("again.job", "-e --job=again.job\n");
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"+tiny2313", "-e", "-w", "p.hex", "--log=no/such/folder/l.csv"},
         "Can't write log file no/such/folder/l.csv: No such file or directory\n"},
        {{"--job=again.job"}, "Job file again.job names --job again\n"},
        {{"+tiny2313", "-e", "--gang=missing.txt"},
         "Can't open gang file missing.txt: No such file or directory\n"},
        {{"+tiny2313", "--repeat=3"}, "Unknown option '--repeat=3'\n"},
        {{"+tiny2313", "--log"}, "Value required for switch '--log'\n"},
    };
    for (const auto& c : cases) {
        const BenchRun run = bench.quarnel(c.args);
        EXPECT_EQ(run.status, 70) << run.body;
        EXPECT_NE(run.body.find(c.message), std::string::npos) << run.body;
        EXPECT_EQ(bench.memory("flash")[0], 0x55);
    }
}
