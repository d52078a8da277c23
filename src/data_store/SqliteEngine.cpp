// The SQLite file behind Database: the behaviour and messages the windows were written against.
#include "data_store/Engine.h"

#include <sqlite3.h>

#include <cstring>

namespace {

// Finalizes a statement on every path out of a scope.
struct StatementGuard {
    sqlite3_stmt* statement;
    ~StatementGuard() { sqlite3_finalize(statement); }
};

ColumnKind KindFromDeclaredType(const char* declared) {
    // The declared type is compared as a whole and with exact letter case.
    if (!std::strcmp(declared, "INTEGER") || !std::strcmp(declared, "BOOLEAN"))
        return ColumnKind::Integer;
    if (!std::strcmp(declared, "NUMERIC") || !std::strcmp(declared, "FLOAT") ||
        !std::strcmp(declared, "DOUBLE") || !std::strcmp(declared, "REAL"))
        return ColumnKind::Float;
    if (!std::strcmp(declared, "BLOB")) return ColumnKind::Blob;
    return ColumnKind::Text;
}

// Waiting for a file another workstation has locked. SQLite's own busy timeout sleeps in steps
// growing to 100 ms, so a write that meets another one (a few milliseconds of fsync) often waits
// 10-50 ms longer than the lock was held. The first 200 tries poll every millisecond; later ones
// every 10 ms, up to the connection's time budget.
int WaitForLock(void* budgetMs, int tries) {
    constexpr int kFastTries = 200;
    const long waited = tries <= kFastTries ? tries : kFastTries + (tries - kFastTries) * 10L;
    if (waited >= *static_cast<const int*>(budgetMs)) return 0;
    sqlite3_sleep(tries < kFastTries ? 1 : 10);
    return 1;
}

}  // namespace

class SqliteEngine final : public Engine {
  public:
    SqliteEngine(const QString& fileName, int busyTimeoutMs, Database::ConnectionHook hook);
    ~SqliteEngine() override {
        if (handle_) sqlite3_close_v2(handle_);
    }
    void Run(const QString& sql, const SqlValues& values, ResultTable* into) override;
    void RunScript(const QString& sql) override;
    int ChangedRows() const override { return sqlite3_changes(handle_); }
    void Begin(bool write, qint64) override {  // the file has one lock, whatever the scope
        Run(write ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"), {}, nullptr);
    }
    void EndQuietly() noexcept override {
        sqlite3_exec(handle_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    [[noreturn]] void RaiseError(const QString& message, const QString& sql) const override;
    sqlite3* Handle() const override { return handle_; }

  private:
    sqlite3_stmt* Prepare(const QByteArray& sql, const QString& text, const SqlValues& values);
    void Load(sqlite3_stmt* statement, const QString& sql, ResultTable& table);

    sqlite3* handle_ = nullptr;
    int busyTimeoutMs_ = 0;
};

std::unique_ptr<Engine> OpenSqliteEngine(const QString& fileName, int busyTimeoutMs,
                                         Database::ConnectionHook hook) {
    return std::make_unique<SqliteEngine>(fileName, busyTimeoutMs, hook);
}

SqliteEngine::SqliteEngine(const QString& fileName, int busyTimeoutMs,
                           Database::ConnectionHook hook) {
    const QByteArray name = fileName.toUtf8();
    sqlite3* handle = nullptr;
    if (sqlite3_open(name.constData(), &handle) != SQLITE_OK) {
        QString message;
        if (!handle) {
            message =
                QStringLiteral("Failed to open database \"%1\" : unknown error").arg(fileName);
        } else {
            message = QStringLiteral("Failed to open database \"%1\" : %2")
                          .arg(fileName, QString::fromUtf8(sqlite3_errmsg(handle)));
            sqlite3_close(handle);
        }
        throw DatabaseError(message);
    }
    handle_ = handle;
    busyTimeoutMs_ = busyTimeoutMs;
    if (busyTimeoutMs > 0) sqlite3_busy_handler(handle_, WaitForLock, &busyTimeoutMs_);
    if (hook) hook(handle_);
}

void SqliteEngine::RaiseError(const QString& message, const QString& sql) const {
    const int code = sqlite3_errcode(handle_);
    if (code != SQLITE_OK) {
        const QString detail = QString::fromUtf8(sqlite3_errmsg(handle_));
        if (!detail.isEmpty())
            throw DatabaseError(message + QStringLiteral(".\rError [%1]: %2.\r\"%3\": %4")
                                              .arg(code)
                                              .arg(ErrorCodeText(code), sql, detail));
    }
    throw DatabaseError(message);
}

sqlite3_stmt* SqliteEngine::Prepare(const QByteArray& sql, const QString& text,
                                    const SqlValues& values) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(handle_, sql.constData(), int(sql.size()), &statement, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(statement);
        RaiseError(QStringLiteral("Error executing SQL"), text);
    }
    if (!statement) RaiseError(QStringLiteral("Could not prepare SQL statement"), text);
    StatementGuard guard{statement};
    for (qsizetype i = 0; i < values.size(); ++i) {
        const int index = int(i) + 1;
        int rc = SQLITE_OK;
        const SqlValue& value = values[i];
        if (std::holds_alternative<std::nullptr_t>(value)) {
            rc = sqlite3_bind_null(statement, index);
        } else if (const qint64* integer = std::get_if<qint64>(&value)) {
            rc = sqlite3_bind_int64(statement, index, *integer);
        } else if (const double* number = std::get_if<double>(&value)) {
            rc = sqlite3_bind_double(statement, index, *number);
        } else if (const QByteArray* blob = std::get_if<QByteArray>(&value)) {
            rc = sqlite3_bind_blob64(statement, index, blob->constData(),
                                     sqlite3_uint64(blob->size()), SQLITE_TRANSIENT);
        } else {
            const QByteArray bytes = std::get<QString>(value).toUtf8();
            rc = sqlite3_bind_text(statement, index, bytes.constData(), int(bytes.size()),
                                   SQLITE_TRANSIENT);
        }
        if (rc != SQLITE_OK) RaiseError(QStringLiteral("Error executing SQL"), text);
    }
    guard.statement = nullptr;
    return statement;
}

void SqliteEngine::Run(const QString& sql, const SqlValues& values, ResultTable* into) {
    StatementGuard guard{Prepare(sql.toUtf8(), sql, values)};
    if (into) return Load(guard.statement, sql, *into);
    if (sqlite3_step(guard.statement) != SQLITE_DONE) {
        sqlite3_reset(guard.statement);
        RaiseError(QStringLiteral("Error executing SQL statement"), sql);
    }
}

void SqliteEngine::RunScript(const QString& sql) {
    char* error = nullptr;
    if (sqlite3_exec(handle_, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        sqlite3_free(error);
        RaiseError(QStringLiteral("Error executing SQL"), sql);
    }
}

void SqliteEngine::Load(sqlite3_stmt* statement, const QString& sql, ResultTable& table) {
    for (;;) {
        const int rc = sqlite3_step(statement);
        if (rc == SQLITE_DONE) break;
        if (rc == SQLITE_BUSY)
            throw DatabaseError(QStringLiteral("Could not prepare SQL statement"));
        if (rc != SQLITE_ROW) {
            sqlite3_reset(statement);
            RaiseError(QStringLiteral("Could not retrieve data"), sql);
        }
        if (table.rowCount_ == 0) {
            table.columnCount_ = sqlite3_column_count(statement);
            for (int c = 0; c < table.columnCount_; ++c) {
                table.names_.append(QString::fromUtf8(sqlite3_column_name(statement, c)).toUpper());
                const char* declared = sqlite3_column_decltype(statement, c);
                table.kinds_.push_back(declared ? KindFromDeclaredType(declared)
                                                : ColumnKind(sqlite3_column_type(statement, c)));
            }
        }
        ++table.rowCount_;
        for (int c = 0; c < table.columnCount_; ++c) {
            ResultTable::Cell cell;
            if (sqlite3_column_type(statement, c) != SQLITE_NULL) {
                cell.present = true;
                switch (table.kinds_[size_t(c)]) {
                    case ColumnKind::Integer:
                        cell.value = qint64(sqlite3_column_int64(statement, c));
                        break;
                    case ColumnKind::Float:
                        cell.value = sqlite3_column_double(statement, c);
                        break;
                    case ColumnKind::Blob: {
                        const int size = sqlite3_column_bytes(statement, c);
                        const void* bytes = sqlite3_column_blob(statement, c);
                        if (size == 0)
                            cell.present = false;
                        else
                            cell.value = QByteArray(static_cast<const char*>(bytes), size);
                        break;
                    }
                    default: {
                        const char* text =
                            reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
                        cell.value = QByteArray(text ? text : "");  // cut at the first zero byte
                        break;
                    }
                }
            }
            table.cells_.push_back(std::move(cell));
        }
    }
    table.current_ = 0;
}
