// The database counter under the serial-number rules, on a PostgreSQL server of its own:
// reserved in one step, given back only while no later run took a number.
#include "quarnel/common/errors.h"
#include "quarnel/database/database_connection.h"
#include "quarnel/production/production_serial.h"
#include "tests/support/run_program.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace quarnel;

namespace {

ProgramResult rehearsal_server(const std::string& action, const std::string& dir) {
    ProgramRun run;
    run.program = "/bin/bash";
    run.args = {source_path("examples/production/pg-rehearsal.sh"), action, dir};
    return run_program(run);
}

// A PostgreSQL server of the test's own, removed with it whatever the test ends with.
struct RehearsalServer {
    RehearsalServer() : started(rehearsal_server("start", dir)) {}
    ~RehearsalServer() { rehearsal_server("remove", dir); }
    RehearsalServer(const RehearsalServer&) = delete;
    RehearsalServer& operator=(const RehearsalServer&) = delete;

    TempDir folder;
    std::string dir = folder.file("pg");
    ProgramResult started;
};

// What `step` prints, and the status it ends with (0 when it returns).
std::pair<std::string, int> outcome(const std::function<void()>& step) {
    testing::internal::CaptureStdout();
    int status = 0;
    try {
        step();
    } catch (const app_error& error) {
        status = error.code;
    }
    return {testing::internal::GetCapturedStdout(), status};
}

TEST(SerialCounterDatabase, ReservesInOneStepAndGivesBackOnlyTheLastNumber) {
    const RehearsalServer rehearsal;
    if (rehearsal.started.status == 77) {
        GTEST_SKIP() << rehearsal.started.output;
    }
    ASSERT_EQ(rehearsal.started.status, 0) << rehearsal.started.output;
    const std::string& server = rehearsal.dir;
    const std::string uri = "postgresql:///line?host=" + server + "&user=quarnel";
    const std::unique_ptr<SerialNumberStore> store = serial_counter_database(uri);
    const auto counter = [&uri] {
        DatabaseConnection database(uri);
        return database.execute("SELECT next FROM quarnel_counters WHERE name = 'a'")[0][0];
    };
    std::uint32_t number = 0;
    const auto take = [&](bool reserve, unsigned bytes) {
        return outcome([&] { number = store->take("a", reserve, bytes); });
    };

    // The table comes with the first use; the counter does not.
    EXPECT_EQ(take(true, 4).second, EXIT_ENVIRONMENT);
    DatabaseConnection(uri).execute("INSERT INTO quarnel_counters VALUES ('a', 41)");

    EXPECT_EQ(take(false, 4), std::make_pair(std::string(), 0)); // a verify run reads only
    EXPECT_EQ(number, 41u);
    EXPECT_EQ(counter(), "41");
    take(true, 4);
    EXPECT_EQ(number, 41u);
    EXPECT_EQ(outcome([&] { store->put_back("a", 41); }).first, "");
    EXPECT_EQ(counter(), "41");

    take(true, 4); // 41, then a later run takes 42
    take(true, 4);
    EXPECT_EQ(outcome([&] { store->put_back("a", 41); }).first,
              "Serial number 41 not used, counter 'a' has gone on since\n");
    EXPECT_EQ(counter(), "43");

    DatabaseConnection(uri).execute("UPDATE quarnel_counters SET next = 256");
    EXPECT_EQ(take(true, 1), std::make_pair(std::string("Serial number 256 of counter 'a' doesn't "
                                                        "fit in 1 byte\n"),
                                            int{EXIT_ENVIRONMENT}));
    EXPECT_EQ(counter(), "256"); // a number no chip can hold is not handed out

    EXPECT_EQ(rehearsal_server("stop", server).status, 0);
    EXPECT_EQ(outcome([&] { store->put_back("a", 256); }).second, 0); // raises nothing
}

} // namespace
