#include "reliability/CrashTrials.h"

#include "back_office/ExchangeRules.h"
#include "back_office/workbook/Workbook.h"
#include "data_store/Conversions.h"
#include "data_store/Database.h"
#include "data_store/Renumbering.h"
#include "data_store/Schema.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <random>

namespace {

// Replaces the rows of `table` by `count` rows made by `values` (row i), in one transaction.
void Fill(Database& db, const QString& table, const QString& columns, int count,
          const std::function<SqlValues(int)>& values) {
    Transaction transaction(db);
    db.RunStatement(QStringLiteral("Delete from ") + table);
    const int placeholders = int(columns.count(u',')) + 1;
    QStringList marks;
    for (int i = 0; i < placeholders; ++i)
        marks << QStringLiteral("?");
    const QString insert =
        QStringLiteral("INSERT INTO %1 (%2) values (%3)").arg(table, columns, marks.join(u','));
    for (int i = 0; i < count; ++i)
        db.RunStatement(insert, values(i));
    transaction.Commit();
}

// Banks numbered 10, 20, 30, ...: the refresh renumbers every row.
void FillBank(Database& db, const QString& table, const QString& columns, int count) {
    const int textColumns = int(columns.count(u','));
    Fill(db, table, columns, count, [&](int i) {
        SqlValues values{qint64(10 * (i + 1))};
        for (int c = 0; c < textColumns; ++c)
            values << QStringLiteral("第%1题 第%2栏 '引号' \"双引号\"").arg(i + 1).arg(c + 1);
        return values;
    });
}

// Candidates whose numbers run backwards, so the refresh renumbers every row.
void FillCandidates(Database& db, int count) {
    Fill(db, QStringLiteral("Userxinxi"), QStringLiteral("UserID,Xuehao,Xingmin,Chengji,Tt1"),
         count, [&](int i) {
             return SqlValues{qint64(5000 + count - i), QString::number(300001 + i),
                              QStringLiteral("考生%1").arg(i), QString::number(i % 100),
                              QStringLiteral("答案%1\n第二行").arg(i)};
         });
}

// The candidates' renumbering as separate autocommit statements (no transaction).
void RenumberWithoutTransaction(Database& db) {
    std::vector<std::pair<qint64, QString>> moves;
    {
        auto rows = db.OpenQuery(QStringLiteral("Select * from Userxinxi"));
        for (qint64 position = 1; !rows->AtEnd(); ++position, rows->MoveNext())
            if (StrToInt(rows->Value(QStringLiteral("UserID"))) != position)
                moves.emplace_back(position, rows->Value(QStringLiteral("Xuehao")));
    }
    for (const auto& [position, number] : moves)
        db.RunStatement(QStringLiteral("Update Userxinxi Set UserID=? where Xuehao=?"),
                        {position, number});
}

const QString kBank2Columns = QStringLiteral("TestID,Request,Axx,Bxx,Cxx,Dxx,DDx,Score");
const QString kBank3Columns = QStringLiteral("TestID,Request,Axx,Bxx,DDx,Score");
const QString kBank4Columns = QStringLiteral("TestID,Request");

std::function<void(Database&)> RenumberBank(const QString& table) {
    return [table](Database& db) {
        RenumberKeys(db, table, QStringLiteral("TestID"), QStringLiteral("TestID"));
    };
}

// The spreadsheet import as the back office runs it once the file is chosen: read "Sheet1",
// check every row, store them all in one transaction.
const QString kSheet = QStringLiteral("sheet.xlsx");

void ImportSheet(Database& db, Exchange member) {
    const ExchangeRule& rule = RuleOf(member);
    const ListRows rows = RowsOfSheet(ReadSheet(kSheet));
    CheckRows(rule, rows, kSheet, 2);
    StoreRows(db, rule, rows);
}

// A workbook of `count` rows below the captions; row i's cells made by `cells`.
std::function<void()> WriteWorkbook(int count, const std::function<QStringList(int)>& cells) {
    return [count, cells] {
        SheetCells sheet{{QStringLiteral("题号")}};
        for (int i = 0; i < count; ++i)
            sheet << cells(i);
        WriteSheet(kSheet, sheet);
    };
}

QStringList BankRow(int i, int texts) {
    QStringList row{QString::number(i + 1)};
    for (int c = 0; c < texts; ++c)
        row << QStringLiteral("导入第%1题 '%2' \"栏\"").arg(i + 1).arg(c + 1);
    return row;
}

// Starts the worker on the database in `dir`; returns once it said "ready" (or failed to).
bool StartWorker(QProcess& process, const QString& worker, const QString& kind,
                 const QString& dir) {
    process.setWorkingDirectory(dir);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(worker, {QStringLiteral("change"), kind});
    if (!process.waitForStarted(10000)) return false;
    while (!process.canReadLine())
        if (!process.waitForReadyRead(10000)) return false;
    return process.readLine().trimmed() == "ready";
}

}  // namespace

void CopyDatabase(const QString& from, const QString& dir) {
    QDir().mkpath(dir + QStringLiteral("/data"));
    const QString to = dir + QStringLiteral("/") + kDatabasePath;
    QFile::remove(to);
    if (!QFile::copy(from, to)) throw DatabaseError(QStringLiteral("cannot copy ") + from);
    QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner);
}

const std::vector<CrashKind>& CrashKinds() {
    static const std::vector<CrashKind> kinds = {
        {QStringLiteral("renumber UserGL"),
         [](Database& db) {
             Fill(db, QStringLiteral("UserGL"), QStringLiteral("UserGLID,Usermin,password"), 8000,
                  [](int i) {
                      return SqlValues{qint64(10 * (i + 1)), QStringLiteral("管理员%1").arg(i),
                                       QStringLiteral("pw'%1\"").arg(i)};
                  });
         },
         [](Database& db) {
             RenumberKeys(db, QStringLiteral("UserGL"), QStringLiteral("UserGLID"),
                          QStringLiteral("UserGLID"));
         }},
        {QStringLiteral("renumber Userxinxi"), [](Database& db) { FillCandidates(db, 1000); },
         [](Database& db) {
             RenumberKeys(db, QStringLiteral("Userxinxi"), QStringLiteral("UserID"),
                          QStringLiteral("Xuehao"));
         }},
        {QStringLiteral("renumber KaoShi2"),
         [](Database& db) { FillBank(db, QStringLiteral("KaoShi2"), kBank2Columns, 6000); },
         RenumberBank(QStringLiteral("KaoShi2"))},
        {QStringLiteral("renumber KaoShi3"),
         [](Database& db) { FillBank(db, QStringLiteral("KaoShi3"), kBank3Columns, 6000); },
         RenumberBank(QStringLiteral("KaoShi3"))},
        {QStringLiteral("renumber KaoShi4"),
         [](Database& db) { FillBank(db, QStringLiteral("KaoShi4"), kBank4Columns, 10000); },
         RenumberBank(QStringLiteral("KaoShi4"))},
        {QStringLiteral("import candidates"), [](Database& db) { FillCandidates(db, 500); },
         [](Database& db) { ImportSheet(db, Exchange::Candidates); }, false,
         WriteWorkbook(1000,
                       [](int i) {
                           return QStringList{QString::number(i + 1),
                                              QString::number(400001 + i),
                                              QStringLiteral("导入考生%1").arg(i),
                                              QString::number(i % 60 + 40),
                                              QStringLiteral("20"),
                                              QString::number(i % 60 + 60)};
                       })},
        {QStringLiteral("import KaoShi2 (replaced)"), [](Database&) {},
         [](Database& db) { ImportSheet(db, Exchange::MultiChoice); }, false,
         WriteWorkbook(25, [](int i) { return BankRow(i, 7); })},
        {QStringLiteral("import KaoShi4 (replaced)"), [](Database&) {},
         [](Database& db) { ImportSheet(db, Exchange::Subjective); }, false,
         WriteWorkbook(12, [](int i) { return BankRow(i, 1); })},
        {QStringLiteral("import Test (by position)"), [](Database&) {},
         [](Database& db) { ImportSheet(db, Exchange::SingleChoice); }, false,
         WriteWorkbook(50, [](int i) { return BankRow(i, 7); })},
        {QStringLiteral("control: Userxinxi without transaction"),
         [](Database& db) { FillCandidates(db, 60); }, RenumberWithoutTransaction, true},
    };
    return kinds;
}

int RunChange(const QString& name) {
    const auto& kinds = CrashKinds();
    const auto kind = std::find_if(kinds.begin(), kinds.end(),
                                   [&](const CrashKind& k) { return k.name == name; });
    if (kind == kinds.end()) {
        std::fprintf(stderr, "unknown change: %s\n", qPrintable(name));
        return 2;
    }
    if (kind->setUp) kind->setUp();
    Database db(kDatabasePath);
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    kind->change(db);
    return 0;
}

QStringList Snapshot(const QString& fileName) {
    Database db(fileName);
    QStringList content;
    QStringList tables;
    auto schema = db.OpenQuery(
        QStringLiteral("Select type, name, sql from sqlite_master order by type, name"));
    for (; !schema->AtEnd(); schema->MoveNext()) {
        content << schema->Value(QStringLiteral("type")) + u'|' +
                       schema->Value(QStringLiteral("name")) + u'|' +
                       schema->Value(QStringLiteral("sql"));
        if (schema->Value(QStringLiteral("type")) == QLatin1String("table"))
            tables << schema->Value(QStringLiteral("name"));
    }
    for (const QString& table : tables) {
        auto rows = db.OpenQuery(QStringLiteral("Select * from \"%1\"").arg(table));
        for (; !rows->AtEnd(); rows->MoveNext()) {
            QStringList cells{table};
            for (int c = 0; c < rows->ColumnCount(); ++c)
                cells << QString::fromUtf8(rows->ColumnText(c).toBase64());
            content << cells.join(u'|');
        }
    }
    return content;
}

QString IntegrityCheck(const QString& fileName) {
    Database db(fileName);
    auto result = db.OpenQuery(QStringLiteral("PRAGMA integrity_check"));
    return result->AtEnd() ? QStringLiteral("no answer") : DecodeUtf8(result->ColumnText(0));
}

TrialTally RunTrials(const QString& kind, int trials, quint32 seed, const QString& deliveredDb,
                     const QString& worker) {
    TrialTally tally;
    tally.kind = kind;
    const auto& kinds = CrashKinds();
    const auto found = std::find_if(kinds.begin(), kinds.end(),
                                    [&](const CrashKind& k) { return k.name == kind; });
    if (found == kinds.end()) {
        tally.problems << QStringLiteral("unknown kind");
        return tally;
    }
    QTemporaryDir base;
    const QString prepared = base.path() + QStringLiteral("/prepared.db");
    if (!QFile::copy(deliveredDb, prepared)) {
        tally.problems << QStringLiteral("cannot copy the delivered database");
        return tally;
    }
    QFile::setPermissions(prepared, QFile::ReadOwner | QFile::WriteOwner);
    {
        Database db(prepared);
        found->prepare(db);
    }
    const QStringList oldContent = Snapshot(prepared);

    // The change left alone gives the new content and its duration (the median of three runs:
    // the first one also reads the file into the cache).
    const QString calibration = base.path() + QStringLiteral("/calibration");
    std::vector<double> durations;
    for (int run = 0; run < 3; ++run) {
        CopyDatabase(prepared, calibration);
        QProcess process;
        if (!StartWorker(process, worker, kind, calibration)) {
            tally.problems << QStringLiteral("the worker did not start");
            return tally;
        }
        QElapsedTimer clock;
        clock.start();
        process.waitForFinished(600000);
        durations.push_back(double(clock.nsecsElapsed()) / 1e6);
        if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
            tally.problems << QStringLiteral("the change failed on its own");
            return tally;
        }
    }
    std::sort(durations.begin(), durations.end());
    tally.changeMs = durations[1];
    const QStringList newContent = Snapshot(calibration + QStringLiteral("/") + kDatabasePath);
    if (newContent == oldContent) tally.problems << QStringLiteral("the change changes nothing");

    std::mt19937 random(seed);
    std::uniform_int_distribution<qint64> moment(0, qint64(tally.changeMs * 1100.0));  // µs
    for (int trial = 0; trial < trials; ++trial) {
        const QString dir = base.path() + QStringLiteral("/trial%1").arg(trial);
        CopyDatabase(prepared, dir);
        const QString file = dir + QStringLiteral("/") + kDatabasePath;
        QProcess process;
        if (!StartWorker(process, worker, kind, dir)) {
            tally.problems << QStringLiteral("trial %1: the worker did not start").arg(trial);
            continue;
        }
        QThread::usleep(quint64(moment(random)));
        if (process.state() == QProcess::Running) process.kill();
        process.waitForFinished(10000);
        ++tally.trials;
        if (process.exitStatus() == QProcess::NormalExit) ++tally.finished;
        if (QFile::exists(file + QStringLiteral("-journal"))) ++tally.hotJournal;
        QString integrity, verdict;
        QStringList content;
        try {
            integrity = IntegrityCheck(file);
            content = Snapshot(file);
        } catch (const DatabaseError& error) {
            integrity = error.Message();
        }
        if (integrity != QLatin1String("ok")) {
            verdict = QStringLiteral("integrity: ") + integrity;
        } else if (content == oldContent) {
            ++tally.oldContent;
        } else if (content == newContent) {
            ++tally.newContent;
        } else {
            const qsizetype same =
                std::mismatch(content.begin(), content.end(), newContent.begin(), newContent.end())
                    .first -
                content.begin();
            verdict = QStringLiteral("neither old nor new (first %1 entries as new)").arg(same);
        }
        if (!verdict.isEmpty()) {
            ++tally.bad;
            tally.problems << QStringLiteral("trial %1: %2").arg(trial).arg(verdict);
        }
    }
    return tally;
}
