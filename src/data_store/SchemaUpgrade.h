// The schema's version and the steps from each version to the next. A database file records its
// version in PRAGMA user_version; a file of an older version is brought up to date the first time
// this process opens it, each step in one transaction, so a step is either whole or not there.
#pragma once

#include <QString>

class Database;

// The version of the schema this program writes: data/Maindb.sql delivers it.
inline constexpr int kSchemaVersion = 3;

// The file's version (PRAGMA user_version).
int SchemaVersion(Database& db);

// Runs the steps from the file's version up to kSchemaVersion. A file that is not this program's
// database (no candidate table: a missing file opened empty, say) is left alone. Raises
// DatabaseError when a step fails; that step leaves nothing behind.
void UpgradeSchema(Database& db);

// UpgradeSchema on the file at `path`, once per process and path; later calls return at once.
void UpgradeSchemaOnce(const QString& path);
