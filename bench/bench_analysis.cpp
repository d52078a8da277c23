// The results analysis of 500 candidates x 90 objective questions (50 single-choice, 20
// multiple-choice, 20 true/false) from the exam record, and the export of its workbook, each beside
// a baseline of the same run: the record's rows read with bare SQLite calls, and the plain text
// writer (WriteSheet) with the answers sheet as text. Prints milliseconds per run.
#include "MedianTiming.h"
#include "analysis/RecordReader.h"
#include "analysis/Statistics.h"
#include "back_office/AnalysisSheets.h"
#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "support/SimulatedRecord.h"
#include "support/TestWorkdir.h"

#include <QCoreApplication>

#include <sqlite3.h>

#include <cstdio>
#include <functional>

namespace {

constexpr int kRuns = 10;

double Report(const char* what, const std::function<void()>& run) {
    return MedianTiming(what, kRuns, {52, 8, false}, run);
}

// The answer rows of the exam's ended attempts, every column the reader uses, with bare calls.
long BareRead() {
    sqlite3* db = nullptr;
    sqlite3_open(kDatabasePath.toUtf8().constData(), &db);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT d.JiluID, d.Bufen, d.TestID, d.Daan, d.Fenzhi, d.Biaozhun, "
                       "d.Defen, d.Gengxin FROM Datijilu d JOIN Kaoshijilu k ON k.JiluID=d.JiluID "
                       "WHERE k.ExamID='1' AND k.Zhuangtai IN (1,2)",
                       -1, &statement, nullptr);
    long sum = 0;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        sum += sqlite3_column_int64(statement, 0) + sqlite3_column_int(statement, 1) +
               sqlite3_column_int(statement, 2) + sqlite3_column_bytes(statement, 3) +
               long(sqlite3_column_double(statement, 4)) + sqlite3_column_bytes(statement, 5) +
               long(sqlite3_column_double(statement, 6)) + sqlite3_column_int64(statement, 7);
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return sum;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    TestWorkdir dir;
    SimulatedClass simulated;
    simulated.candidates = 500;
    simulated.single = 50;
    simulated.multi = 20;
    simulated.trueFalse = 20;
    simulated.subjective = 0;
    simulated.inProgress = 0;
    {
        Database db(kDatabasePath);
        FillRecord(db, simulated);
    }
    RecordedExam record;
    ExamStatistics statistics;
    qint64 sitting = 0;
    {
        Database db(kDatabasePath);
        sitting = RecordedSittings(db).front().id;
        record = ReadRecordedExam(db, sitting, false);
    }
    statistics = Analyse(record);
    std::printf("%zu candidates counted, %zu questions, full marks %g, mean %.2f, alpha %.3f\n",
                record.candidates.size(), record.questions.size(), statistics.summary.fullMarks,
                *statistics.summary.mean, statistics.summary.reliability.value_or(-1));

    std::printf("\nAnalysis (goal: under 200 ms)\n");
    Report("baseline: the answer rows, bare SQLite", [] { BareRead(); });
    Report("read the record (ReadRecordedExam)", [&] {
        Database db(kDatabasePath);
        record = ReadRecordedExam(db, sitting, false);
    });
    Report("statistics (Analyse)", [&] { statistics = Analyse(record); });
    Report("analysis: read and statistics", [&] {
        Database db(kDatabasePath);
        statistics = Analyse(ReadRecordedExam(db, sitting, false));
    });

    std::printf("\nExport (goal: under 1 s)\n");
    const QString sittingName = QStringLiteral("模拟考试");
    const QString path = dir.Path() + QStringLiteral("/analysis.xlsx");
    const QList<SheetData> sheets = AnalysisWorkbook(sittingName, {}, record, statistics);
    SheetCells answersAsText;
    for (const QList<CellValue>& row : sheets[2].rows) {
        QStringList texts;
        for (const CellValue& cell : row)
            texts << (std::holds_alternative<double>(cell) ? QString::number(std::get<double>(cell))
                                                           : std::get<QString>(cell));
        answersAsText << texts;
    }
    Report("baseline: answers sheet as text (WriteSheet)",
           [&] { WriteSheet(dir.Path() + QStringLiteral("/plain.xlsx"), answersAsText); });
    Report("sheets of the analysis (AnalysisWorkbook)",
           [&] { (void)AnalysisWorkbook(sittingName, {}, record, statistics); });
    Report("export: sheets and workbook (WriteWorkbook)",
           [&] { WriteWorkbook(path, AnalysisWorkbook(sittingName, {}, record, statistics)); });
    return 0;
}
