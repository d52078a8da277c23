// The back office's refreshes renumber a table's key column to 1..n in table order. The pass runs
// inside one transaction: killed half-way, it leaves the old numbering, never a mix.
#pragma once

#include <QString>

class Database;

// For each row of "Select * from <table>" at 1-based position p whose `keyColumn` differs from p,
// runs "Update <table> Set <keyColumn>=p where <whereColumn>=<the row's whereColumn>". A key that
// is not an integer text raises the conversion error (nothing is changed then).
void RenumberKeys(Database& db, const QString& table, const QString& keyColumn,
                  const QString& whereColumn);
