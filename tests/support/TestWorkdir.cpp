#include "support/TestWorkdir.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <sqlite3.h>

#include <stdexcept>

TestWorkdir::TestWorkdir(bool withDatabase) : previous_(QDir::currentPath()) {
    if (!dir_.isValid()) throw std::runtime_error("no temporary directory");
    QDir(dir_.path()).mkpath(QStringLiteral("data"));
    if (withDatabase && !QFile::copy(QStringLiteral(CX_DELIVERED_DB), DatabaseFile()))
        throw std::runtime_error("cannot copy the delivered database");
    QFile::setPermissions(DatabaseFile(), QFile::ReadOwner | QFile::WriteOwner);
    QDir::setCurrent(dir_.path());
}

TestWorkdir::~TestWorkdir() {
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

}  // namespace

void TestWorkdir::Sql(const QString& statements) const {
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
    Connection c(DatabaseFile());
    sqlite3_stmt* statement = nullptr;
    QStringList rows;
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
