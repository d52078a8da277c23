#include "data_store/SchemaUpgrade.h"

#include "data_store/Database.h"

#include "data_store/Conversions.h"
#include "data_store/FrozenPaper.h"

#include <QDateTime>
#include <QMap>
#include <QRegularExpression>
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

// Version 2: exam sittings. A sitting has a name, a duration, who opened and ended it when, its own
// clock (seconds that have run since it opened, advanced by the workstations that take part), and a
// frozen copy of the four banks; every attempt belongs to one, is owned by one workstation at a
// time (a token every write names) and carries its sign-of-life counter and the extra time given.
// The proctor's acts go into an audit table.
const char* const kSittingTables[] = {
    "CREATE TABLE IF NOT EXISTS Changci(ChangciID INTEGER PRIMARY KEY, Mingcheng TEXT NOT NULL, "
    "Shichang INTEGER NOT NULL, Kaishi BIGINT NOT NULL, KaishiRen TEXT NOT NULL DEFAULT '', "
    "Jieshu BIGINT, JieshuRen TEXT, Shizhong BIGINT NOT NULL DEFAULT 0)",
    "CREATE TABLE IF NOT EXISTS Shijuan(ChangciID INTEGER NOT NULL, Bufen INTEGER NOT NULL, "
    "Hanghao INTEGER NOT NULL, TestID TEXT, Request TEXT, Axx TEXT, Bxx TEXT, Cxx TEXT, Dxx TEXT, "
    "DDx TEXT, Score TEXT, PRIMARY KEY(ChangciID, Bufen, Hanghao))",
    "CREATE TABLE IF NOT EXISTS Jiankao(ID INTEGER PRIMARY KEY, ChangciID INTEGER NOT NULL, "
    "JiluID INTEGER, Xuehao INTEGER, Caozuo TEXT NOT NULL, Canshu BIGINT, "
    "Ren TEXT NOT NULL DEFAULT '', Shijian BIGINT NOT NULL)",
};
const char* const kAttemptColumns[] = {
    "ChangciID INTEGER NOT NULL DEFAULT 0", "Zhuren TEXT NOT NULL DEFAULT ''",
    "Shebei TEXT NOT NULL DEFAULT ''",      "Xintiao INTEGER NOT NULL DEFAULT 0",
    "Jiashi INTEGER NOT NULL DEFAULT 0",    "Qidian BIGINT NOT NULL DEFAULT 0",
    "Zuihou BIGINT NOT NULL DEFAULT 0",     "Huanji INTEGER NOT NULL DEFAULT 0",
};

// A server keeps each table's definition as the file would write it (for the copy back to a file):
// the new tables and the grown tables are told to it.
void KeepDefinitions(Database& db, const QMap<QString, QStringList>& grownColumns,
                     const QStringList& created) {
    if (!db.OnServer()) return;
    for (auto table = grownColumns.cbegin(); table != grownColumns.cend(); ++table) {
        auto kept = db.OpenQuery(QStringLiteral("Select Yuju from Jiegou where Mingcheng=?"),
                                 {table.key()});
        QString definition = kept->Value(QStringLiteral("Yuju"));
        // As the file's ALTER TABLE writes it: new columns after the last column, before the
        // table's constraints.
        static const QRegularExpression constraints(QStringLiteral(",\\s*UNIQUE\\s*\\("));
        qsizetype at = definition.indexOf(constraints);
        if (at < 0) at = definition.lastIndexOf(QLatin1Char(')'));
        QString columns;
        for (const QString& column : table.value())
            columns += QStringLiteral(", ") + column;
        db.RunStatement(QStringLiteral("Update Jiegou set Yuju=? where Mingcheng=?"),
                        {definition.insert(at, columns), table.key()});
    }
    for (const QString& statement : created) {
        const QString name =
            statement.section(QLatin1Char(' '), 5, 5).section(QLatin1Char('('), 0, 0);
        db.RunStatement(QStringLiteral("Insert into Jiegou select coalesce(max(Xuhao), 0) + 1, ?, "
                                       "'table', ? from Jiegou"),
                        {name, statement});
    }
}

// Creates the tables and adds the columns (ALTER TABLE keeps every row), and tells a server.
void GrowSchema(Database& db, const QStringList& tables,
                const QMap<QString, QStringList>& columns) {
    for (const QString& statement : tables)
        db.RunStatement(statement);
    for (auto table = columns.cbegin(); table != columns.cend(); ++table)
        for (const QString& column : table.value())
            db.RunStatement(QStringLiteral("ALTER TABLE %1 ADD COLUMN ").arg(table.key()) + column);
    KeepDefinitions(db, columns, tables);
}

template <size_t N>
QStringList Texts(const char* const (&statements)[N]) {
    QStringList texts;
    for (const char* statement : statements)
        texts << QString::fromLatin1(statement);
    return texts;
}

// Attempts made before sittings existed: one ended sitting per exam day (local time), named by its
// date, with the banks as they stand now as its paper, corrected by the key and points each
// question was last scored against in that day's record.
void PlaceOldAttempts(Database& db) {
    int duration = 0;
    {
        auto time = db.OpenQuery(QStringLiteral("Select * from Time"));
        if (time->RowCount() > 0) TryStrToTime(time->Value(QStringLiteral("TimeN")), &duration);
    }
    struct Day {
        qint64 first = 0, last = 0;
        QList<qint64> attempts;
    };
    QMap<QString, Day> days;
    auto attempts =
        db.OpenQuery(QStringLiteral("SELECT JiluID, Kaishi, COALESCE(Jieshu, Huodong) AS Zuihou "
                                    "FROM Kaoshijilu ORDER BY Kaishi"));
    for (; !attempts->AtEnd(); attempts->MoveNext()) {
        const qint64 started = attempts->Value(QStringLiteral("Kaishi")).toLongLong();
        const qint64 last = attempts->Value(QStringLiteral("Zuihou")).toLongLong();
        Day& day =
            days[QDateTime::fromSecsSinceEpoch(started).toString(QStringLiteral("yyyy-MM-dd"))];
        if (day.attempts.isEmpty()) day.first = started;
        day.last = qMax(day.last, last);
        day.attempts << attempts->Value(QStringLiteral("JiluID")).toLongLong();
    }
    for (auto day = days.cbegin(); day != days.cend(); ++day) {
        db.RunStatement(
            QStringLiteral("INSERT INTO Changci (Mingcheng, Shichang, Kaishi, KaishiRen, "
                           "Jieshu, JieshuRen) VALUES (?,?,?,'',?,'')"),
            {day.key(), qint64(duration), day->first, day->last});
        const qint64 sitting =
            db.OpenQuery(QStringLiteral("SELECT MAX(ChangciID) AS Id FROM Changci"))
                ->Value(QStringLiteral("Id"))
                .toLongLong();
        FreezePaper(db, sitting);
        for (qint64 attempt : day->attempts)
            db.RunStatement(QStringLiteral("UPDATE Kaoshijilu SET ChangciID=? WHERE JiluID=?"),
                            {sitting, attempt});
        auto scored = db.OpenQuery(
            QStringLiteral("SELECT d.Bufen, d.TestID, d.Biaozhun, d.Fenzhi FROM Datijilu d JOIN "
                           "Kaoshijilu k ON k.JiluID=d.JiluID WHERE k.ChangciID=? AND "
                           "d.Biaozhun<>'' ORDER BY d.Gengxin"),
            {sitting});
        for (; !scored->AtEnd(); scored->MoveNext())
            db.RunStatement(
                QStringLiteral("UPDATE Shijuan SET DDx=?, Score=? WHERE ChangciID=? AND Bufen=? "
                               "AND TestID=?"),
                {scored->Value(QStringLiteral("Biaozhun")),
                 FormatGeneral(scored->Value(QStringLiteral("Fenzhi")).toDouble()), sitting,
                 scored->Value(QStringLiteral("Bufen")).toLongLong(),
                 scored->Value(QStringLiteral("TestID"))});
    }
}

void AddSittings(Database& db) {
    GrowSchema(db, Texts(kSittingTables), {{QStringLiteral("Kaoshijilu"), Texts(kAttemptColumns)}});
    PlaceOldAttempts(db);
}

// Version 3: pictures, per-candidate order and the school's settings. A picture is stored once,
// keyed by the SHA-256 of its bytes, and question texts refer to it; a sitting may give each
// attempt its own order of the questions and options (Luanxu), drawn from the attempt's seed
// (Zhongzi); settings every workstation shares (the school's name) are named values.
const char* const kPictureTables[] = {
    "CREATE TABLE IF NOT EXISTS Tupian(Hash TEXT PRIMARY KEY, Geshi TEXT NOT NULL, "
    "Shuju BLOB NOT NULL)",
    "CREATE TABLE IF NOT EXISTS Shezhi(Mingcheng TEXT PRIMARY KEY, Zhi TEXT NOT NULL DEFAULT '')",
    "CREATE TABLE IF NOT EXISTS Rizhi(JiluID INTEGER PRIMARY KEY, Zhuren TEXT NOT NULL DEFAULT '', "
    "Xuhao BIGINT NOT NULL DEFAULT 0, Daishang INTEGER NOT NULL DEFAULT 0)",
};
const char* const kOrderColumns[] = {"Luanxu INTEGER NOT NULL DEFAULT 0"};
const char* const kSeedColumns[] = {"Zhongzi BIGINT NOT NULL DEFAULT 0"};

void AddPicturesOrderAndSettings(Database& db) {
    GrowSchema(db, Texts(kPictureTables),
               {{QStringLiteral("Changci"), Texts(kOrderColumns)},
                {QStringLiteral("Kaoshijilu"), Texts(kSeedColumns)}});
}

// Step i brings a file of version i to version i + 1.
using Step = void (*)(Database&);
const Step kSteps[kSchemaVersion] = {AddExamRecord, AddSittings, AddPicturesOrderAndSettings};

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
