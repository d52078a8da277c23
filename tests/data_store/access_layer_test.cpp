// The access layer against real SQLite files: column kinds, NULLs, the cursor, look-up, every
// message, bound values, the busy timeout and the transaction guard.
#include "data_store/Database.h"
#include "data_store/Renumbering.h"
#include "support/TestWorkdir.h"

#include <QtTest>

#include <sqlite3.h>

#include <chrono>
#include <thread>

namespace {

QString ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    }
    return QStringLiteral("<no error>");
}

}  // namespace

class AccessLayerTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { workdir_ = std::make_unique<TestWorkdir>(false); }
    void cleanup() { workdir_.reset(); }

    void columnKindsFollowTheDeclaredTypeExactly() {
        Database db(QStringLiteral("data/t.db"));
        db.RunStatement(
            QStringLiteral("create table t (a INTEGER, b integer, c REAL, d varchar(50), e "
                           "NUMERIC, f BLOB, g INTEGER(5), j boolean, k BOOLEAN, l double)"));
        db.RunStatement(
            QStringLiteral("insert into t values (7, 7, 2.5, 'x', 85, x'0102', 3, 1, 1, 1.5)"));
        auto table = db.OpenQuery(
            QStringLiteral("select a, b, c, d, e, f, g, 1+1 as h, null as i, j, k, l from t"));
        QCOMPARE(table->KindOf(0), ColumnKind::Integer);
        // SQLite reports built-in type names in upper case, so "integer" is INTEGER here too; what
        // matters to every caller is that both read as the same decimal text (below).
        QCOMPARE(table->KindOf(2), ColumnKind::Float);
        QCOMPARE(table->KindOf(3), ColumnKind::Text);
        QCOMPARE(table->KindOf(4), ColumnKind::Float);
        QCOMPARE(table->KindOf(5), ColumnKind::Blob);
        QCOMPARE(table->KindOf(6), ColumnKind::Text);     // a length makes it another type
        QCOMPARE(table->KindOf(7), ColumnKind::Integer);  // expression: the first value's type
        QCOMPARE(table->KindOf(8), ColumnKind::Null);
        QCOMPARE(table->KindOf(9), ColumnKind::Text);  // compared whole and case-sensitively
        QCOMPARE(table->KindOf(10), ColumnKind::Integer);
        QCOMPARE(table->KindOf(11), ColumnKind::Text);
        QCOMPARE(table->ColumnText(11), QByteArray("1.5"));
        // Both integer columns read as the same decimal text; floats in the general format.
        QCOMPARE(table->ColumnText(0), QByteArray("7"));
        QCOMPARE(table->ColumnText(1), QByteArray("7"));
        QCOMPARE(table->ColumnText(2), QByteArray("2.5"));
        QCOMPARE(table->ColumnText(4), QByteArray("85"));
        QCOMPARE(table->ColumnText(5), QByteArray("\x01\x02"));
        QCOMPARE(table->ColumnAsInt64(2), qint64(2));
        QCOMPARE(table->ColumnAsFloat(0), 7.0);
        QCOMPARE(ErrorOf([&] { table->ColumnAsInt64(3); }),
                 QStringLiteral("Not an integer or numeric field"));
        QCOMPARE(ErrorOf([&] { table->ColumnBlob(0); }), QStringLiteral("Not a Blob field"));
        QCOMPARE(*table->ColumnBlob(5), QByteArray("\x01\x02"));
    }

    void nullsAndNullKindReadAsEmptyText() {
        Database db(QStringLiteral("data/t.db"));
        db.RunStatement(QStringLiteral("create table t (a INTEGER, b varchar)"));
        db.RunStatement(QStringLiteral("insert into t values (null, null), (1, 'x')"));
        auto table = db.OpenQuery(
            QStringLiteral("select a, b, case when a is null then null else 'y' end as c from t"));
        QCOMPARE(table->ColumnText(0), QByteArray());
        QCOMPARE(table->ColumnAsInt64(0), qint64(0));
        QVERIFY(table->ColumnBlob(1) == nullptr || table->KindOf(1) != ColumnKind::Blob);
        QCOMPARE(table->KindOf(2), ColumnKind::Null);
        table->MoveNext();
        QCOMPARE(table->ColumnText(2), QByteArray());  // null kind: empty in every row
        QCOMPARE(table->ColumnText(1), QByteArray("x"));
    }

    void cursorMovesForwardAndToTheLastRow() {
        Database db(QStringLiteral("data/t.db"));
        db.RunStatement(QStringLiteral("create table t (a INTEGER)"));
        db.RunStatement(QStringLiteral("insert into t values (1), (2), (3)"));
        auto table = db.OpenQuery(QStringLiteral("select * from t"));
        QCOMPARE(table->RowCount(), 3);
        QVERIFY(table->MoveLast());
        QCOMPARE(table->Value(QStringLiteral("a")), QStringLiteral("3"));
        QVERIFY(table->MoveNext());
        QVERIFY(table->AtEnd());
        QVERIFY(!table->MoveNext());
        QCOMPARE(ErrorOf([&] { table->ColumnText(0); }), QStringLiteral("Table is at End of File"));
        QCOMPARE(ErrorOf([&] { table->ColumnAsFloat(0); }),
                 QStringLiteral("Table is at End of File"));
    }

    void emptyResult() {
        Database db(QStringLiteral("data/t.db"));
        db.RunStatement(QStringLiteral("create table t (a INTEGER)"));
        auto table = db.OpenQuery(QStringLiteral("select * from t"));
        QCOMPARE(table->RowCount(), 0);
        QVERIFY(table->AtEnd());
        QVERIFY(!table->MoveNext());
        QVERIFY(!table->MoveLast());
        QCOMPARE(ErrorOf([&] { table->ColumnIndexOf(QStringLiteral("Request")); }),
                 QStringLiteral("Field Request Not found. Empty dataset"));
    }

    void columnLookUpIgnoresCaseAndNamesTheMissingColumn() {
        Database db(QStringLiteral("data/t.db"));
        db.RunStatement(QStringLiteral("create table t (TestID INTEGER, DDx varchar)"));
        db.RunStatement(QStringLiteral("insert into t values (1, 'A')"));
        auto table = db.OpenQuery(QStringLiteral("select * from t"));
        QCOMPARE(table->ColumnIndexOf(QStringLiteral("DDX")), 1);
        QCOMPARE(table->ColumnIndexOf(QStringLiteral("ddx")), 1);
        QCOMPARE(table->ColumnIndexOf(QStringLiteral("DDx")), 1);
        QCOMPARE(ErrorOf([&] { table->ColumnIndexOf(QStringLiteral("Axx")); }),
                 QStringLiteral("Field not found in dataset: Axx"));
    }

    void statementMessages() {
        Database db(QStringLiteral("data/t.db"));
        db.RunStatement(QStringLiteral("create table t (a INTEGER)"));
        db.RunStatement(QStringLiteral("select * from t"));  // no row comes back: it runs
        db.RunStatement(QStringLiteral("insert into t values (1)"));
        QCOMPARE(ErrorOf([&] { db.RunStatement(QStringLiteral("select * from t")); }),
                 QStringLiteral("Error executing SQL statement"));
        QCOMPARE(ErrorOf([&] { db.RunStatement(QString()); }),
                 QStringLiteral("Could not prepare SQL statement"));
        QCOMPARE(ErrorOf([&] { db.RunStatement(QStringLiteral("-- nothing")); }),
                 QStringLiteral("Could not prepare SQL statement"));
        const QString sql = QStringLiteral("Select * from KaoShi9");
        QCOMPARE(ErrorOf([&] { db.OpenQuery(sql); }),
                 QStringLiteral("Error executing SQL.\rError [1]: SQL error or missing database.\r"
                                "\"Select * from KaoShi9\": no such table: KaoShi9"));
        db.RunStatement(QStringLiteral("create table k (id INTEGER PRIMARY KEY)"));
        db.RunStatement(QStringLiteral("insert into k values (1)"));
        QCOMPARE(
            ErrorOf([&] { db.RunStatement(QStringLiteral("insert into k values (1)")); }),
            QStringLiteral(
                "Error executing SQL statement.\rError [19]: Abort due to contraint violation.\r"
                "\"insert into k values (1)\": UNIQUE constraint failed: k.id"));
    }

    void openMessages() {
        QCOMPARE(ErrorOf([] { Database db(QStringLiteral("nowhere/data/Maindb.db")); }),
                 QStringLiteral("Failed to open database \"nowhere/data/Maindb.db\" : unable to "
                                "open database file"));
        // A missing file in an existing folder becomes an empty database; the first query names the
        // table.
        Database db(QStringLiteral("data/new.db"));
        QVERIFY(ErrorOf([&] {
                    db.OpenQuery(QStringLiteral("Select * from Exam"));
                }).endsWith(QStringLiteral("no such table: Exam")));
        // A file that is not a database fails at the first query.
        QFile junk(QStringLiteral("data/junk.db"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
        junk.close();
        Database bad(QStringLiteral("data/junk.db"));
        QVERIFY(
            ErrorOf([&] {
                bad.OpenQuery(QStringLiteral("Select * from Exam"));
            }).contains(QStringLiteral("Error [26]: File opened that is not a database file.")));
    }

    void errorCodeTexts() {
        QCOMPARE(ErrorCodeText(0), QStringLiteral("Successful result"));
        QCOMPARE(ErrorCodeText(19), QStringLiteral("Abort due to contraint violation"));
        QCOMPARE(ErrorCodeText(26), QStringLiteral("File opened that is not a database file"));
        QCOMPARE(ErrorCodeText(101), QStringLiteral("sqlite3_step() has finished executing"));
        QCOMPARE(ErrorCodeText(27), QStringLiteral("Unknown SQLite Error Code \"27\""));
        QCOMPARE(ErrorCodeText(-1), QStringLiteral("Unknown SQLite Error Code \"-1\""));
    }

    void boundValuesAreStoredAsTyped() {
        Database db(QStringLiteral("data/t.db"));
        db.RunStatement(QStringLiteral("create table t (id INTEGER, s varchar(50), x varchar)"));
        const QString hostile = QStringLiteral("O'Neil \"the\" '); DROP TABLE t; --\r\n第二行\t😀");
        db.RunStatement(QStringLiteral("insert into t values (?, ?, ?)"),
                        {qint64(1), hostile, nullptr});
        db.RunStatement(QStringLiteral("insert into t values (?, ?, ?)"),
                        {qint64(2), QStringLiteral("b"), 87.5});
        auto table = db.OpenQuery(QStringLiteral("select * from t where id=?"), {qint64(1)});
        QCOMPARE(table->RowCount(), 1);
        QCOMPARE(table->Value(QStringLiteral("s")), hostile);
        QCOMPARE(table->ColumnText(2), QByteArray());
        auto second =
            db.OpenQuery(QStringLiteral("select x from t where s=?"), {QStringLiteral("b")});
        QCOMPARE(second->Value(QStringLiteral("x")), QStringLiteral("87.5"));
        QCOMPARE(
            ErrorOf([&] {
                db.RunStatement(QStringLiteral("insert into t values (?)"), {qint64(1), qint64(2)});
            }).left(19),
            QStringLiteral("Error executing SQL"));
    }

    void invalidUtf8DecodesToEmptyText() {
        Database db(QStringLiteral("data/t.db"));
        db.RunStatement(QStringLiteral("create table t (s varchar)"));
        db.RunStatement(QStringLiteral(
            "insert into t values (cast(x'e4b8ad' as text)), (cast(x'e4b8' as text))"));
        auto table = db.OpenQuery(QStringLiteral("select * from t"));
        QCOMPARE(table->Value(QStringLiteral("s")), QStringLiteral("中"));
        table->MoveNext();
        QCOMPARE(table->Value(QStringLiteral("s")), QString());
    }

    void busyTimeoutWaitsForAnotherWriter() {
        Database db(QStringLiteral("data/t.db"));
        db.RunStatement(QStringLiteral("create table t (a INTEGER)"));
        // A second connection holds the write lock for a moment, as another workstation would.
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open("data/t.db", &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE; insert into t values (1);", nullptr, nullptr,
                              nullptr),
                 SQLITE_OK);
        // The other workstation commits 300 ms later, from its own thread.
        std::thread releaser([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
        });
        Database waiting(QStringLiteral("data/t.db"));
        waiting.RunStatement(QStringLiteral("insert into t values (2)"));  // waits, then succeeds
        releaser.join();
        sqlite3_close(other);
        QCOMPARE(waiting.OpenQuery(QStringLiteral("select count(*) as n from t"))
                     ->Value(QStringLiteral("n")),
                 QStringLiteral("2"));

        // Without a timeout the same situation fails at once with the locked-file message.
        QCOMPARE(sqlite3_open("data/t.db", &other), SQLITE_OK);
        sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        Database impatient(QStringLiteral("data/t.db"), 0);
        QVERIFY(ErrorOf([&] {
                    impatient.RunStatement(QStringLiteral("insert into t values (3)"));
                }).contains(QStringLiteral("The database file is locked")));
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
    }

    void transactionRollsBackWhenLeftByAnException() {
        Database db(QStringLiteral("data/t.db"));
        db.RunStatement(QStringLiteral("create table t (a INTEGER PRIMARY KEY)"));
        db.RunStatement(QStringLiteral("insert into t values (1)"));
        const QString error = ErrorOf([&] {
            Transaction transaction(db);
            db.RunStatement(QStringLiteral("delete from t"));
            db.RunStatement(QStringLiteral("insert into t values (2)"));
            db.RunStatement(QStringLiteral("insert into t values (2)"));  // fails
            transaction.Commit();
        });
        QVERIFY(error.startsWith(QStringLiteral("Error executing SQL statement")));
        QCOMPARE(db.OpenQuery(QStringLiteral("select * from t"))->Value(QStringLiteral("a")),
                 QStringLiteral("1"));
        {
            Transaction transaction(db);
            db.RunStatement(QStringLiteral("insert into t values (5)"));
            transaction.Commit();
        }
        QCOMPARE(db.OpenQuery(QStringLiteral("select * from t"))->RowCount(), 2);
    }

    // The reads of a read transaction come from one state of the file: no other connection can
    // commit a change between them. It ends with its scope, also when a read fails.
    void readTransactionHoldsOneStateOfTheFile() {
        Database db(QStringLiteral("data/t.db"));
        db.RunStatement(QStringLiteral("create table t (a INTEGER)"));
        db.RunStatement(QStringLiteral("insert into t values (1)"));
        Database other(QStringLiteral("data/t.db"), 0);
        {
            const ReadTransaction snapshot(db);
            QCOMPARE(db.OpenQuery(QStringLiteral("select * from t"))->RowCount(), 1);
            QVERIFY(ErrorOf([&] {
                        other.RunStatement(QStringLiteral("insert into t values (2)"));
                    }).contains(QStringLiteral("The database file is locked")));
            QCOMPARE(db.OpenQuery(QStringLiteral("select * from t"))->RowCount(), 1);
        }
        other.RunStatement(QStringLiteral("insert into t values (2)"));
        QVERIFY(!ErrorOf([&] {
                     const ReadTransaction snapshot(db);
                     db.OpenQuery(QStringLiteral("select * from missing"));
                 }).isEmpty());
        const ReadTransaction again(db);  // the failed one has ended
        QCOMPARE(db.OpenQuery(QStringLiteral("select * from t"))->RowCount(), 2);
    }

    void renumberingClosesGapsAndStopsOnABadKey() {
        Database db(QStringLiteral("data/t.db"));
        db.RunStatement(
            QStringLiteral("create table q (TestID INTEGER PRIMARY KEY, Request varchar)"));
        db.RunStatement(QStringLiteral("insert into q values (2, 'b'), (5, 'c'), (9, 'd')"));
        RenumberKeys(db, QStringLiteral("q"), QStringLiteral("TestID"), QStringLiteral("TestID"));
        QStringList rows;
        for (auto t = db.OpenQuery(QStringLiteral("select * from q")); !t->AtEnd(); t->MoveNext())
            rows << t->Value(QStringLiteral("TestID")) + t->Value(QStringLiteral("Request"));
        QCOMPARE(rows, (QStringList{"1b", "2c", "3d"}));

        db.RunStatement(QStringLiteral("create table c (UserID varchar, Xuehao varchar)"));
        db.RunStatement(QStringLiteral("insert into c values ('4', '110101'), ('x', '110102')"));
        QCOMPARE(ErrorOf([&] {
                     RenumberKeys(db, QStringLiteral("c"), QStringLiteral("UserID"),
                                  QStringLiteral("Xuehao"));
                 }),
                 QStringLiteral("'x' is not a valid integer value"));
        // Nothing moved: the pass reads every key before it changes one.
        QCOMPARE(db.OpenQuery(QStringLiteral("select * from c"))->Value(QStringLiteral("UserID")),
                 QStringLiteral("4"));
    }

  private:
    std::unique_ptr<TestWorkdir> workdir_;
};

QTEST_GUILESS_MAIN(AccessLayerTest)
#include "access_layer_test.moc"
