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

// The exam workstations' role on `server` (connected as the classroom's owner, who may create
// roles): created, or given `password` when it exists. It reads every table but the
// administrators' (UserGL), writes the exam record (Kaoshijilu, Datijilu, Jiankao's rows), the
// scores in Userxinxi, a new sitting with its frozen paper (the first sign-in opens one when none
// is open) and the sitting's clock, and can create no table, view or other object.
void GrantExamRole(Database& server, const QString& examUser, const QString& password);
