// A PostgreSQL server behind Database, through libpq. The process keeps one connection per server
// open (a handler's Database borrows it), re-establishes it after a network fault and runs a
// statement that met a lost connection once more on the new one, never twice and never inside a
// transaction: there the work done before the fault is gone, and the caller's transaction fails.
#include "data_store/Engine.h"
#include "data_store/ServerLink.h"
#include "data_store/ServerSql.h"

#include <libpq-fe.h>

#include <QLocale>

#include <map>

namespace {

// PostgreSQL type numbers (pg_type.oid) the layer reads as integers, floats or bytes.
enum : Oid { kBool = 16, kBytea = 17, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26 };
enum : Oid { kFloat4 = 700, kFloat8 = 701, kNumeric = 1700 };

ColumnKind KindOf(Oid type) {
    switch (type) {
        case kBool:
        case kInt8:
        case kInt2:
        case kInt4:
        case kOid:
            return ColumnKind::Integer;
        case kFloat4:
        case kFloat8:
        case kNumeric:
            return ColumnKind::Float;
        case kBytea:
            return ColumnKind::Blob;
        default:
            return ColumnKind::Text;
    }
}

struct Connection {
    PGconn* conn = nullptr;
    bool inTransaction = false;
};

// One open connection per server for the whole process (the program has one thread).
// Never destroyed: the connections stay open until the process ends (the server notices).
std::map<QByteArray, Connection>& Connections() {
    static auto* connections = new std::map<QByteArray, Connection>;
    return *connections;
}

QString ServerMessage(const PGconn* conn) {
    return QString::fromUtf8(PQerrorMessage(conn)).trimmed();
}

// The server's sentence without libpq's "ERROR:" / "FATAL:" heads and second lines.
QString PrimaryMessage(const PGresult* result, const PGconn* conn) {
    if (result) {
        if (const char* primary = PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY))
            return QString::fromUtf8(primary);
    }
    return ServerMessage(conn);
}

// The SQLite result code the message names for the server's SQLSTATE.
int CodeFor(const QByteArray& state) {
    if (state.startsWith("23")) return 19;                                   // constraint violation
    if (state == "55P03" || state == "40P01" || state == "40001") return 5;  // locked
    return 1;
}

struct ResultGuard {
    PGresult* result;
    ~ResultGuard() { PQclear(result); }
};

}  // namespace

class ServerEngine final : public Engine {
  public:
    explicit ServerEngine(const ServerAddress& address);
    void Run(const QString& sql, const SqlValues& values, ResultTable* into) override;
    void RunScript(const QString& sql) override;
    int ChangedRows() const override { return changed_; }
    void Begin(bool write) override;
    void EndQuietly() noexcept override;
    [[noreturn]] void RaiseError(const QString& message, const QString& sql) const override;

  private:
    PGresult* Execute(const ServerStatement& statement, const SqlValues& values);
    void Reconnect();
    void Load(const PGresult* result, bool hideRowid, ResultTable& table);

    QString label_;
    Connection* link_ = nullptr;
    int changed_ = 0;
    int lastCode_ = 0;
    QString lastDetail_;
};

std::unique_ptr<Engine> OpenServerEngine(const ServerAddress& address) {
    return std::make_unique<ServerEngine>(address);
}

ServerEngine::ServerEngine(const ServerAddress& address) : label_(address.Label()) {
    const QByteArray conninfo =
        address.ConnectionString() + " options='-c lock_timeout=10000'";  // the busy timeout
    Connection& link = Connections()[conninfo];
    if (!link.conn || PQstatus(link.conn) != CONNECTION_OK) {
        if (link.conn) PQfinish(link.conn);
        link = Connection{PQconnectdb(conninfo.constData()), false};
        if (PQstatus(link.conn) != CONNECTION_OK) {
            const QString reason = ServerMessage(link.conn);
            PQfinish(link.conn);
            link.conn = nullptr;
            throw DatabaseError(
                QStringLiteral("Failed to open database \"%1\" : %2").arg(label_, reason));
        }
        // The server's notices (what a cascade dropped, …) are not errors; the file has none.
        PQsetNoticeProcessor(
            link.conn, [](void*, const char*) {}, nullptr);
    }
    link_ = &link;
}

void ServerEngine::Reconnect() {
    PQreset(link_->conn);
    link_->inTransaction = false;
}

void ServerEngine::RaiseError(const QString& message, const QString& sql) const {
    if (lastCode_ != 0 && !lastDetail_.isEmpty())
        throw DatabaseError(message + QStringLiteral(".\rError [%1]: %2.\r\"%3\": %4")
                                          .arg(lastCode_)
                                          .arg(ErrorCodeText(lastCode_), sql, lastDetail_));
    throw DatabaseError(message);
}

PGresult* ServerEngine::Execute(const ServerStatement& statement, const SqlValues& values) {
    std::vector<QByteArray> texts(size_t(values.size()));
    std::vector<const char*> pointers(size_t(values.size()), nullptr);
    // Bytes go in binary form (bytea), everything else as text.
    std::vector<int> lengths(size_t(values.size()), 0), formats(size_t(values.size()), 0);
    for (qsizetype i = 0; i < values.size(); ++i) {
        const SqlValue& value = values[i];
        if (std::holds_alternative<std::nullptr_t>(value)) continue;
        if (const qint64* integer = std::get_if<qint64>(&value))
            texts[size_t(i)] = QByteArray::number(*integer);
        else if (const double* number = std::get_if<double>(&value))
            texts[size_t(i)] = QByteArray::number(*number, 'g', QLocale::FloatingPointShortest);
        else if (const QByteArray* blob = std::get_if<QByteArray>(&value)) {
            texts[size_t(i)] = *blob;
            lengths[size_t(i)] = int(blob->size());
            formats[size_t(i)] = 1;
        } else
            texts[size_t(i)] = std::get<QString>(value).toUtf8();
        pointers[size_t(i)] = texts[size_t(i)].constData();
    }
    // A connection found broken before anything was sent is simply opened again.
    if (PQstatus(link_->conn) != CONNECTION_OK && !link_->inTransaction) Reconnect();
    for (int attempt = 0;; ++attempt) {
        const bool retryable = !link_->inTransaction && attempt == 0;
        PGresult* result =
            PQexecParams(link_->conn, statement.text.constData(), int(values.size()), nullptr,
                         pointers.data(), lengths.data(), formats.data(), 0);
        if (PQstatus(link_->conn) == CONNECTION_OK) {
            link_->inTransaction = PQtransactionStatus(link_->conn) != PQTRANS_IDLE;
            return result;
        }
        if (!retryable) {
            link_->inTransaction = false;  // the server ended it with the connection
            return result;
        }
        PQclear(result);
        Reconnect();
    }
}

void ServerEngine::Run(const QString& sql, const SqlValues& values, ResultTable* into) {
    const ServerStatement statement = ForServer(sql);
    ResultGuard guard{Execute(statement, values)};
    const ExecStatusType status = PQresultStatus(guard.result);
    lastCode_ = 0;
    lastDetail_.clear();
    if (status == PGRES_EMPTY_QUERY)
        RaiseError(QStringLiteral("Could not prepare SQL statement"), sql);
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
        changed_ = QByteArray(PQcmdTuples(guard.result)).toInt();
        if (into) return Load(guard.result, statement.hideRowid, *into);
        // As the file does: a statement that yields rows fails when it is run as a statement.
        if (status == PGRES_TUPLES_OK && PQntuples(guard.result) > 0)
            RaiseError(QStringLiteral("Error executing SQL statement"), sql);
        return;
    }
    const QByteArray state = guard.result ? PQresultErrorField(guard.result, PG_DIAG_SQLSTATE) : "";
    lastCode_ = CodeFor(state);
    lastDetail_ = PrimaryMessage(guard.result, link_->conn);
    // Errors the file reports when it prepares a statement (syntax, unknown names) keep its words.
    if (state.startsWith("42") || state.startsWith("0A"))
        RaiseError(QStringLiteral("Error executing SQL"), sql);
    RaiseError(into ? QStringLiteral("Could not retrieve data")
                    : QStringLiteral("Error executing SQL statement"),
               sql);
}

void ServerEngine::RunScript(const QString& sql) {
    for (const QString& statement : SplitScript(sql))
        Run(statement, {}, nullptr);
}

void ServerEngine::Begin(bool write) {
    if (!write) {
        Run(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ"), {}, nullptr);
        return;
    }
    Run(QStringLiteral("BEGIN"), {}, nullptr);
    // Writing transactions take their turn, as on the file (BEGIN IMMEDIATE): a renumbering never
    // meets another one half-way. The lock ends with the transaction.
    ResultTable ignored;
    Run(QStringLiteral("Select pg_advisory_xact_lock(7300)"), {}, &ignored);
}

void ServerEngine::EndQuietly() noexcept {
    PQclear(PQexec(link_->conn, "ROLLBACK"));
    link_->inTransaction = false;
}

void ServerEngine::Load(const PGresult* result, bool hideRowid, ResultTable& table) {
    const int rows = PQntuples(result);
    if (rows == 0) return;  // as on the file: no names, no kinds
    std::vector<int> fields;
    for (int f = 0; f < PQnfields(result); ++f) {
        const QString name = QString::fromUtf8(PQfname(result, f)).toUpper();
        if (hideRowid && name == QStringLiteral("ROWID")) continue;
        fields.push_back(f);
        table.names_.append(name);
        table.kinds_.push_back(KindOf(PQftype(result, f)));
    }
    table.columnCount_ = int(fields.size());
    table.rowCount_ = rows;
    table.cells_.reserve(size_t(rows) * fields.size());
    for (int r = 0; r < rows; ++r) {
        for (size_t c = 0; c < fields.size(); ++c) {
            const int f = fields[c];
            ResultTable::Cell cell;
            if (!PQgetisnull(result, r, f)) {
                cell.present = true;
                const char* text = PQgetvalue(result, r, f);
                switch (table.kinds_[c]) {
                    case ColumnKind::Integer:
                        cell.value = PQftype(result, f) == kBool
                                         ? qint64(text[0] == 't')
                                         : qint64(std::strtoll(text, nullptr, 10));
                        break;
                    case ColumnKind::Float:
                        cell.value = std::strtod(text, nullptr);
                        break;
                    case ColumnKind::Blob: {
                        size_t size = 0;
                        unsigned char* bytes =
                            PQunescapeBytea(reinterpret_cast<const unsigned char*>(text), &size);
                        if (size == 0)
                            cell.present = false;
                        else
                            cell.value =
                                QByteArray(reinterpret_cast<const char*>(bytes), qsizetype(size));
                        PQfreemem(bytes);
                        break;
                    }
                    default:
                        cell.value = QByteArray(text);
                        break;
                }
            }
            table.cells_.push_back(std::move(cell));
        }
    }
    table.current_ = 0;
}
