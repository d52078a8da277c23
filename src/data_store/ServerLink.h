// Where a classroom's database lives. The local file (data/Maindb.db) is the database unless its
// table `Fuwuqi` holds a server's address; then every connection goes to that PostgreSQL server.
// The program still reads no settings of its own: the address is data, set in the back office.
#pragma once

#include <QString>

#include <optional>

struct sqlite3;

struct ServerAddress {
    QString host;  // name or address of the server
    int port = 5432;
    QString database;
    QString user;
    QString password;

    // The libpq connection string (values quoted as libpq wants them).
    QByteArray ConnectionString() const;
    // "user@host:port/database", as messages name the server (never the password).
    QString Label() const;
};

// The table in the local file and its one row.
inline const QString kServerTable = QStringLiteral("Fuwuqi");

// The address the file holds, if any (an open SQLite connection to it).
std::optional<ServerAddress> ServerAddressIn(sqlite3* file);
// The address the file holds, read straight from the file.
std::optional<ServerAddress> StoredServerAddress(const QString& fileName);
// Stores the address in the file (creating the table), or removes it with std::nullopt: later
// connections then go to the file again.
void StoreServerAddress(const QString& fileName, const std::optional<ServerAddress>& address);
