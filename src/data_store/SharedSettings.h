// Settings every workstation shares, kept by name in the database (table Shezhi), so a value set
// in the back office reaches every workstation and every printed page.
#pragma once

#include <QString>

class Database;

namespace settings {

// The school's name, for the printed results' headers.
inline const QString kSchoolName = QStringLiteral("Xuexiao");

// The value stored under `name`; empty when none is.
QString Read(Database& db, const QString& name);
// Stores `value` under `name` (in one transaction of its own), replacing what was there.
void Write(Database& db, const QString& name, const QString& value);

}  // namespace settings
