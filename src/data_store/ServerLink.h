// Where a classroom's database lives. The local file (data/Maindb.db) is the database unless its
// table `Fuwuqi` holds a server's address; then every connection goes to that PostgreSQL server,
// and never to the file: a file that names a server and cannot be read, or a server that cannot be
// reached, is an error (ServerUnreachable), not a reason to use the file's own old content.
// The program still reads no settings of its own: the address is data, set in the back office.
//
// Two roles on the server: the owner of the classroom's tables, whom the back office connects as
// with the password asked when it opens (kept in memory for the session, never stored), and the
// exam role of the workstations (name and password stored in the file), which reads the paper and
// writes the record and the results, and nothing else.
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
    // libpq's sslmode: "require" (encrypted), "verify-ca" (and the server's certificate signed by
    // `caFile`), "verify-full" (and issued for `host`); anything else as libpq reads it.
    QString sslMode = QStringLiteral("require");
    QString caFile;  // the certificate authority's file (PEM); empty: the system's

    // The libpq connection string (values quoted as libpq wants them).
    QByteArray ConnectionString() const;
    // "user@host:port/database", as messages name the server (never the password).
    QString Label() const;
};

// The file's server settings.
struct ServerSettings {
    QString host;
    int port = 5432;
    QString database;
    QString owner;  // the back office's role; its password is never stored
    QString examUser;
    QString examPassword;
    QString sslMode;  // empty: DefaultSslMode(caFile)
    QString caFile;
    // When the file's content was copied to the server ("yyyy-MM-dd HH:mm", local time); empty
    // when the server's classroom did not come from this file.
    QString copiedAt;

    // The address for connecting as `user`.
    ServerAddress As(const QString& user, const QString& password) const;
    ServerAddress Exam() const { return As(examUser, examPassword); }
    ServerAddress Owner(const QString& password) const { return As(owner, password); }
};

// New settings ask the server to prove who it is when there is a certificate authority to check
// it by (verify-full), else at least encrypt (require).
QString DefaultSslMode(const QString& caFile);

// The table in the local file and its one row.
inline const QString kServerTable = QStringLiteral("Fuwuqi");

// The settings the file holds, if any (an open SQLite connection to it). A file the settings
// cannot be read from (locked past its busy timeout) raises: ServerUnreachable when this process
// has seen the file name a server, else the file's own error.
std::optional<ServerSettings> ServerSettingsIn(sqlite3* file);
// The same, read straight from the file.
std::optional<ServerSettings> StoredServerSettings(const QString& fileName);
// Stores the settings in the file (creating or widening the table, and dropping an owner password
// an older program stored), or removes them with std::nullopt: later connections then go to the
// file again.
void StoreServerSettings(const QString& fileName, const std::optional<ServerSettings>& settings);
// Settings whose exam role is `address`'s own user (one role for everything: tests, benchmarks).
ServerSettings SettingsFor(const ServerAddress& address);
void StoreServerAddress(const QString& fileName, const std::optional<ServerAddress>& address);

// The owner's password for this session (the back office asked for it): while set, this process
// connects as the owner; without it, as the exam role. std::nullopt forgets it.
void SetSessionOwnerPassword(const std::optional<QString>& password);
std::optional<QString> SessionOwnerPassword();

// The address a Database on a file with these settings connects to: the owner's with the
// session's password, else the exam role's. Raises ServerUnreachable when the settings name no
// exam role (a file written before there was one: its stored owner password is not used).
ServerAddress ConnectionFor(const ServerSettings& settings);
