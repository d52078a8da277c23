// The access layer against the same calls made directly on the SQLite C API, in one run:
// open + one SELECT by key + close, and open + one UPDATE + close, as every handler does; and the
// exam record's write of a pick (open + the answer row's upsert + close), as the exam makes it.
#include "data_store/Database.h"
#include "data_store/SchemaUpgrade.h"
#include "record/ExamRecord.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kRounds = 500;

// Bare and layer calls are timed in alternating batches, so both see the same machine load; the
// result is the median batch of each, in microseconds per call.
std::pair<double, double> Compare(const std::function<void(int)>& bare,
                                  const std::function<void(int)>& layer) {
    std::vector<double> bareBatches, layerBatches;
    const auto time = [](const std::function<void(int)>& call) {
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < kRounds; ++i)
            call(i);
        return double(clock.nsecsElapsed()) / 1000.0 / kRounds;
    };
    for (int batch = 0; batch < 9; ++batch) {
        bareBatches.push_back(time(bare));
        layerBatches.push_back(time(layer));
    }
    std::sort(bareBatches.begin(), bareBatches.end());
    std::sort(layerBatches.begin(), layerBatches.end());
    return {bareBatches[bareBatches.size() / 2], layerBatches[layerBatches.size() / 2]};
}

void BareSelect(const char* file, int i) {
    sqlite3* db = nullptr;
    sqlite3_open(file, &db);
    sqlite3_busy_timeout(db, 10000);
    sqlite3_stmt* statement = nullptr;
    const QByteArray sql = "Select * from KaoShi where TestID=" + QByteArray::number(i % 50 + 1);
    sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &statement, nullptr);
    while (sqlite3_step(statement) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(statement); ++c) {
            sqlite3_column_name(statement, c);
            sqlite3_column_decltype(statement, c);
            const char* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
            QByteArray copy(text ? text : "");
            (void)QString::fromUtf8(copy);
        }
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
}

void BareUpdate(const char* file, int i) {
    sqlite3* db = nullptr;
    sqlite3_open(file, &db);
    sqlite3_busy_timeout(db, 10000);
    sqlite3_stmt* statement = nullptr;
    const char* sql = "Update Userxinxi Set Chengji=? where Xuehao=?";
    sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    const QByteArray score = QByteArray::number(i % 100);
    sqlite3_bind_text(statement, 1, score.constData(), int(score.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int64(statement, 2, 110101);
    sqlite3_step(statement);
    sqlite3_finalize(statement);
    sqlite3_close(db);
}

const char kUpsert[] =
    "INSERT INTO Datijilu (JiluID, Bufen, TestID, Daan, Caogao, Biaoji, Xianshi, Fenzhi, "
    "Biaozhun, Defen, Gengxin) VALUES (?,?,?,?,?,?,?,?,?,?,?) ON CONFLICT (JiluID, Bufen, TestID) "
    "DO UPDATE SET Daan=excluded.Daan, Caogao=excluded.Caogao, Biaoji=excluded.Biaoji, "
    "Xianshi=excluded.Xianshi, Fenzhi=excluded.Fenzhi, Biaozhun=excluded.Biaozhun, "
    "Defen=excluded.Defen, Gengxin=excluded.Gengxin";

AnswerRow Pick(int i) {
    return {1,   i % 50 + 1,          QString(QChar(u'A' + i % 4)), std::nullopt,     false, true,
            1.0, QStringLiteral("A"), i % 4 == 0 ? 1.0 : 0.0,       1'800'000'000 + i};
}

void BarePick(const char* file, qint64 attempt, int i) {
    const AnswerRow row = Pick(i);
    const QByteArray answer = row.answer.toUtf8(), key = row.key.toUtf8();
    sqlite3* db = nullptr;
    sqlite3_open(file, &db);
    sqlite3_busy_timeout(db, 10000);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, kUpsert, -1, &statement, nullptr);
    sqlite3_bind_int64(statement, 1, attempt);
    sqlite3_bind_int64(statement, 2, row.section);
    sqlite3_bind_int64(statement, 3, row.question);
    sqlite3_bind_text(statement, 4, answer.constData(), int(answer.size()), SQLITE_TRANSIENT);
    sqlite3_bind_null(statement, 5);
    sqlite3_bind_int64(statement, 6, row.marked);
    sqlite3_bind_int64(statement, 7, row.shown);
    sqlite3_bind_double(statement, 8, row.points);
    sqlite3_bind_text(statement, 9, key.constData(), int(key.size()), SQLITE_TRANSIENT);
    sqlite3_bind_double(statement, 10, row.earned);
    sqlite3_bind_int64(statement, 11, row.changedAt);
    sqlite3_step(statement);
    sqlite3_finalize(statement);
    sqlite3_close(db);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_access_layer <delivered Maindb.db>\n");
        return 2;
    }
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/Maindb.db");
    QFile::copy(QString::fromLocal8Bit(argv[1]), file);
    const QByteArray fileName = file.toUtf8();

    const auto [bareSelect, layerSelect] =
        Compare([&](int i) { BareSelect(fileName.constData(), i); },
                [&](int i) {
                    Database db(file);
                    auto table = db.OpenQuery(QStringLiteral("Select * from KaoShi where TestID=") +
                                              QString::number(i % 50 + 1));
                    (void)table->Value(QStringLiteral("Request"));
                });
    const auto [bareUpdate, layerUpdate] =
        Compare([&](int i) { BareUpdate(fileName.constData(), i); },
                [&](int i) {
                    Database db(file);
                    db.RunStatement(QStringLiteral("Update Userxinxi Set Chengji=? where Xuehao=?"),
                                    {QString::number(i % 100), qint64(110101)});
                });

    AttemptRow attempt;
    attempt.studentNo = 110101;
    {
        Database db(file);
        Transaction begin(db);
        record::BeginAttempt(db, attempt);
        begin.Commit();
    }
    const auto [barePick, layerPick] =
        Compare([&](int i) { BarePick(fileName.constData(), attempt.id, i); },
                [&](int i) {
                    UpgradeSchemaOnce(file);
                    Database db(file);
                    record::WriteAnswer(db, attempt.id, Pick(i));
                });

    std::printf(
        "access layer vs bare SQLite C API, median of 9 alternating batches of %d calls "
        "(microseconds per call)\n",
        kRounds);
    std::printf("%-36s %10s %10s %8s\n", "operation", "bare", "layer", "ratio");
    std::printf("%-36s %10.1f %10.1f %7.2fx\n", "open + SELECT by key + close", bareSelect,
                layerSelect, layerSelect / bareSelect);
    std::printf("%-36s %10.1f %10.1f %7.2fx\n", "open + UPDATE + close", bareUpdate, layerUpdate,
                layerUpdate / bareUpdate);
    std::printf("%-36s %10.1f %10.1f %7.2fx\n", "open + record a pick (upsert) + close", barePick,
                layerPick, layerPick / barePick);
    return 0;
}
