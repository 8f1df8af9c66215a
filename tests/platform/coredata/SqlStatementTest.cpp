#include "SqlStatement.h"

#include "SqlConnection.h"

#include <functional>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace
{

// Rows v = 1, 2, 3; the query returns those above ?1 with ?2 beside each.
const QString above = "SELECT v, ?2 FROM t WHERE v > ?1 ORDER BY v";

class SqlStatementTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(db.open(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr));
        ASSERT_TRUE(db.exec("CREATE TABLE t (v INTEGER); INSERT INTO t VALUES (1), (2), (3)"));
    }

    SqlConnection db;
};

// Stops at the first row: the handle is left mid-step with both parameters bound.
qint64 firstAbove(SqlConnection& db, qint64 limit, sqlite3_stmt** raw)
{
    SqlStatement statement = db.prepare(above);
    *raw = statement.handle();
    statement.bindInt64(1, limit);
    statement.bindInt64(2, 7);
    if (statement.step() == SQLITE_ROW)
        return statement.int64(0);
    return -1;
}

TEST_F(SqlStatementTest, LeavingScopeRewindsAndClearsBindings)
{
    struct Case {
        const char* name;
        std::function<sqlite3_stmt*(SqlConnection&)> use;
    };
    const Case cases[] = {
        { "early return",
            [](SqlConnection& db) {
                sqlite3_stmt* raw = nullptr;
                EXPECT_EQ(firstAbove(db, 0, &raw), 1);
                return raw;
            } },
        { "moved to another handle",
            [](SqlConnection& db) {
                SqlStatement first = db.prepare(above);
                first.bindInt64(1, 0);
                EXPECT_EQ(first.step(), SQLITE_ROW);
                SqlStatement second(std::move(first));
                EXPECT_FALSE(first.isValid());
                EXPECT_NE(sqlite3_stmt_busy(second.handle()), 0) << "a move must not rewind";
                return second.handle();
            } },
        { "replaced by another statement",
            [](SqlConnection& db) {
                SqlStatement statement = db.prepare(above);
                sqlite3_stmt* raw = statement.handle();
                statement.bindInt64(1, 0);
                EXPECT_EQ(statement.step(), SQLITE_ROW);
                statement = db.prepare("SELECT 1");
                EXPECT_EQ(sqlite3_stmt_busy(raw), 0);
                EXPECT_EQ(statement.step(), SQLITE_ROW);
                return raw;
            } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sqlite3_stmt* raw = c.use(db);
        ASSERT_NE(raw, nullptr);
        EXPECT_EQ(sqlite3_stmt_busy(raw), 0);
        // With ?1 cleared to NULL nothing is "above" it.
        EXPECT_EQ(sqlite3_step(raw), SQLITE_DONE);
        sqlite3_reset(raw);
    }
    // Nothing holds a read open, so the connection can change the table.
    EXPECT_TRUE(db.exec("DROP TABLE t"));
}

TEST_F(SqlStatementTest, TheCacheLendsOneStatementFreshEachTime)
{
    SqlStatement outer = db.prepare(above);
    ASSERT_TRUE(outer.isValid());
    outer.bindInt64(1, 0);
    outer.bindInt64(2, 7);
    ASSERT_EQ(outer.step(), SQLITE_ROW);
    ASSERT_EQ(outer.step(), SQLITE_ROW);
    EXPECT_EQ(outer.int64(0), 2);

    // Lent again while mid-step (a caller further up still holds it): from the start, unbound.
    SqlStatement inner = db.prepare(above);
    EXPECT_EQ(inner.handle(), outer.handle());
    inner.bindInt64(1, 0);
    ASSERT_EQ(inner.step(), SQLITE_ROW);
    EXPECT_EQ(inner.int64(0), 1);
    EXPECT_TRUE(inner.isNull(1));
    EXPECT_EQ(inner.value(1), QVariant());

    // run() rewinds but keeps the bindings, so a statement can be run again with new ones.
    SqlStatement insert = db.prepare("INSERT INTO t VALUES (?)");
    insert.bindInt64(1, 4);
    EXPECT_TRUE(insert.run());
    EXPECT_TRUE(insert.run());
    SqlStatement count = db.prepare("SELECT count(*) FROM t WHERE v = 4");
    ASSERT_EQ(count.step(), SQLITE_ROW);
    EXPECT_EQ(count.int64(0), 2);
}

TEST_F(SqlStatementTest, AFailedPrepareReportsSQLiteAndIsNotCached)
{
    struct Case {
        const char* sql;
        const char* error;
    };
    const Case cases[] = {
        { "SELEC 1", "near \"SELEC\": syntax error" },
        { "SELECT x FROM later", "no such table: later" },
        { "SELECT absent FROM t", "no such column: absent" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        QString error;
        SqlStatement statement = db.prepare(c.sql, &error);
        EXPECT_FALSE(statement.isValid());
        EXPECT_FALSE(statement);
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(db.lastError(), c.error);
    }
    ASSERT_TRUE(db.exec("CREATE TABLE later (x)"));
    QString error;
    EXPECT_TRUE(db.prepare("SELECT x FROM later", &error).isValid()) << error.toStdString();

    db.close();
    EXPECT_FALSE(db.prepare("SELECT 1", &error).isValid());
    EXPECT_EQ(error, "database is not open");
}

} // namespace
