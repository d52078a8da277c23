#include "data_store/SchemaUpgrade.h"

#include "data_store/Database.h"

#include <QSet>

namespace {

// Version 1: the exam record. One row per exam attempt and one per question of an attempt that
// was shown or answered; data/Maindb.sql creates the same tables.
const char* const kRecordTables[] = {
    "CREATE TABLE IF NOT EXISTS Kaoshijilu(JiluID INTEGER PRIMARY KEY, Xuehao INTEGER NOT NULL, "
    "Cishu INTEGER NOT NULL, Jiqi TEXT NOT NULL DEFAULT '', ExamID TEXT NOT NULL DEFAULT '', "
    "Kaishi BIGINT NOT NULL, Huodong BIGINT NOT NULL, Shengyu INTEGER NOT NULL, "
    "Zhuangtai INTEGER NOT NULL DEFAULT 0, Chengji FLOAT, Jieshu BIGINT, "
    "Tishu INTEGER NOT NULL DEFAULT 0, Bufen INTEGER NOT NULL DEFAULT 1, "
    "TestID INTEGER NOT NULL DEFAULT 1, UNIQUE(Xuehao, Cishu))",
    "CREATE TABLE IF NOT EXISTS Datijilu(JiluID INTEGER NOT NULL, Bufen INTEGER NOT NULL, "
    "TestID INTEGER NOT NULL, Daan TEXT NOT NULL DEFAULT '', Caogao TEXT, "
    "Biaoji INTEGER NOT NULL DEFAULT 0, Xianshi INTEGER NOT NULL DEFAULT 0, "
    "Fenzhi FLOAT NOT NULL DEFAULT 0, Biaozhun TEXT NOT NULL DEFAULT '', "
    "Defen FLOAT NOT NULL DEFAULT 0, Gengxin BIGINT NOT NULL, PRIMARY KEY(JiluID, Bufen, TestID))",
};

void AddExamRecord(Database& db) {
    for (const char* statement : kRecordTables)
        db.RunStatement(QString::fromLatin1(statement));
}

// Step i brings a file of version i to version i + 1.
using Step = void (*)(Database&);
const Step kSteps[kSchemaVersion] = {AddExamRecord};

bool IsProgramDatabase(Database& db) {
    return db
               .OpenQuery(QStringLiteral(
                   "SELECT name FROM sqlite_master WHERE type='table' AND name='Userxinxi'"))
               ->RowCount() > 0;
}

}  // namespace

int SchemaVersion(Database& db) {
    auto table = db.OpenQuery(QStringLiteral("PRAGMA user_version"));
    return table->RowCount() > 0 ? int(table->ColumnAsInt64(0)) : 0;
}

void UpgradeSchema(Database& db) {
    while (SchemaVersion(db) < kSchemaVersion) {
        // The write lock first, then the version again: another workstation may have taken the
        // file a step further between the two looks.
        Transaction step(db);
        const int version = SchemaVersion(db);
        if (version >= kSchemaVersion || !IsProgramDatabase(db)) return;
        kSteps[version](db);
        db.RunStatement(QStringLiteral("PRAGMA user_version = %1").arg(version + 1));
        step.Commit();
    }
}

void UpgradeSchemaOnce(const QString& path) {
    static QSet<QString> done;
    if (done.contains(path)) return;
    Database db(path);
    UpgradeSchema(db);
    done.insert(path);
}
