#include "data_store/Database.h"

#include "data_store/Conversions.h"
#include "data_store/Engine.h"
#include "data_store/ServerLink.h"

DatabaseError::DatabaseError(const QString& message)
    : std::runtime_error(message.toUtf8().toStdString()) {}

ServerUnreachable::ServerUnreachable(const QString& server, const QString& detail,
                                     bool mayHaveCommitted)
    : DatabaseError(QStringLiteral("无法连接考试服务器 %1。\n%2").arg(server, detail)),
      server_(server),
      detail_(detail),
      mayHaveCommitted_(mayHaveCommitted) {}

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

ResultTable ResultTable::FromTexts(const QStringList& names,
                                   const std::vector<std::vector<std::optional<QString>>>& rows) {
    ResultTable table;
    if (rows.empty()) return table;  // as from a query: no rows, no column names
    for (const QString& name : names)
        table.names_ << name.toUpper();
    table.columnCount_ = int(names.size());
    table.rowCount_ = int(rows.size());
    table.kinds_.assign(names.size(), ColumnKind::Text);
    table.cells_.reserve(rows.size() * size_t(names.size()));
    for (const auto& row : rows)
        for (qsizetype c = 0; c < names.size(); ++c) {
            Cell cell;
            if (size_t(c) < row.size() && row[size_t(c)]) {
                cell.present = true;
                cell.value = row[size_t(c)]->toUtf8();
            }
            table.cells_.push_back(std::move(cell));
        }
    return table;
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
// Database: the engine the file stands for

namespace {
Database::ConnectionHook connectionHook = nullptr;
}

Database::Database(const QString& fileName, int busyTimeoutMs, Target target) {
    engine_ = OpenSqliteEngine(fileName, busyTimeoutMs, connectionHook);
    if (target == Target::LocalFile) return;
    if (std::optional<ServerSettings> settings = ServerSettingsIn(engine_->Handle())) {
        engine_.reset();  // the file has said where the data is; it is not needed any more
        engine_ = OpenServerEngine(ConnectionFor(*settings));
    }
}

Database::Database(const ServerAddress& server) : engine_(OpenServerEngine(server)) {}

Database::~Database() = default;

void Database::SetConnectionHook(ConnectionHook hook) {
    connectionHook = hook;
}

void Database::RaiseError(const QString& message, const QString& sql) const {
    engine_->RaiseError(message, sql);
    throw DatabaseError(message);  // not reached: every engine raises
}

void Database::RunStatement(const QString& sql) {
    engine_->Run(sql, {}, nullptr);
}

void Database::RunStatement(const QString& sql, const SqlValues& values) {
    engine_->Run(sql, values, nullptr);
}

std::unique_ptr<ResultTable> Database::OpenQuery(const QString& sql) {
    return OpenQuery(sql, {});
}

std::unique_ptr<ResultTable> Database::OpenQuery(const QString& sql, const SqlValues& values) {
    auto table = std::make_unique<ResultTable>();
    engine_->Run(sql, values, table.get());
    return table;
}

void Database::RunScript(const QString& sql) {
    engine_->RunScript(sql);
}

int Database::ChangedRows() const {
    return engine_->ChangedRows();
}

bool Database::OnServer() const {
    return engine_->Handle() == nullptr;
}

sqlite3* Database::Handle() const {
    return engine_->Handle();
}

void Database::Begin(bool write, qint64 scope) {
    engine_->Begin(write, scope);
}

void Database::EndQuietly() noexcept {
    engine_->EndQuietly();
}

// ---------------------------------------------------------------------------------------------
// Transaction

Transaction::Transaction(Database& db) : db_(db) {
    db_.Begin(true, 0);
}

Transaction::Transaction(Database& db, Scope scope) : db_(db) {
    db_.Begin(true, scope.key);
}

Transaction::~Transaction() {
    if (open_) db_.EndQuietly();
}

void Transaction::Commit() {
    db_.RunStatement(QStringLiteral("COMMIT"));
    open_ = false;
}

ReadTransaction::ReadTransaction(Database& db) : db_(db) {
    db_.Begin(false, 0);
}

ReadTransaction::~ReadTransaction() {
    // Nothing was written: ending it cannot lose anything, and a failed read has been reported.
    db_.EndQuietly();
}
