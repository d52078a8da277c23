#include "support/TestWorkdir.h"

#include "data_store/ClassroomCopy.h"
#include "data_store/Conversions.h"
#include "data_store/Database.h"
#include "data_store/DatabaseTurn.h"
#include "data_store/ServerLink.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>

#include <sqlite3.h>

#include <stdexcept>

namespace {

QString Env(const char* name) {
    return qEnvironmentVariable(name);
}

// One database of the test cluster per test process, emptied for each working directory.
ServerAddress TestServer() {
    ServerAddress address{.host = Env("CX_PG_HOST"),
                          .port = Env("CX_PG_PORT").toInt(),
                          .database = QStringLiteral("chengxi"),
                          .user = Env("CX_PG_USER"),
                          .password = Env("CX_PG_PASSWORD"),
                          .sslMode = DefaultSslMode(Env("CX_PG_SSLROOTCERT")),
                          .caFile = Env("CX_PG_SSLROOTCERT")};
    static bool created = false;
    const QString own = QStringLiteral("t%1").arg(QCoreApplication::applicationPid());
    if (!created) {
        Database admin(address);
        if (admin.OpenQuery(QStringLiteral("Select 1 from pg_database where datname=?"), {own})
                ->RowCount() == 0)
            admin.RunStatement(QStringLiteral("Create Database ") + own);
        created = true;
    }
    address.database = own;
    return address;
}

}  // namespace

bool TestWorkdir::OnServer() {
    return Env("CX_TEST_ENGINE") == QStringLiteral("postgresql");
}

ServerAddress TestWorkdir::Server() {
    return TestServer();
}

TestWorkdir::TestWorkdir(bool withDatabase) : previous_(QDir::currentPath()) {
    if (!dir_.isValid()) throw std::runtime_error("no temporary directory");
    QDir(dir_.path()).mkpath(QStringLiteral("data"));
    if (withDatabase && !QFile::copy(QStringLiteral(CX_DELIVERED_DB), DatabaseFile()))
        throw std::runtime_error("cannot copy the delivered database");
    QFile::setPermissions(DatabaseFile(), QFile::ReadOwner | QFile::WriteOwner);
    QDir::setCurrent(dir_.path());
    if (withDatabase && OnServer()) {
        // The delivered content moves to a fresh server database, and the file points there.
        const ServerAddress server = TestServer();
        {
            Database target(server);
            target.RunScript(QStringLiteral("Drop Schema public Cascade; Create Schema public"));
            Database file(DatabaseFile(), Database::kDefaultBusyTimeoutMs,
                          Database::Target::LocalFile);
            CopyToServer(file, target);
        }
        StoreServerAddress(DatabaseFile(), server);
        // The tests work as the back office does, as the owner (the exam role's own tests
        // forget this).
        SetSessionOwnerPassword(server.password);
        server_ = true;
    }
}

TestWorkdir::~TestWorkdir() {
    if (server_) SetSessionOwnerPassword(std::nullopt);
    QDir::setCurrent(previous_);
}

namespace {

struct Connection {
    explicit Connection(const QString& file) {
        if (sqlite3_open(file.toUtf8().constData(), &db) != SQLITE_OK)
            throw std::runtime_error("cannot open the test database");
        sqlite3_busy_timeout(db, 5000);
    }
    ~Connection() { sqlite3_close(db); }
    sqlite3* db = nullptr;
};

// A cell as the file's own text conversion writes it (a float always with a decimal point).
QString FileText(const ResultTable& rows, int c) {
    QString text = QString::fromUtf8(rows.ColumnText(c));
    if (rows.KindOf(c) == ColumnKind::Float && !rows.IsNull(c) && !text.contains(u'.') &&
        !text.contains(u'e') && !text.contains(u'n'))
        text += QStringLiteral(".0");
    return text;
}

}  // namespace

void TestWorkdir::Sql(const QString& statements) const {
    if (beforeAccess) beforeAccess();
    const std::lock_guard turn(DatabaseTurn());  // a writer thread may be retrying
    if (server_) {
        try {
            Database(TestServer()).RunScript(statements);
        } catch (const DatabaseError& error) {
            QTest::qFail(qPrintable(QStringLiteral("SQL failed: ") + error.Message()), __FILE__,
                         __LINE__);
        }
        return;
    }
    Connection c(DatabaseFile());
    char* error = nullptr;
    if (sqlite3_exec(c.db, statements.toUtf8().constData(), nullptr, nullptr, &error) !=
        SQLITE_OK) {
        const QString message = QString::fromUtf8(error ? error : "error");
        sqlite3_free(error);
        QTest::qFail(qPrintable(QStringLiteral("SQL failed: ") + message + QStringLiteral(" in ") +
                                statements),
                     __FILE__, __LINE__);
    }
}

QStringList TestWorkdir::Rows(const QString& query) const {
    if (beforeAccess) beforeAccess();
    const std::lock_guard turn(DatabaseTurn());
    QStringList rows;
    if (server_) {
        try {
            auto table = Database(TestServer()).OpenQuery(query);
            for (; !table->AtEnd(); table->MoveNext()) {
                QStringList cells;
                for (int c = 0; c < table->ColumnCount(); ++c)
                    cells << FileText(*table, c);
                rows << cells.join(u'|');
            }
        } catch (const DatabaseError& error) {
            QTest::qFail(qPrintable(QStringLiteral("query failed: ") + error.Message()), __FILE__,
                         __LINE__);
        }
        return rows;
    }
    Connection c(DatabaseFile());
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(c.db, query.toUtf8().constData(), -1, &statement, nullptr) !=
        SQLITE_OK) {
        QTest::qFail(
            qPrintable(QStringLiteral("query failed: ") + QString::fromUtf8(sqlite3_errmsg(c.db))),
            __FILE__, __LINE__);
        return rows;
    }
    while (sqlite3_step(statement) == SQLITE_ROW) {
        QStringList cells;
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
            cells << (text ? QString::fromUtf8(text) : QString());
        }
        rows << cells.join(u'|');
    }
    sqlite3_finalize(statement);
    return rows;
}

QString TestWorkdir::Scalar(const QString& query) const {
    const QStringList rows = Rows(query);
    return rows.isEmpty() ? QString() : rows.first().section(u'|', 0, 0);
}

void TestWorkdir::RefuseWrites(const QString& name, const QString& event, const QString& table,
                               const QString& condition, const QString& message) const {
    if (beforeAccess) beforeAccess();
    if (!server_) {
        Sql(QStringLiteral("Create Trigger %1 Before %2 On %3 %4 Begin Select Raise(Abort, '%5'); "
                           "End")
                .arg(name, event, table,
                     condition.isEmpty() ? QString() : QStringLiteral("When ") + condition,
                     message));
        return;
    }
    // One statement each: the function's body is dollar-quoted, semicolons included.
    const std::lock_guard turn(DatabaseTurn());
    Database db(TestServer());
    db.RunStatement(
        QStringLiteral("Create Function %1_f() Returns trigger Language plpgsql As $$ "
                       "Begin If %2 Then Raise Exception '%3'; End If; Return new; "
                       "End $$")
            .arg(name, condition.isEmpty() ? QStringLiteral("true") : condition, message));
    db.RunStatement(QStringLiteral("Create Trigger %1 Before %2 On %3 For Each Row Execute "
                                   "Function %1_f()")
                        .arg(name, event, table));
}

void TestWorkdir::DropRefusal(const QString& name, const QString& table) const {
    if (server_)
        Sql(QStringLiteral("Drop Trigger %1 On %2; Drop Function %1_f").arg(name, table));
    else
        Sql(QStringLiteral("Drop Trigger %1").arg(name));
}
