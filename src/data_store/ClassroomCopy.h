// Moving a classroom between its file and a server: every table (and view) of one database is
// created in another, empty one and its rows copied in table order, all inside one transaction
// on the target: it ends with every row there, or with the target as it was.
#pragma once

#include <QString>

class Database;

// The server also keeps the schema version (table Banben, "PRAGMA user_version" there) and, in the
// table below, each copied table's definition as the file wrote it, so a
// copy back creates the file's tables with their own declared types.
inline const QString kDefinitionsTable = QStringLiteral("Jiegou");

// Raised when the target already holds tables (nothing is changed then).
struct TargetNotEmpty {
    QString table;
};

// File → server: `file` opened as Target::LocalFile, `server` on the server.
void CopyToServer(Database& file, Database& server);
// Server → file: `file` a new, empty file opened as Target::LocalFile.
void CopyFromServer(Database& server, Database& file);
