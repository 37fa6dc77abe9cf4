// libpq's layout as the binding assumes it, the time-out added to connection texts, and the
// tables the program creates as the example SQL file creates them.
#include "quarnel/database/database_connection.h"
#include "quarnel/database/database_tables.h"
#include "quarnel/database/libpq_library.h"
#include "tests/support/run_program.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <fstream>
#include <sstream>

#ifdef QUARNEL_HAVE_LIBPQ_HEADER
#include <libpq-fe.h>

static_assert(CONNECTION_OK == quarnel::PQ_CONNECTION_OK);
static_assert(PGRES_COMMAND_OK == quarnel::PQ_COMMAND_OK);
static_assert(PGRES_TUPLES_OK == quarnel::PQ_TUPLES_OK);
static_assert(sizeof(Oid) == sizeof(quarnel::pq_oid));
static_assert(sizeof(PQconninfoOption) == sizeof(quarnel::PqConninfoOption));
static_assert(offsetof(PQconninfoOption, val) == offsetof(quarnel::PqConninfoOption, val));
static_assert(offsetof(PQconninfoOption, dispsize) ==
              offsetof(quarnel::PqConninfoOption, dispsize));
#endif

namespace {

TEST(Database, ConnectTimeoutIsAddedOnlyWhereNoneIsSet) {
    if (!quarnel::libpq_available()) {
        GTEST_SKIP() << "no libpq.so.5";
    }
    const struct {
        const char* target;
        const char* expected;
    } cases[] = {
        {"postgresql:///line", "postgresql:///line?connect_timeout=10"},
        {"postgres://db/line?user=station", "postgres://db/line?user=station&connect_timeout=10"},
        {"postgresql://db/line?connect_timeout=3", "postgresql://db/line?connect_timeout=3"},
        {"host=db dbname=line", "host=db dbname=line connect_timeout=10"},
        {"host=db connect_timeout = 2", "host=db connect_timeout = 2"},
        // A keyword's text is not a keyword.
        {"host=db password='connect_timeout=1'",
         "host=db password='connect_timeout=1' connect_timeout=10"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_EQ(quarnel::with_connect_timeout(c.target, error).value_or("(refused)"), c.expected)
            << c.target;
    }
    std::string error;
    // libpq's own default from the environment is the user's choice too.
    setenv("PGCONNECT_TIMEOUT", "5", 1);
    EXPECT_EQ(quarnel::with_connect_timeout("postgresql:///line", error), "postgresql:///line");
    unsetenv("PGCONNECT_TIMEOUT");
    EXPECT_FALSE(quarnel::with_connect_timeout("host=db nonsense", error));
    EXPECT_NE(error, "");
}

TEST(Database, TheExampleFileCreatesTheTablesAsTheProgramDoes) {
    std::ifstream file(source_path("examples/production/quarnel.sql"));
    std::stringstream text;
    text << file.rdbuf();
    std::string statements;
    std::istringstream lines(text.str());
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("--", 0) != 0) {
            statements += line + "\n";
        }
    }
    EXPECT_EQ(statements,
              std::string(quarnel::CREATE_COUNTERS) + ";\n" + quarnel::CREATE_LOG + ";\n");
}

} // namespace
