#include "data_store/Database.h"

#include "data_store/Conversions.h"

#include <sqlite3.h>

#include <cstring>

DatabaseError::DatabaseError(const QString& message)
    : std::runtime_error(message.toUtf8().toStdString()) {}

QString ErrorCodeText(int code) {
    switch (code) {
        case 0:
            return QStringLiteral("Successful result");
        case 1:
            return QStringLiteral("SQL error or missing database");
        case 2:
            return QStringLiteral("An internal logic error in SQLite");
        case 3:
            return QStringLiteral("Access permission denied");
        case 4:
            return QStringLiteral("Callback routine requested an abort");
        case 5:
            return QStringLiteral("The database file is locked");
        case 6:
            return QStringLiteral("A table in the database is locked");
        case 7:
            return QStringLiteral("A malloc() failed");
        case 8:
            return QStringLiteral("Attempt to write a readonly database");
        case 9:
            return QStringLiteral("Operation terminated by sqlite3_interrupt()");
        case 10:
            return QStringLiteral("Some kind of disk I/O error occurred");
        case 11:
            return QStringLiteral("The database disk image is malformed");
        case 12:
            return QStringLiteral("(Internal Only) Table or record not found");
        case 13:
            return QStringLiteral("Insertion failed because database is full");
        case 14:
            return QStringLiteral("Unable to open the database file");
        case 15:
            return QStringLiteral("Database lock protocol error");
        case 16:
            return QStringLiteral("Database is empty");
        case 17:
            return QStringLiteral("The database schema changed");
        case 18:
            return QStringLiteral("Too much data for one row of a table");
        case 19:
            return QStringLiteral("Abort due to contraint violation");
        case 20:
            return QStringLiteral("Data type mismatch");
        case 21:
            return QStringLiteral("Library used incorrectly");
        case 22:
            return QStringLiteral("Uses OS features not supported on host");
        case 23:
            return QStringLiteral("Authorization denied");
        case 24:
            return QStringLiteral("Auxiliary database format error");
        case 25:
            return QStringLiteral("2nd parameter to sqlite3_bind out of range");
        case 26:
            return QStringLiteral("File opened that is not a database file");
        case 100:
            return QStringLiteral("sqlite3_step() has another row ready");
        case 101:
            return QStringLiteral("sqlite3_step() has finished executing");
        default:
            return QStringLiteral("Unknown SQLite Error Code \"%1\"").arg(code);
    }
}

// ---------------------------------------------------------------------------------------------
// ResultTable

namespace {
const QString kAtEnd = QStringLiteral("Table is at End of File");
}

int ResultTable::ColumnIndexOf(const QString& name) const {
    if (names_.isEmpty())
        throw DatabaseError(QStringLiteral("Field ") + name +
                            QStringLiteral(" Not found. Empty dataset"));
    const QString wanted = name.toUpper();
    const qsizetype index = names_.indexOf(wanted);
    if (index < 0) throw DatabaseError(QStringLiteral("Field not found in dataset: ") + name);
    return int(index);
}

const ResultTable::Cell& ResultTable::CurrentCell(int column) const {
    if (AtEnd()) throw DatabaseError(kAtEnd);
    if (column < 0 || column >= columnCount_)
        throw DatabaseError(QStringLiteral("Column index out of range: %1").arg(column));
    return cells_[size_t(current_) * size_t(columnCount_) + size_t(column)];
}

QByteArray ResultTable::ColumnText(int column) const {
    const Cell& cell = CurrentCell(column);
    if (!cell.present) return QByteArray();
    switch (kinds_[size_t(column)]) {
        case ColumnKind::Integer:
            return QByteArray::number(std::get<qint64>(cell.value));
        case ColumnKind::Float:
            return FormatGeneral(std::get<double>(cell.value)).toLatin1();
        case ColumnKind::Null:
            return QByteArray();
        case ColumnKind::Text:
        case ColumnKind::Blob:
            return std::get<QByteArray>(cell.value);
    }
    return QByteArray();
}

qint64 ResultTable::ColumnAsInt64(int column) const {
    const Cell& cell = CurrentCell(column);
    if (!cell.present) return 0;
    switch (kinds_[size_t(column)]) {
        case ColumnKind::Integer:
            return std::get<qint64>(cell.value);
        case ColumnKind::Float:
            return qint64(std::get<double>(cell.value));
        default:
            throw DatabaseError(QStringLiteral("Not an integer or numeric field"));
    }
}

double ResultTable::ColumnAsFloat(int column) const {
    const Cell& cell = CurrentCell(column);
    if (!cell.present) return 0;
    switch (kinds_[size_t(column)]) {
        case ColumnKind::Integer:
            return double(std::get<qint64>(cell.value));
        case ColumnKind::Float:
            return std::get<double>(cell.value);
        default:
            throw DatabaseError(QStringLiteral("Not an integer or numeric field"));
    }
}

const QByteArray* ResultTable::ColumnBlob(int column) const {
    const Cell& cell = CurrentCell(column);
    if (!cell.present) return nullptr;
    if (kinds_[size_t(column)] != ColumnKind::Blob)
        throw DatabaseError(QStringLiteral("Not a Blob field"));
    return &std::get<QByteArray>(cell.value);
}

QString ResultTable::Value(const QString& columnName) const {
    return DecodeUtf8(ColumnText(ColumnIndexOf(columnName)));
}

bool ResultTable::MoveNext() {
    if (AtEnd()) return false;
    ++current_;
    return true;
}

bool ResultTable::MoveLast() {
    if (rowCount_ == 0) return false;
    current_ = rowCount_ - 1;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Database

namespace {

// Finalizes a statement on every path out of a scope.
struct StatementGuard {
    sqlite3_stmt* statement;
    ~StatementGuard() { sqlite3_finalize(statement); }
};

Database::ConnectionHook connectionHook = nullptr;

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

}  // namespace

Database::Database(const QString& fileName, int busyTimeoutMs) {
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
    if (busyTimeoutMs > 0) sqlite3_busy_timeout(handle_, busyTimeoutMs);
    if (connectionHook) connectionHook(handle_);
}

void Database::SetConnectionHook(ConnectionHook hook) {
    connectionHook = hook;
}

Database::~Database() {
    if (handle_) sqlite3_close_v2(handle_);
}

void Database::RaiseError(const QString& message, const QString& sql) const {
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

sqlite3_stmt* Database::Prepare(const QByteArray& sql, const QString& text,
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

void Database::RunStatement(const QString& sql) {
    RunStatement(sql, {});
}

void Database::RunStatement(const QString& sql, const SqlValues& values) {
    StatementGuard guard{Prepare(sql.toUtf8(), sql, values)};
    if (sqlite3_step(guard.statement) != SQLITE_DONE) {
        sqlite3_reset(guard.statement);
        RaiseError(QStringLiteral("Error executing SQL statement"), sql);
    }
}

std::unique_ptr<ResultTable> Database::OpenQuery(const QString& sql) {
    return OpenQuery(sql, {});
}

std::unique_ptr<ResultTable> Database::OpenQuery(const QString& sql, const SqlValues& values) {
    StatementGuard guard{Prepare(sql.toUtf8(), sql, values)};
    sqlite3_stmt* statement = guard.statement;
    auto table = std::make_unique<ResultTable>();
    for (;;) {
        const int rc = sqlite3_step(statement);
        if (rc == SQLITE_DONE) break;
        if (rc == SQLITE_BUSY)
            throw DatabaseError(QStringLiteral("Could not prepare SQL statement"));
        if (rc != SQLITE_ROW) {
            sqlite3_reset(statement);
            RaiseError(QStringLiteral("Could not retrieve data"), sql);
        }
        if (table->rowCount_ == 0) {
            table->columnCount_ = sqlite3_column_count(statement);
            for (int c = 0; c < table->columnCount_; ++c) {
                table->names_.append(
                    QString::fromUtf8(sqlite3_column_name(statement, c)).toUpper());
                const char* declared = sqlite3_column_decltype(statement, c);
                table->kinds_.push_back(declared ? KindFromDeclaredType(declared)
                                                 : ColumnKind(sqlite3_column_type(statement, c)));
            }
        }
        ++table->rowCount_;
        for (int c = 0; c < table->columnCount_; ++c) {
            ResultTable::Cell cell;
            if (sqlite3_column_type(statement, c) != SQLITE_NULL) {
                cell.present = true;
                switch (table->kinds_[size_t(c)]) {
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
            table->cells_.push_back(std::move(cell));
        }
    }
    table->current_ = 0;
    return table;
}

int Database::ChangedRows() const {
    return sqlite3_changes(handle_);
}

// ---------------------------------------------------------------------------------------------
// Transaction

Transaction::Transaction(Database& db) : db_(db) {
    db_.RunStatement(QStringLiteral("BEGIN IMMEDIATE"));
}

Transaction::~Transaction() {
    if (open_) sqlite3_exec(db_.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

ReadTransaction::ReadTransaction(Database& db) : db_(db) {
    db_.RunStatement(QStringLiteral("BEGIN"));
}

ReadTransaction::~ReadTransaction() {
    // Nothing was written: ending it cannot lose anything, and a failed read has been reported.
    sqlite3_exec(db_.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::Commit() {
    db_.RunStatement(QStringLiteral("COMMIT"));
    open_ = false;
}
