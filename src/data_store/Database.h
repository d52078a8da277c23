// The access layer: a connection (Database), the complete in-memory result of one query
// (ResultTable) and the layer's only exception (DatabaseError). Every handler opens its own
// connection, reads and writes, and lets it go before it returns. Underneath is an engine: the
// SQLite file, or the PostgreSQL server that file names (ServerLink.h); callers cannot tell which.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <variant>
#include <vector>

struct sqlite3;
class Engine;
struct ServerAddress;

class DatabaseError : public std::runtime_error {
  public:
    explicit DatabaseError(const QString& message);
    QString Message() const { return QString::fromUtf8(what()); }
};

// The exam server cannot be reached: refused or timed-out connection, a connection lost mid-
// statement, no answer within the time a live server answers in, or a local file that names a
// server whose settings cannot be read. Never answered by using the local file instead. The
// message is the program's own sentence with the server's text as its detail.
class ServerUnreachable : public DatabaseError {
  public:
    ServerUnreachable(const QString& server, const QString& detail, bool mayHaveCommitted = false);
    // "user@host:port/database", or the file whose settings could not be read.
    const QString& Server() const { return server_; }
    // The server's (or the file's) own words.
    const QString& Detail() const { return detail_; }
    // A change sent outside a transaction, or a COMMIT, whose answer was lost: the server may have
    // stored it. Whoever sends it again must be able to send it twice.
    bool MayHaveCommitted() const { return mayHaveCommitted_; }

  private:
    QString server_;
    QString detail_;
    bool mayHaveCommitted_ = false;
};

// SQLite's result code as an English sentence.
QString ErrorCodeText(int code);

// A value bound to a "?" placeholder: null, integer, floating value, text or bytes (a blob).
using SqlValue = std::variant<std::nullptr_t, qint64, double, QString, QByteArray>;
using SqlValues = QList<SqlValue>;

// SQLite's fundamental type codes.
enum class ColumnKind { Integer = 1, Float = 2, Text = 3, Blob = 4, Null = 5 };

class ResultTable {
  public:
    // A result made in memory from texts (NULL where a cell holds none), read like a query's.
    static ResultTable FromTexts(const QStringList& names,
                                 const std::vector<std::vector<std::optional<QString>>>& rows);

    int RowCount() const { return rowCount_; }
    int ColumnCount() const { return columnCount_; }
    bool AtEnd() const { return current_ >= rowCount_; }

    // Index of the first column whose name equals `name` ignoring letter case.
    int ColumnIndexOf(const QString& name) const;
    // The current row's cell as text: the stored bytes (UTF-8 as stored) for text, decimal for
    // integers, the general floating format for floats, empty for NULL.
    QByteArray ColumnText(int column) const;
    qint64 ColumnAsInt64(int column) const;
    double ColumnAsFloat(int column) const;
    // The blob's bytes, or nullptr for an absent cell.
    const QByteArray* ColumnBlob(int column) const;

    // The current row's cell is SQL NULL.
    bool IsNull(int column) const { return !CurrentCell(column).present; }

    // ColumnText of the named column, decoded from UTF-8: the read every window uses.
    QString Value(const QString& columnName) const;

    bool MoveNext();
    bool MoveLast();

    ColumnKind KindOf(int column) const { return kinds_.at(column); }
    const QStringList& ColumnNames() const { return names_; }

  private:
    friend class SqliteEngine;
    friend class ServerEngine;
    struct Cell {
        bool present = false;
        std::variant<qint64, double, QByteArray> value;
    };
    const Cell& CurrentCell(int column) const;

    int rowCount_ = 0;
    int columnCount_ = 0;
    QStringList names_;
    std::vector<ColumnKind> kinds_;
    std::vector<Cell> cells_;
    int current_ = 0;
};

class Database {
  public:
    static constexpr int kDefaultBusyTimeoutMs = 10000;

    // Which database a file name stands for: the file itself, or (the default) the server the
    // file names in its server table when it holds one.
    enum class Target { Configured, LocalFile };

    // Opens (and, as SQLite does, creates if missing) the database file. A file briefly locked by
    // another workstation makes statements wait up to `busyTimeoutMs` instead of failing. When the
    // file names a server, the connection is the process's open connection to that server.
    explicit Database(const QString& fileName, int busyTimeoutMs = kDefaultBusyTimeoutMs,
                      Target target = Target::Configured);
    // The process's connection to a server, named directly (moving a classroom, tests).
    explicit Database(const ServerAddress& server);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Runs one statement that returns no rows.
    void RunStatement(const QString& sql);
    // The same with values bound to its "?" placeholders, in order.
    void RunStatement(const QString& sql, const SqlValues& values);

    // Runs a query and loads every row of its result.
    std::unique_ptr<ResultTable> OpenQuery(const QString& sql);
    std::unique_ptr<ResultTable> OpenQuery(const QString& sql, const SqlValues& values);

    // Runs several statements separated by ";" (set-up scripts of tests and tools).
    void RunScript(const QString& sql);

    // Rows changed by the last statement.
    int ChangedRows() const;

    // True when the statements go to a database server rather than the file.
    bool OnServer() const;
    // The SQLite handle; nullptr on a server.
    sqlite3* Handle() const;

    // Tests only: a function run on every file connection once it is open and has its busy
    // timeout, to shorten the timeout or limit the file's size. None in the program.
    using ConnectionHook = void (*)(sqlite3*);
    static void SetConnectionHook(ConnectionHook hook);

    [[noreturn]] void RaiseError(const QString& message, const QString& sql) const;

  private:
    friend class Transaction;
    friend class ReadTransaction;
    void Begin(bool write, qint64 scope);
    void EndQuietly() noexcept;

    std::unique_ptr<Engine> engine_;
};

// All-or-nothing changes: BEGIN IMMEDIATE on construction (on a server: BEGIN and a lock that
// puts writing transactions in a row, as the file's lock does), COMMIT on Commit(), ROLLBACK when
// it goes out of scope uncommitted (an exception on the way).
class Transaction {
  public:
    explicit Transaction(Database& db);
    // A transaction that writes only rows belonging to one scope (an exam attempt's record, keyed
    // by a positive number; a candidate's exam start, by the negative student number), and rows
    // every such transaction updates in a way any order gives the same result. A row two scopes
    // share (an attempt taken over at an exam start) is proved by writing it first: its row lock
    // puts them in a row. On the file it is an ordinary transaction; on a server it runs beside
    // those of other scopes, after those of its own and of the whole database.
    struct Scope {
        qint64 key = 0;
        static Scope Attempt(qint64 id) { return {id}; }
        static Scope Candidate(qint64 studentNo) { return {-studentNo}; }
    };
    Transaction(Database& db, Scope scope);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit();

  private:
    Database& db_;
    bool open_ = true;
};

// Several reads from one snapshot of the file: BEGIN (deferred) on construction, its end when it
// goes out of scope. The first read takes the file's shared lock and it is held to the end, so the
// reads agree with each other and none has to take the lock and check the file again. On a server
// the transaction is REPEATABLE READ: one snapshot for every read.
class ReadTransaction {
  public:
    explicit ReadTransaction(Database& db);
    ~ReadTransaction();
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

  private:
    Database& db_;
};
