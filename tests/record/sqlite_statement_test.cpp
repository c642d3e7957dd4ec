// The statement wrapper the record and the report share: the first error
// (of the prepare, a bind or a step) is the one kept, and a statement with
// an error never runs, so no row is written with a value missing.
#include "features/record/sqlite_statement.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kestran::record {
namespace {

struct Case {
    const char* name;
    const char* sql;
    std::function<void(Statement&)> bind;
    int firstStep;  // what the first Step answers; a second answers the same unless it was a row
    std::int64_t rowsAfter;
};

TEST(SqliteStatement, KeepsTheFirstErrorAndStepsNoMoreAfterIt) {
    const std::vector<Case> cases = {
        {"written", "INSERT INTO t(a, b) VALUES(?1, ?2)", [](Statement& s) { s.Bind(1, 7).Bind(2, std::string("x")); },
         SQLITE_DONE, 1},
        {"null from an empty optional", "INSERT INTO t(a, b) VALUES(?1, ?2)",
         [](Statement& s) { s.Bind(1, 7).Bind(2, std::optional<int>()); }, SQLITE_DONE, 1},
        {"a bind out of range keeps the row out", "INSERT INTO t(a, b) VALUES(?1, ?2)",
         [](Statement& s) { s.Bind(3, 1).Bind(1, 7).Bind(2, 1.5); }, SQLITE_RANGE, 0},
        {"a prepare that failed", "INSERT INTO missing VALUES(?1)", [](Statement& s) { s.Bind(1, 7); }, SQLITE_ERROR, 0},
        {"a step that failed", "INSERT INTO t(a, b) VALUES(?1, ?2)", [](Statement& s) { s.Bind(2, 1); },
         SQLITE_CONSTRAINT, 0},
        {"a row", "SELECT 1", [](Statement&) {}, SQLITE_ROW, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE t(a INTEGER NOT NULL, b)", nullptr, nullptr, nullptr), SQLITE_OK);
        {
            Statement statement(db, c.sql);
            c.bind(statement);
            EXPECT_EQ(statement.Step(), c.firstStep);
            const bool failed = c.firstStep != SQLITE_ROW && c.firstStep != SQLITE_DONE;
            EXPECT_EQ(statement.Ok(), !failed);
            EXPECT_EQ(statement.Code(), failed ? c.firstStep : SQLITE_OK);
            if (failed) {
                EXPECT_EQ(statement.Step(), c.firstStep);
            }
        }
        {
            Statement count(db, "SELECT count(*) FROM t");
            EXPECT_EQ(count.Step(), SQLITE_ROW);
            EXPECT_EQ(count.Int(0), c.rowsAfter);
        }
        sqlite3_close(db);
    }
}

}  // namespace
}  // namespace kestran::record
