// A PostgreSQL server behind Database, through libpq. The process keeps one connection per server
// open (a handler's Database borrows it) and opens it again after a network fault. A statement
// that met a lost connection runs once more on the new one only when running it twice cannot
// matter: a read outside a transaction. A change outside a transaction may have been stored before
// its answer was lost, so it fails (ServerUnreachable, MayHaveCommitted); inside a transaction the
// work before the fault is gone, and the caller's transaction fails.
//
// Nothing waits on the server for longer than kAnswerMs: a server that does not answer (stopped,
// hung, a cut cable) is dropped and reported as unreachable. The server's own limits lie below
// that: a row or turn another connection holds is waited for kLockMs, a statement may run for
// kStatementMs; TCP keep-alives notice a silent peer while idle. A session that stays inside a
// transaction without a statement for kIdleInTransactionMs is ended by the server: a workstation
// frozen mid-transaction (its kernel still answering the keep-alives) would otherwise hold its
// rows for the whole room until it wakes.
#include "data_store/Engine.h"
#include "data_store/ServerLink.h"
#include "data_store/ServerSql.h"

#include <libpq-fe.h>

#include <QElapsedTimer>
#include <QLocale>
#include <cctype>
#include <cerrno>

#include <map>

#include <poll.h>

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

constexpr int kAnswerMs = 5000;
constexpr int kStatementMs = 4000;
constexpr int kLockMs = 3000;
constexpr int kIdleInTransactionMs = 10000;
constexpr int kTurnKey = 7300;  // the advisory lock of the writers' turn

struct Connection {
    PGconn* conn = nullptr;
    bool inTransaction = false;
};

// One open connection per server and thread (the window's thread, the exam journal's writer):
// a libpq connection must never serve two threads at once. Closed when its thread ends.
struct ThreadConnections {
    std::map<QByteArray, Connection> byServer;
    ~ThreadConnections() {
        for (auto& [conninfo, connection] : byServer)
            if (connection.conn) PQfinish(connection.conn);
    }
};

std::map<QByteArray, Connection>& Connections() {
    thread_local ThreadConnections connections;
    return connections.byServer;
}

QString ServerMessage(const PGconn* conn) {
    // libpq's text runs over several indented lines; one line in a message box.
    return QString::fromUtf8(PQerrorMessage(conn)).simplified();
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

// The statement's first word, upper case.
QByteArray FirstWord(const QByteArray& text) {
    const QByteArray trimmed = text.trimmed();
    qsizetype end = 0;
    while (end < trimmed.size() && std::isalpha(static_cast<unsigned char>(trimmed[end])))
        ++end;
    return trimmed.left(end).toUpper();
}

// A statement whose running twice leaves the same database as running it once: a read (not one
// that draws from a sequence) or the start of a transaction.
bool SafeToRepeat(const QByteArray& text) {
    const QByteArray word = FirstWord(text);
    if (word == "BEGIN" || word == "SHOW") return true;
    if (word != "SELECT") return false;
    const QByteArray lower = text.toLower();
    return !lower.contains("nextval(") && !lower.contains("setval(");
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
    void Begin(bool write, qint64 scope) override;
    void EndQuietly() noexcept override;
    [[noreturn]] void RaiseError(const QString& message, const QString& sql) const override;

  private:
    // The statement's result; nullptr when the connection was lost or the server did not answer
    // in time (the connection is then closed and `lost_` says why).
    PGresult* Send(const ServerStatement& statement, const std::vector<const char*>& pointers,
                   const std::vector<int>& lengths, const std::vector<int>& formats);
    PGresult* Execute(const ServerStatement& statement, const SqlValues& values);
    void Connect();
    void Drop(const QString& reason);
    [[noreturn]] void Unreachable(const QString& detail, bool mayHaveCommitted = false) const;
    void Load(const PGresult* result, bool hideRowid, ResultTable& table);

    QByteArray conninfo_;
    QString label_;
    Connection* link_ = nullptr;
    int changed_ = 0;
    int lastCode_ = 0;
    QString lastDetail_;
    QString lost_;
};

std::unique_ptr<Engine> OpenServerEngine(const ServerAddress& address) {
    return std::make_unique<ServerEngine>(address);
}

ServerEngine::ServerEngine(const ServerAddress& address)
    : conninfo_(address.ConnectionString() +
                QByteArray(" options='-c lock_timeout=%1 -c statement_timeout=%2 "
                           "-c idle_in_transaction_session_timeout=%3'")
                    .replace("%1", QByteArray::number(kLockMs))
                    .replace("%2", QByteArray::number(kStatementMs))
                    .replace("%3", QByteArray::number(kIdleInTransactionMs))),
      label_(address.Label()) {
    link_ = &Connections()[conninfo_];
    if (!link_->conn || PQstatus(link_->conn) != CONNECTION_OK) Connect();
}

void ServerEngine::Unreachable(const QString& detail, bool mayHaveCommitted) const {
    throw ServerUnreachable(label_, detail, mayHaveCommitted);
}

void ServerEngine::Connect() {
    if (link_->conn) PQfinish(link_->conn);
    link_->inTransaction = false;
    // connect_timeout bounds the whole attempt, a server that takes the call and never answers too.
    link_->conn = PQconnectdb(conninfo_.constData());
    if (PQstatus(link_->conn) != CONNECTION_OK) {
        const QString reason = ServerMessage(link_->conn);
        PQfinish(link_->conn);
        link_->conn = nullptr;
        Unreachable(reason);
    }
    // The server's notices (what a cascade dropped, …) are not errors; the file has none.
    PQsetNoticeProcessor(
        link_->conn, [](void*, const char*) {}, nullptr);
    PQsetnonblocking(link_->conn, 1);
}

void ServerEngine::Drop(const QString& reason) {
    lost_ = reason;
    // Closing the socket is all: a stopped server cannot take a cancel request either.
    PQfinish(link_->conn);
    link_->conn = nullptr;
    link_->inTransaction = false;
}

void ServerEngine::RaiseError(const QString& message, const QString& sql) const {
    if (lastCode_ != 0 && !lastDetail_.isEmpty())
        throw DatabaseError(message + QStringLiteral(".\rError [%1]: %2.\r\"%3\": %4")
                                          .arg(lastCode_)
                                          .arg(ErrorCodeText(lastCode_), sql, lastDetail_));
    throw DatabaseError(message);
}

PGresult* ServerEngine::Send(const ServerStatement& statement,
                             const std::vector<const char*>& pointers,
                             const std::vector<int>& lengths, const std::vector<int>& formats) {
    PGconn* conn = link_->conn;
    QElapsedTimer clock;
    clock.start();
    // Waits until the socket is ready for `events`; false when the server let kAnswerMs pass.
    auto wait = [&](short events) {
        for (;;) {
            const qint64 left = kAnswerMs - clock.elapsed();
            if (left <= 0) return false;
            pollfd fd{PQsocket(conn), events, 0};
            const int ready = poll(&fd, 1, int(left));
            if (ready > 0) return true;
            if (ready == 0) return false;
            if (errno != EINTR) return true;  // libpq's next call reports the fault
        }
    };
    const QString noAnswer = QStringLiteral("服务器 %1 秒内没有回答").arg(kAnswerMs / 1000);
    if (!PQsendQueryParams(conn, statement.text.constData(), int(pointers.size()), nullptr,
                           pointers.data(), lengths.data(), formats.data(), 0)) {
        Drop(ServerMessage(conn));
        return nullptr;
    }
    for (;;) {
        const int flushed = PQflush(conn);
        if (flushed == 0) break;
        if (flushed < 0) {
            Drop(ServerMessage(conn));
            return nullptr;
        }
        if (!wait(POLLIN | POLLOUT)) {
            Drop(noAnswer);
            return nullptr;
        }
        if (!PQconsumeInput(conn)) {
            Drop(ServerMessage(conn));
            return nullptr;
        }
    }
    PGresult* kept = nullptr;
    for (;;) {
        while (PQisBusy(conn)) {
            if (!wait(POLLIN)) {
                PQclear(kept);
                Drop(noAnswer);
                return nullptr;
            }
            if (!PQconsumeInput(conn)) break;
        }
        PGresult* result = PQgetResult(conn);
        if (!result) break;
        // The last result answers; an error among several is kept over what follows it.
        if (kept && PQresultStatus(kept) == PGRES_FATAL_ERROR)
            PQclear(result);
        else {
            PQclear(kept);
            kept = result;
        }
        if (PQstatus(conn) != CONNECTION_OK) break;
    }
    if (PQstatus(conn) != CONNECTION_OK) {
        const QString reason = kept ? PrimaryMessage(kept, conn) : ServerMessage(conn);
        PQclear(kept);
        Drop(reason);
        return nullptr;
    }
    return kept;
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
    const bool inTransaction = link_->inTransaction;
    // A connection the server has closed meanwhile (a restart tells so before it goes) is seen
    // before anything is sent, and opened again: nothing of this statement reached the server.
    if (link_->conn && !inTransaction) PQconsumeInput(link_->conn);
    if (!link_->conn || PQstatus(link_->conn) != CONNECTION_OK) {
        if (inTransaction) {
            Drop(link_->conn ? ServerMessage(link_->conn) : lost_);
            Unreachable(lost_);
        }
        Connect();
    }
    for (int attempt = 0;; ++attempt) {
        if (PGresult* result = Send(statement, pointers, lengths, formats)) {
            link_->inTransaction = PQtransactionStatus(link_->conn) != PQTRANS_IDLE;
            return result;
        }
        const QByteArray word = FirstWord(statement.text);
        const bool ends = word == "COMMIT" || word == "END";
        if (inTransaction && !ends) Unreachable(lost_);  // the work before the fault is gone
        // A change (or the COMMIT of one) whose answer was lost may have been stored.
        if (ends || !SafeToRepeat(statement.text) || attempt > 0)
            Unreachable(lost_, ends || !SafeToRepeat(statement.text));
        Connect();
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
        // A COMMIT of a transaction that had already failed is answered "ROLLBACK": nothing of it
        // was stored, whatever the caller made of the failure on the way.
        const QByteArray word = FirstWord(statement.text);
        if ((word == "COMMIT" || word == "END") &&
            QByteArray(PQcmdStatus(guard.result)) == "ROLLBACK") {
            lastCode_ = 1;
            lastDetail_ =
                QStringLiteral("the transaction was rolled back: a statement in it had failed");
            RaiseError(QStringLiteral("Error executing SQL statement"), sql);
        }
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

void ServerEngine::Begin(bool write, qint64 scope) {
    if (!write) {
        Run(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ"), {}, nullptr);
        return;
    }
    Run(QStringLiteral("BEGIN"), {}, nullptr);
    // Writing transactions take their turn, as on the file (BEGIN IMMEDIATE): a renumbering never
    // meets another one half-way. A transaction of one scope shares the turn with those of other
    // scopes and waits only for its own scope's and for the writers of the whole database, which
    // wait for all of them. The locks end with the transaction.
    ResultTable ignored;
    if (scope == 0)
        Run(QStringLiteral("Select pg_advisory_xact_lock(%1)").arg(kTurnKey), {}, &ignored);
    else
        Run(QStringLiteral("Select pg_advisory_xact_lock_shared(%1), pg_advisory_xact_lock(%1, %2)")
                .arg(kTurnKey)
                .arg(scope % 2147483647),
            {}, &ignored);
}

void ServerEngine::EndQuietly() noexcept {
    if (!link_->conn || !link_->inTransaction) return;
    try {
        Run(QStringLiteral("ROLLBACK"), {}, nullptr);
    } catch (const DatabaseError&) {
        // A lost connection has ended the transaction on the server already.
    }
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
