#include "data_store/Renumbering.h"

#include "data_store/Conversions.h"
#include "data_store/Database.h"

#include <utility>
#include <vector>

void RenumberKeys(Database& db, const QString& table, const QString& keyColumn,
                  const QString& whereColumn) {
    // Read first, then change: the whole pass is one transaction, and only when something moves.
    std::vector<std::pair<int, SqlValue>> moves;
    {
        auto rows = db.OpenQuery(QStringLiteral("Select * from ") + table);
        for (int position = 1; !rows->AtEnd(); ++position, rows->MoveNext()) {
            const int key = StrToInt(rows->Value(keyColumn));
            if (key == position) continue;
            SqlValue where;
            if (whereColumn.compare(keyColumn, Qt::CaseInsensitive) == 0)
                where = qint64(key);
            else
                where = rows->Value(whereColumn);
            moves.emplace_back(position, std::move(where));
        }
    }
    if (moves.empty()) return;
    const QString update =
        QStringLiteral("Update %1 Set %2=? where %3=?").arg(table, keyColumn, whereColumn);
    Transaction transaction(db);
    for (const auto& [position, where] : moves)
        db.RunStatement(update, {qint64(position), where});
    transaction.Commit();
}
