#include "data_store/SharedSettings.h"

#include "data_store/Database.h"

namespace settings {

QString Read(Database& db, const QString& name) {
    auto table = db.OpenQuery(QStringLiteral("SELECT Zhi FROM Shezhi WHERE Mingcheng=?"), {name});
    return table->RowCount() > 0 ? table->Value(QStringLiteral("Zhi")) : QString();
}

void Write(Database& db, const QString& name, const QString& value) {
    // Delete and insert: the same statements on the file and on a server.
    Transaction write(db);
    db.RunStatement(QStringLiteral("DELETE FROM Shezhi WHERE Mingcheng=?"), {name});
    db.RunStatement(QStringLiteral("INSERT INTO Shezhi (Mingcheng, Zhi) VALUES (?,?)"),
                    {name, value});
    write.Commit();
}

}  // namespace settings
