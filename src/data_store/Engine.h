// What the access layer asks of a database engine. `Database` owns one: the SQLite file
// (SqliteEngine) or a PostgreSQL server (ServerEngine). Each turns statements with "?"
// placeholders and bound values into what its library expects, fills ResultTable with the same
// kinds and texts, and raises DatabaseError with the layer's messages.
#pragma once

#include "data_store/Database.h"

class Engine {
  public:
    virtual ~Engine() = default;
    // Runs one statement; `into` receives the rows of a query, nullptr for a statement that must
    // return none.
    virtual void Run(const QString& sql, const SqlValues& values, ResultTable* into) = 0;
    virtual void RunScript(const QString& sql) = 0;
    virtual int ChangedRows() const = 0;
    // A transaction: read-only, or writing the whole database (scope 0), or writing only the rows
    // of one scope (see Transaction).
    virtual void Begin(bool write, qint64 scope) = 0;
    virtual void EndQuietly() noexcept = 0;
    [[noreturn]] virtual void RaiseError(const QString& message, const QString& sql) const = 0;
    virtual sqlite3* Handle() const { return nullptr; }
};

std::unique_ptr<Engine> OpenSqliteEngine(const QString& fileName, int busyTimeoutMs,
                                         Database::ConnectionHook hook);
struct ServerAddress;
// The process's connection to the server (opened on first use, kept open).
std::unique_ptr<Engine> OpenServerEngine(const ServerAddress& address);
